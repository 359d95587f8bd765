// SPDX-License-Identifier: MIT
// The read-out text file of a read session.
#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "base/TraceLog.h"
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

bool IsTwoDigits(int value) {
    return value >= 0 && value <= 99;
}

char* PutTwoDigits(char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10);
    at[1] = static_cast<char>('0' + value % 10);
    return at + 2;
}

// "yyyy-mm-dd hh:nn:ss"; built in place since it runs once per barcode.
void AppendTimeStamp(std::string& out, const DateTime& t, const std::string& sep) {
    const bool plain = t.year >= 0 && t.year <= 9999 && IsTwoDigits(t.month) &&
                       IsTwoDigits(t.day) && IsTwoDigits(t.hour) && IsTwoDigits(t.minute) &&
                       IsTwoDigits(t.second) && sep.size() == 1;
    if (!plain) {
        out += Pad(t.year, 4) + "-" + Pad(t.month, 2) + "-" + Pad(t.day, 2) + " " + Pad(t.hour, 2) +
               sep + Pad(t.minute, 2) + sep + Pad(t.second, 2);
        return;
    }
    char text[19];
    char* at = PutTwoDigits(PutTwoDigits(text, t.year / 100), t.year % 100);
    *at++ = '-';
    at = PutTwoDigits(at, t.month);
    *at++ = '-';
    at = PutTwoDigits(at, t.day);
    *at++ = ' ';
    at = PutTwoDigits(at, t.hour);
    *at++ = sep[0];
    at = PutTwoDigits(at, t.minute);
    *at++ = sep[0];
    PutTwoDigits(at, t.second);
    out.append(text, sizeof text);
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
