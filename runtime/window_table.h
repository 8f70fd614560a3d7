// The window table that the kernel owns for the life of the process: the form
// archive as read at start-up, kept as stored so that record fields are read
// and written in place. Reading it and walking its records is the form
// engine's (forms/archive.h); the kernel keeps the table and asks the engine
// through its hooks (runtime/win32/kernel.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantor {

struct WindowRecord {
    // The stored window header's attributes A and B and texts A and B: read and
    // kept with the window (and written back); nothing in the program interprets them.
    uint32_t attr_a = 0;
    uint32_t attr_b = 0;
    std::string text_a;
    std::string text_b;
    uint32_t unit_count = 0;
    std::vector<uint8_t> units;    // live unit table, changed in place by property writes
    std::vector<uint8_t> snapshot; // copy of `units` while the window is loaded
    void* object = nullptr;        // the loaded window object, null while none
};

struct WindowTable {
    std::vector<uint32_t> ids; // ids[i] names windows[i]
    std::vector<WindowRecord> windows;
};

} // namespace vantor
