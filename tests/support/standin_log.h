// The stand-in emulator's log: one line per event, appended by every
// stand-in process and read by the tests. The file is UTF-8; entries read
// back hold GBK texts, as the launcher's are (code page 936 named, whatever
// the system's).
//   <ms>\t<pid>\t<event>\t<fields>
// ms: a clock shared by all processes of the machine (now_ms); events: start
// (exe= flags= show= cmd=<command line to the end>), window (hwnd= visible=
// iconic= zoomed= title=<title to the end>), exit (code=).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/clock.h"

namespace vantor::testing {

// Appends one line to `path`; the appends of all processes are serialised,
// so lines of processes that log at the same time neither mix nor get lost.
void append_log_line(const std::string& path, const std::string& event, const std::wstring& fields);

// Title of the stand-in's window for a command line: 夜神模拟器 followed by the
// digits after " -clone:Nox_", or 夜神模拟器 alone without them.
std::string standin_title(const char* command_line);

struct LogEntry {
    double ms = 0;
    uint32_t pid = 0;
    std::string event;
    std::string fields;
    // Value of "key=" up to the next blank; empty when missing.
    std::string field(const char* key) const;
    // Value of "key=" to the end of the line (cmd, title).
    std::string rest(const char* key) const;
};

// Entries of a log file in order; malformed lines are skipped.
std::vector<LogEntry> read_log(const std::string& path);

// The entries of one event kind, in order.
std::vector<LogEntry> entries_of(const std::vector<LogEntry>& log, const char* event);

} // namespace vantor::testing
