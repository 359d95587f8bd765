// The read-out text file of a read session.
#include "app/Ansi.h"
#include "app/ErrorInfo.h"
#include "app/TraceLog.h"
#include "model/Limits.h"
#include "model/TextFileWriter.h"
#include "model/clsReadSession.h"
#include "platform/Locale.h"

namespace quarnel {

namespace {

constexpr size_t kSymbologyWidth = 9;

// "dddd dd mmmm yyyy "at" hh:nn:ss" in the user's language.
std::string LongSessionDate(const DateTime& d, platform::Language language) {
    const std::string sep = TimeSeparator(language);
    return WeekdayName(d.Weekday(), language) + " " + Pad(d.day, 2) + " " +
           MonthName(d.month, language) + " " + Pad(d.year, 4) + " at " + Pad(d.hour, 2) + sep +
           Pad(d.minute, 2) + sep + Pad(d.second, 2);
}

void AppendTwoDigits(std::string& out, int value) {
    if (value < 0 || value > 99) {
        out += Pad(value, 2);
        return;
    }
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

// "yyyy-mm-dd hh:nn:ss"; built by hand since it runs once per barcode.
void AppendTimeStamp(std::string& out, const DateTime& t, const std::string& sep) {
    if (t.year >= 0 && t.year <= 9999) {
        AppendTwoDigits(out, t.year / 100);
        AppendTwoDigits(out, t.year % 100);
    } else {
        out += Pad(t.year, 4);
    }
    out += '-';
    AppendTwoDigits(out, t.month);
    out += '-';
    AppendTwoDigits(out, t.day);
    out += ' ';
    AppendTwoDigits(out, t.hour);
    out += sep;
    AppendTwoDigits(out, t.minute);
    out += sep;
    AppendTwoDigits(out, t.second);
}

}  // namespace

bool clsReadSession::SaveToFile(const std::string& filename) const {
    if (TraceEnabled(true)) {
        trace::Entering("clsReadSession.SaveToFile", TraceArgs({{"Filename", filename}}));
    }
    try {
        WriteFile(filename);
    } catch (...) {
        trace::Error("Error saving read session to file '" + filename + "': ");
        return false;
    }
    trace::ExitingWith("clsReadSession.SaveToFile", TraceValue(true));
    return true;
}

void clsReadSession::WriteFile(const std::string& filename) const {
    const platform::Language language = platform::UserLanguage();
    const std::string sep = TimeSeparator(language);
    TextFileWriter file(filename);

    file.Write(std::to_string(barcodes_.Count()) + " Barcode(s) read on " +
               LongSessionDate(sessionDate_, language) + " from " +
               (deviceID_.empty() ? std::string("unknown device") : "device " + deviceID_) + ".");
    file.EndLine();
    file.EndLine();
    file.Write("Scan date/time     \tSymbology\tBarcode");
    file.EndLine();

    if (barcodes_.Count() > kMaxCountedRows) RaiseError(ErrNo::Overflow);
    std::string row;
    // Symbologies repeat from row to row: convert and pad each run once.
    const std::string* lastSymbology = nullptr;
    std::string paddedSymbology;
    for (const std::shared_ptr<clsBarcode>& barcode : barcodes_.Items()) {
        if (lastSymbology == nullptr || *lastSymbology != barcode->symbology_) {
            lastSymbology = &barcode->symbology_;
            // Padded or cut to the width in the file's one-byte characters.
            paddedSymbology = Utf8ToAnsi(barcode->symbology_);
            paddedSymbology.resize(kSymbologyWidth, ' ');
        }
        row.clear();
        AppendTimeStamp(row, barcode->timeStamp_, sep);
        row += '\t';
        row += paddedSymbology;
        row += '\t';
        file.WriteBytes(row);
        file.Write(barcode->barcode_);
        file.EndLine();
    }
    file.Close();
}

}  // namespace quarnel
