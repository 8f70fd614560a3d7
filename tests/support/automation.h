// Test automation helpers for Windows programs under Wine: start a program,
// find its windows, read and dismiss message boxes, wait for exit.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vantor::testing {

struct Process {
    HANDLE process = nullptr;
    DWORD pid = 0;
    ~Process();
    // Waits up to `ms`; returns the exit code, or STILL_ACTIVE (259) on time-out.
    DWORD wait(DWORD ms);
    void kill();
};

// Starts `command_line` (ANSI); false when it cannot be started.
bool start_process(const std::string& command_line, Process& out);

// First visible top-level window of process `pid` whose caption is `caption`
// (null matches any); polls up to `ms`.
HWND find_top_window(DWORD pid, const char* caption, DWORD ms);

// Text of a message box: its static control with id 0xFFFF.
std::string message_box_text(HWND box);

// Presses the button with `id` of a dialog (IDOK = 1).
void press_button(HWND dialog, int id);

// Directory of the running test program, with a trailing backslash.
std::string program_directory();

// Reads a whole file; empty when missing.
std::string read_file(const std::string& path);

// Splits text into lines (CR/LF removed).
std::vector<std::string> lines_of(const std::string& text);

}  // namespace vantor::testing
