// SPDX-License-Identifier: MIT
// Opens the order page with the shell's ShellExecuteA, which hands the URL
// to the user's browser and answers at once.
#include <cstdint>

#include "base/Ansi.h"
#include "platform/UrlOpener.h"
#include "platform/Windows.h"

#include <shellapi.h>

namespace quarnel::platform {

namespace {

// Empty texts reach the shell as null: "no parameters", "the current folder".
const char* OrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

class ShellExecuteUrlOpener final : public UrlOpener {
  public:
    int32_t ShellExecuteA(const std::string& operation, const std::string& file,
                          const std::string& parameters, const std::string& directory,
                          int32_t showCommand) override {
        // Only web pages: a document or program name would be started.
        if (!IsWebAddress(file)) return SE_ERR_FNF;
        const std::string ansiOperation = Utf8ToAnsi(operation);
        const std::string ansiFile = Utf8ToAnsi(file);
        const std::string ansiParameters = Utf8ToAnsi(parameters);
        const std::string ansiDirectory = Utf8ToAnsi(directory);
        const HINSTANCE result =
            ::ShellExecuteA(nullptr, OrNull(ansiOperation), ansiFile.c_str(),
                            OrNull(ansiParameters), OrNull(ansiDirectory), showCommand);
        // The result is a number in a handle's clothes; above 32 is success.
        const auto code = reinterpret_cast<intptr_t>(result);
        return code > 32 ? static_cast<int32_t>(code > INT32_MAX ? SE_OPENED : code)
                         : static_cast<int32_t>(code);
    }

  private:
    static bool IsWebAddress(const std::string& file) {
        auto startsWith = [&file](const char* prefix) {
            for (size_t i = 0; prefix[i] != '\0'; ++i) {
                if (i >= file.size()) return false;
                char c = file[i];
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
                if (c != prefix[i]) return false;
            }
            return true;
        };
        return startsWith("http://") || startsWith("https://");
    }
};

}  // namespace

// ShellExecuteA returns once the browser has the address: no wait is needed.
std::shared_ptr<UrlOpener> SystemUrlOpener(std::chrono::milliseconds) {
    return std::make_shared<ShellExecuteUrlOpener>();
}

}  // namespace quarnel::platform
