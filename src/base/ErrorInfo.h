// SPDX-License-Identifier: MIT
// Failures as the program reports them: a number, a description and the
// name of the component that raised it.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace quarnel {

// Classic runtime-error numbers used for the program's own failures.
namespace ErrNo {
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t DeviceIOError = 57;
inline constexpr int32_t DiskFull = 61;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t PathFileAccessError = 75;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t ObjectNotSet = 91;
inline constexpr int32_t DuplicateKey = 457;
}  // namespace ErrNo

inline constexpr const char* kAppTitle = "Quarnel";

class QuarnelError : public std::exception {
  public:
    QuarnelError(int32_t number, std::string description, std::string source = kAppTitle);

    int32_t Number() const { return number_; }
    const std::string& Description() const { return description_; }
    const std::string& Source() const { return source_; }
    const char* what() const noexcept override { return description_.c_str(); }

  private:
    int32_t number_;
    std::string description_;
    std::string source_;
};

// The standard description of one of the numbers above ("Subscript out of range").
std::string DefaultDescription(int32_t number);

[[noreturn]] void RaiseError(int32_t number);
[[noreturn]] void RaiseError(int32_t number, std::string description,
                             std::string source = kAppTitle);

// Turns a C library errno into the matching failure (53, 61, 70, 75, 76, 57).
QuarnelError ErrorFromErrno(int errnoValue);

// "[" number "] " description " (" source ")" of the failure being handled,
// that is of the exception whose catch block is running; "" outside one.
// Other exceptions are mapped: std::bad_alloc to 7, anything else to 5.
std::string ErrorText();

// The same text for a given failure.
std::string ErrorText(const QuarnelError& error);

}  // namespace quarnel
