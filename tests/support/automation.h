// Probe programs (test programs on the runtime that log what they see) and
// their runs, started and answered through the automation driver; file and
// line helpers.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vantor::testing {

// Reads a whole file; empty when missing.
std::string read_file(const std::string& path);

// Splits text into lines (CR/LF removed).
std::vector<std::string> lines_of(const std::string& text);

// One run of a probe program (a test program on the runtime that logs to
// "<program>.<mode>.log" next to itself): its exit code, its log, and the text
// of the error box captioned "错误" when one was expected and shown.
struct ProbeRun {
    bool started = false;
    bool box_found = false;
    DWORD exit_code = 0;
    std::vector<std::string> log;
    std::string box_text;
};
// Runs "<program>.exe <mode> <extra>" from the test programs' directory; with
// `expect_box`, waits for the error box, records its text and presses OK.
ProbeRun run_probe(const std::string& program, const std::string& mode, bool expect_box,
                   const std::string& extra = "");
// In a probe program: sets `mode` to its first argument (else `fallback`) and
// opens the log it writes in that mode, "<program>.<mode>.log" next to it,
// anew; false when it cannot be created. probe_line then writes one
// printf-style line to it, flushed at once.
bool open_probe_log(const char* program, int argc, char** argv, const char* fallback,
                    std::string& mode);
void probe_line(const char* format, ...);

// The lines joined with line feeds, for failure messages.
std::string joined(const std::vector<std::string>& lines);

// The bytes of a text in hexadecimal, space-separated ("D2 B9"), or "(empty)":
// GBK texts compared in failure messages that a terminal cannot show.
std::string hex_bytes(const std::string& bytes);

// The system code page that the language the tests were started with
// (VANTOR_LANG, tools/wine-env.sh) gives: 1252 for en_US, 950 for zh_TW, else 936.
unsigned expected_code_page();

} // namespace vantor::testing
