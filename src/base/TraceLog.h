// SPDX-License-Identifier: MIT
// The trace log: one line per entry, appended to the file the settings name.
//
// Entries are written through the helpers below, one per kind of entry, so
// that every caller produces the same line shapes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "base/DateTime.h"

namespace quarnel {

// What the trace log reads afresh for every entry.
class TraceSettings {
  public:
    virtual ~TraceSettings() = default;
    virtual std::string TraceFile() const = 0;
    virtual bool TraceEvents() const = 0;
};

namespace trace_internal {
// The flag behind ExtendedLogging, read inline so that a detail entry costs
// a single test while extended logging is off.
extern bool extendedLogging;
bool Wanted(bool detail);
// Writes a detail entry made of the parts, if detail entries are wanted.
void WriteDetail(std::initializer_list<std::string_view> parts);
}  // namespace trace_internal

// The process-wide extended-logging flag: detail entries are written only
// while it is on. Never stored.
inline bool ExtendedLogging() {
    return trace_internal::extendedLogging;
}
void SetExtendedLogging(bool on);

// Installs the shared settings object the log reads; nullptr stops tracing.
void SetTraceSettings(std::shared_ptr<const TraceSettings> settings);

// Writes one entry; never fails towards its caller.
void WriteTrace(std::string_view message, bool detail = false, bool blankLine = false);

// The line as written (without line end): "dd-mm-yyyy hh:nn:ss", TAB, two
// blanks for a detail entry, the message with each CR LF turned into a blank.
std::string FormatTraceLine(const DateTime& when, std::string_view message, bool detail);

// Whether an entry of that kind would be written now, so that callers can
// skip building expensive messages.
inline bool TraceEnabled(bool detail) {
    if (detail && !ExtendedLogging()) return false;
    return trace_internal::Wanted(detail);
}

// Values inside entries are plain text.
std::string TraceValue(bool value);
std::string TraceValue(const DateTime& value);  // the user's short date-time form
inline std::string TraceValue(int32_t value) {
    return std::to_string(value);
}
inline std::string TraceValue(int64_t value) {
    return std::to_string(value);
}
inline std::string TraceValue(uint32_t value) {
    return std::to_string(value);
}
inline std::string TraceValue(const std::string& value) {
    return value;
}
inline std::string TraceValue(const char* value) {
    return value;
}

namespace trace {

// Event entry: progress and outcome messages.
void Event(std::string_view message);
// Error entry: what was being done, followed by the text of the failure
// being handled. Call it inside the catch block.
void Error(std::string_view what);
// Error entry that the caller marks as a detail entry.
void DetailError(std::string_view what);
// Detail entry with a free message, for lines that follow no pattern.
void Detail(std::string_view message);

// The detail entries below cost one test while extended logging is off.

// "Entering " + where, and " (" + args + ")" when args is not empty.
inline void Entering(std::string_view where, std::string_view args = {}) {
    if (!ExtendedLogging()) return;
    if (args.empty()) {
        trace_internal::WriteDetail({"Entering ", where});
    } else {
        trace_internal::WriteDetail({"Entering ", where, " (", args, ")"});
    }
}
// "Exiting " + where.
inline void Exiting(std::string_view where) {
    if (ExtendedLogging()) trace_internal::WriteDetail({"Exiting ", where});
}
// "Exiting " + where + " (=" + result + ")".
inline void ExitingWith(std::string_view where, std::string_view result) {
    if (ExtendedLogging()) trace_internal::WriteDetail({"Exiting ", where, " (=", result, ")"});
}
// "Handling " + where.
inline void Handling(std::string_view where) {
    if (ExtendedLogging()) trace_internal::WriteDetail({"Handling ", where});
}
// "Property Get " + name + " (=" + value + ")".
inline void PropertyGet(std::string_view name, std::string_view value) {
    if (ExtendedLogging()) trace_internal::WriteDetail({"Property Get ", name, " (=", value, ")"});
}
// "Property Let " + name + " (" + value + ")".
inline void PropertyLet(std::string_view name, std::string_view value) {
    if (ExtendedLogging()) trace_internal::WriteDetail({"Property Let ", name, " (", value, ")"});
}
// "Initializing " / "Terminating " + className + " object".
inline void Initializing(std::string_view className) {
    if (ExtendedLogging()) trace_internal::WriteDetail({"Initializing ", className, " object"});
}
inline void Terminating(std::string_view className) {
    if (ExtendedLogging()) trace_internal::WriteDetail({"Terminating ", className, " object"});
}
// "Calling API " + name + "..." and the result line name + " = " + result.
inline void CallingApi(std::string_view name) {
    if (ExtendedLogging()) trace_internal::WriteDetail({"Calling API ", name, "..."});
}
inline void ApiResult(std::string_view name, std::string_view result) {
    if (ExtendedLogging()) trace_internal::WriteDetail({name, " = ", result});
}
// "Raising event " + name.
inline void RaisingEvent(std::string_view name) {
    if (ExtendedLogging()) trace_internal::WriteDetail({"Raising event ", name});
}

}  // namespace trace

// "Name = value" pairs joined by ", ", for the argument part of Entering.
std::string TraceArgs(std::initializer_list<std::pair<std::string_view, std::string>> pairs);

}  // namespace quarnel
