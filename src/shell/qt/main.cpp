// SPDX-License-Identifier: MIT
// quarnel: starts the program and runs until it is asked to end.
#include <cstdio>
#include <string_view>

#include "platform/Locale.h"
#include "shell/qt/QtProgram.h"

namespace {

constexpr const char* kHelpEnglish =
    "usage: quarnel [extended]\n"
    "Reads an OPN-2001 pocket barcode scanner when it is plugged in, turns its\n"
    "barcodes into an order and sends the order to the web shop. Quarnel lives in\n"
    "the desktop's tray; its menu holds the settings.\n"
    "  extended   also trace the details (-extended or /EXTENDED too, in any case)\n"
    "  --help     show this text and end\n"
    "  --version  show the version and end\n"
    "See quarnel(1).\n";

constexpr const char* kHelpDutch =
    "gebruik: quarnel [extended]\n"
    "Leest een OPN-2001-zakscanner uit zodra die wordt aangesloten, maakt van de\n"
    "barcodes een bestelling en stuurt die naar de webshop. Quarnel staat in het\n"
    "systeemvak; in het menu staan de instellingen.\n"
    "  extended   ook de details in het logboek schrijven (ook -extended of\n"
    "             /EXTENDED, in hoofd- of kleine letters)\n"
    "  --help     deze tekst tonen en stoppen\n"
    "  --version  de versie tonen en stoppen\n"
    "Zie quarnel(1).\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before any Qt object exists, so that they need no display. Any
    // other command line keeps its meaning.
    const std::string_view only = argc == 2 ? argv[1] : "";
    if (only == "--version") {
        std::printf("quarnel %s\n", QUARNEL_VERSION);
        return 0;
    }
    if (only == "--help") {
        const bool dutch = quarnel::platform::UserLanguage() == quarnel::platform::Language::Dutch;
        std::fputs(dutch ? kHelpDutch : kHelpEnglish, stdout);
        return 0;
    }
    return quarnel::qt::RunProgram(argc, argv);
}
