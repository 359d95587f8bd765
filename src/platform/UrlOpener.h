// SPDX-License-Identifier: MIT
// Opening a document or a web address with the user's default program, with
// the arguments and result of the Windows shell's ShellExecuteA.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Windows.h"

namespace quarnel::platform {

// Results of 32 or less are failures.
#ifndef SE_ERR_FNF
inline constexpr int32_t SE_ERR_FNF = 2;  // the opener program is missing
#endif
#ifndef SE_ERR_NOASSOC
inline constexpr int32_t SE_ERR_NOASSOC = 31;  // the opener reported a failure
#endif
#ifndef SE_ERR_OOM
inline constexpr int32_t SE_ERR_OOM = 8;  // the opener could not be started
#endif
#ifndef SE_OPENED
inline constexpr int32_t SE_OPENED = 42;  // any value above 32 is success
#endif

#ifndef SW_HIDE
inline constexpr int32_t SW_HIDE = 0;
#endif

class UrlOpener {
  public:
    virtual ~UrlOpener() = default;

    // operation "open" with file a URL; a result above 32 means that the
    // page is being opened.
    virtual int32_t ShellExecuteA(const std::string& operation, const std::string& file,
                                  const std::string& parameters, const std::string& directory,
                                  int32_t showCommand) = 0;
};

// The desktop's opener. It waits up to waitLimit for the opener program to
// report; one still running then is taken as showing the page. The wait
// blocks the caller, so it is kept short.
std::shared_ptr<UrlOpener> SystemUrlOpener(
    std::chrono::milliseconds waitLimit = std::chrono::seconds(3));

}  // namespace quarnel::platform
