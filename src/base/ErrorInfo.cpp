// SPDX-License-Identifier: MIT
#include "base/ErrorInfo.h"

#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>

#include "platform/FileSystem.h"

namespace quarnel {

QuarnelError::QuarnelError(int32_t number, std::string description, std::string source)
    : number_(number), description_(std::move(description)), source_(std::move(source)) {}

std::string DefaultDescription(int32_t number) {
    switch (number) {
        case ErrNo::InvalidProcedureCall:
            return "Invalid procedure call or argument";
        case ErrNo::Overflow:
            return "Overflow";
        case ErrNo::OutOfMemory:
            return "Out of memory";
        case ErrNo::SubscriptOutOfRange:
            return "Subscript out of range";
        case ErrNo::TypeMismatch:
            return "Type mismatch";
        case ErrNo::FileNotFound:
            return "File not found";
        case ErrNo::DeviceIOError:
            return "Device I/O error";
        case ErrNo::DiskFull:
            return "Disk full";
        case ErrNo::PermissionDenied:
            return "Permission denied";
        case ErrNo::PathFileAccessError:
            return "Path/File access error";
        case ErrNo::PathNotFound:
            return "Path not found";
        case ErrNo::ObjectNotSet:
            return "Object variable or With block variable not set";
        case ErrNo::DuplicateKey:
            return "This key is already associated with an element of this collection";
        default:
            return "Application-defined or object-defined error";
    }
}

void RaiseError(int32_t number) {
    throw QuarnelError(number, DefaultDescription(number));
}

void RaiseError(int32_t number, std::string description, std::string source) {
    throw QuarnelError(number, std::move(description), std::move(source));
}

QuarnelError ErrorFromErrno(int errnoValue) {
    int32_t number;
    switch (platform::IsDiskFullError(errnoValue) ? ENOSPC : errnoValue) {
        case ENOENT:
            number = ErrNo::PathNotFound;
            break;
        case ENOSPC:
            number = ErrNo::DiskFull;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            number = ErrNo::PermissionDenied;
            break;
        case EIO:
            number = ErrNo::DeviceIOError;
            break;
        default:
            number = ErrNo::PathFileAccessError;
            break;
    }
    return QuarnelError(number, DefaultDescription(number));
}

std::string ErrorText(const QuarnelError& error) {
    std::string text = "[";
    text += std::to_string(error.Number());
    text += "] ";
    text += error.Description();
    text += " (";
    text += error.Source();
    text += ")";
    return text;
}

std::string ErrorText() {
    std::exception_ptr pending = std::current_exception();
    if (!pending) return "";
    try {
        std::rethrow_exception(pending);
    } catch (const QuarnelError& e) {
        return ErrorText(e);
    } catch (const std::bad_alloc&) {
        return ErrorText(QuarnelError(ErrNo::OutOfMemory, DefaultDescription(ErrNo::OutOfMemory)));
    } catch (const std::filesystem::filesystem_error& e) {
        QuarnelError mapped = ErrorFromErrno(e.code().value());
        return ErrorText(mapped);
    } catch (const std::exception& e) {
        return ErrorText(QuarnelError(ErrNo::InvalidProcedureCall, e.what()));
    } catch (...) {
        return ErrorText(QuarnelError(ErrNo::InvalidProcedureCall,
                                      DefaultDescription(ErrNo::InvalidProcedureCall)));
    }
}

}  // namespace quarnel
