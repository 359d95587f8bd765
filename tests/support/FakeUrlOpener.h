// SPDX-License-Identifier: MIT
// A URL opener that records what it was asked to open and answers as told.
// Header-only.
#pragma once

#include <string>
#include <vector>

#include "platform/UrlOpener.h"

namespace quarnel::test {

class FakeUrlOpener : public platform::UrlOpener {
  public:
    explicit FakeUrlOpener(int32_t result = platform::SE_OPENED) : result_(result) {}

    int32_t ShellExecuteA(const std::string& operation, const std::string& file, const std::string&,
                          const std::string&, int32_t) override {
        operations.push_back(operation);
        urls.push_back(file);
        return result_;
    }

    std::vector<std::string> operations;
    std::vector<std::string> urls;

  private:
    int32_t result_;
};

}  // namespace quarnel::test
