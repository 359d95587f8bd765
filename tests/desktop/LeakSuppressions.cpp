// SPDX-License-Identifier: MIT
// Fontconfig keeps caches that Qt's font database never hands back; they
// are not the program's leaks.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
