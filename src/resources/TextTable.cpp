// SPDX-License-Identifier: MIT
#include "resources/TextTable.h"

#include <algorithm>
#include <array>

namespace quarnel::resources {

namespace {

struct TextEntry {
    int id;
    const char* english;
    const char* dutch;
};

// Sorted by id.
constexpr std::array<TextEntry, 84> kTexts = {{
    {101, "Ok", "Ok"},
    {102, "Cancel", "Annuleren"},
    {103, "Info", "Info"},
    {104, "Program version", "Programmaversie"},
    {105, "DLL Version", "DLL Versie"},
    {106, "Copyright \u00A9 2026 Quarnel developers. Released under the MIT licence; see the file",
     "Copyright \u00A9 2026 Quarnel-ontwikkelaars. Uitgegeven onder de MIT-licentie; zie het "
     "bestand"},
    {107, QUARNEL_POWERED_BY_EN, QUARNEL_POWERED_BY_NL},
    {108, "Good", "Goed"},
    {109, "Low", "Laag"},
    {110, "Scanner information", "Scannergegevens"},
    {111, "Scanner", "Scanner"},
    {112, "Scanner ID", "Scanner ID"},
    {113, "Software version", "Softwareversie"},
    {114, "Protocol version", "Protocolversie"},
    {115, "Battery level", "Batterijniveau"},
    {116, "The scanner is no longer available.", "De scanner is niet langer beschikbaar."},
    {117, "Enable beeper", "Pieptoon inschakelen"},
    {118, "Reset factory defaults", "Fabrieksinstellingen herstellen"},
    {119, "Choose the folder in which to store read barcodes.",
     "Kies de map waarin ingelezen barcodes worden opgeslagen."},
    {120, "Choose the folder in which to save orders.",
     "Kies de map waarin bestellingen worden opgeslagen."},
    {121, "First product, then quantity", "Eerst product, dan hoeveelheid"},
    {122, "First quantity, then product", "Eerst hoeveelheid, dan product"},
    {123, "Settings", "Instellingen"},
    {124, "Automatically save read barcodes in:", "Ingelezen barcodes automatisch opslaan in:"},
    {125, "Automatically save generated orders in:",
     "Gegenereerde bestellingen automatisch opslaan in:"},
    {126, "Automatically start Quarnel", "Quarnel automatisch opstarten"},
    {127, "Exteded logging", "Uitgebreide logging"},
    {128, "Manner of scanning ordering quantity", "Wijze van scannen van bestelhoeveelheid"},
    {129, "The barcodes could not be saved in '<<1>>'.",
     "De barcodes konden niet worden ingeslagen in '<<1>>'."},
    {130, "Make sure you have writing permissions and that this folder exists.",
     "Controleer of u schrijfrechten heeft en of de map bestaat."},
    {131, "The order could not be saved in '<<1>>'.",
     "De bestelling kon niet worden opgeslagen in '<<1>>'."},
    {132, "The scanner contains no scanned data", "De scanner bevat geen gescande gegevens"},
    {133, "Resend saved order", "Opgeslagen bestelling versturen"},
    {134, "CSV (separated by listseparator) (*.csv)",
     "CSV (gescheiden door lijstscheidingsteken) (*.csv)"},
    {135, "The file '<<1>>' could not be processed.",
     "Het bestand '<<1>>' kon niet worden ingelezen."},
    {136, "The order could not be sent!", "De bestelling kon niet worden verzonden!"},
    {137, "The order is saved as '<<1>>'.", "De bestelling is opgeslagen als '<<1>>'."},
    {138, "You can manually resend this order by choosing '<<1>>'.",
     "U kunt deze bestelling handmatig versturen middels '<<1>>'."},
    {139,
     "Would you like to save this order? Saved orders can be manually resend later by choosing "
     "'<<1>>'.",
     "Wilt u de bestelling opslaan, zodat u deze later alsnog kunt verzenden via '<<1>>'?"},
    {140, "Save order", "Bestelling opslaan"},
    {141, "All files (*.*)", "Alle bestanden (*.*)"},
    {142, "Read scanner data now", "Scanner nu uitlezen"},
    {143, "Scanner settings", "Scannerinstellingen"},
    {144, "Exit", "Afsluiten"},
    {145, "Connected to scanner", "Verbonden met scanner"},
    {146, "Connection lost...", "Verbinding verbroken..."},
    {147, "An unexpected error occurred.", "Een onverwachte fout is opgetreden."},
    {148, "Order page could not be opened...", "Bestelpagina kon niet worden geopend..."},
    {149,
     "The order is generated with order number '<<1>>'. Please log on to the order page to "
     "complete your order.",
     "De bestelling is gegenereerd onder nummer '<<1>>'. Om uw bestelling af te ronden dient u op "
     "de bestelpagina in te loggen."},
    {150, "Reading saved order...", "Opgeslagen bestelling uitlezen..."},
    {151, "page '<<1>>' not available", "pagina '<<1>>' is niet beschikbaar"},
    {152, "information could not be sent", "informatie kon niet worden verstuurd"},
    {153, "Reading barcode data...", "Barcodegegevens uitlezen..."},
    {154, "General", "Algemeen"},
    {155, "Autosave", "Automatisch opslaan"},
    {156, "Trace file", "Trace file"},
    {157, "Log events in a trace file", "Gebeurtenissen loggen in een trace file"},
    {158, "Error while reading scanned data", "Fout tijdens het ophalen van de gescande gegevens"},
    {159, "Generating order...", "Bestelling genereren..."},
    {160, "Sending order...", "Bestelling verzenden..."},
    {161, "Order sent succesfully", "Bestelling succesvol verzonden"},
    {162, "Save trace file as...", "Trace file opslaan als..."},
    {163, "Log files (*.log)", "Logbestanden (*.log)"},
    {164, "Identification webshop", "Identificatie webshop"},
    {165, "Debtor", "Debiteur"},
    {166, "User", "Gebruiker"},
    {167, "Password", "Wachtwoord"},
    {168, "Proxy settings", "Proxy-instelling"},
    {169, "Enable proxy server for internet connections",
     "Proxyserver voor internetverbindingen inschakelen"},
    {170, "Address", "Adres"},
    {171, "Port", "Poort"},
    {172,
     "Invalid webshop identification. Please correct your identification settings in this "
     "program's configuration.",
     "Ongeldige identificatie webshop. Pas uw identificatiegegevens aan in de instellingen van dit "
     "programma."},
    {173, "Failed to apply some settings", "Sommige instellingen konden niet worden toegepast"},
    {174, "Copy date and time settings from the computer",
     "Datum en tijd instellingen van de computer overnemen"},
    {175,
     "The barcodes could not be stored safely in '<<1>>'. The scanner was not emptied: its "
     "barcodes are still in it.",
     "De barcodes konden niet veilig worden opgeslagen in '<<1>>'. De scanner is niet geleegd: de "
     "barcodes staan er nog in."},
    {176, "The order was not sent. It is kept as '<<1>>'; choose '<<2>>' to send it later.",
     "De bestelling is niet verzonden. Ze is bewaard als '<<1>>'; kies '<<2>>' om ze later te "
     "versturen."},
    {177, "<<1>> barcode(s) could not be read.", "<<1>> barcode(s) konden niet worden gelezen."},
    {178, "The scanner could not be emptied; its barcodes will be read again next time.",
     "De scanner kon niet worden geleegd; de barcodes worden de volgende keer opnieuw gelezen."},
    {179, "These barcodes were already sent as order <<1>>.",
     "Deze barcodes zijn al verzonden als bestelling <<1>>."},
    {180, "The barcodes could not be saved as '<<1>>'.",
     "De barcodes konden niet worden opgeslagen als '<<1>>'."},
    {181, "The order could not be saved as '<<1>>'.",
     "De bestelling kon niet worden opgeslagen als '<<1>>'."},
    {182, "<<1>> unsent order(s) waiting in '<<2>>'. Choose '<<3>>' to send them.",
     "<<1>> niet verzonden bestelling(en) wachten in '<<2>>'. Kies '<<3>>' om ze te versturen."},
    {183, "Unsent order waiting", "Niet verzonden bestelling wacht"},
    {190,
     "'<<1>>' contains characters the web shop cannot receive. Please use only letters, digits "
     "and signs of Western European languages.",
     "'<<1>>' bevat tekens die de webshop niet kan ontvangen. Gebruik alleen letters, cijfers en "
     "tekens van West-Europese talen."},
}};

}  // namespace

const char* LookupText(int id, platform::Language language) {
    auto it = std::lower_bound(kTexts.begin(), kTexts.end(), id,
                               [](const TextEntry& entry, int key) { return entry.id < key; });
    if (it == kTexts.end() || it->id != id) return nullptr;
    return language == platform::Language::Dutch ? it->dutch : it->english;
}

}  // namespace quarnel::resources
