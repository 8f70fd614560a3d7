// The runtime of a form engine test program: the test archive read into the
// window table through the kernel's own start-up, the test kinds registered,
// and handler routines reached through a code base as the application's are.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/descriptor.h"
#include "tests/support/win32.h"

namespace vantor::testing {

// Window and unit ids of tests/support/forms_test.form.
namespace ids {
inline constexpr uint32_t Order = 0x52010021, OrderW = 0x06010021, OrderA = 0x16010022,
                          OrderB = 0x16010023, OrderC = 0x16010024;
inline constexpr uint32_t Main = 0x52010011, MainW = 0x06010011;
inline constexpr uint32_t MainA = 0x16010012, MainB = 0x16010013, MainC = 0x16010014,
                          MainD = 0x16010015, MainP = 0x16010016, MainQ = 0x16010017,
                          MainR = 0x16010018, MainG = 0x16010019, MainH = 0x1601001A,
                          MainI = 0x1601001B, MainX = 0x1601001C, MainT = 0x1601001D,
                          MainF = 0x1601001E, MainS = 0x1601001F;
inline constexpr uint32_t Modal = 0x52010031, ModalW = 0x06010031, ModalA = 0x16010032;
inline constexpr uint32_t BrokenUnit = 0x52010041;  // a unit whose creation fails
inline constexpr uint32_t UnknownKind = 0x52010051; // a unit of a kind without type
inline constexpr uint32_t NoRoutine = 0x52010061;   // a unit of a type without routines
inline constexpr uint32_t Later = 0x52010071, LaterW = 0x06010071; // stored not visible
inline constexpr uint32_t Events = 0x52010081, EventsW = 0x06010081;
inline constexpr uint32_t EvA = 0x16010082, EvChain1 = 0x16010083, EvChain2 = 0x16010084,
                          EvOtherKind = 0x16010085, EvLoop1 = 0x16010086, EvLoop2 = 0x16010087,
                          EvUnbound = 0x16010088, EvMute = 0x16010089, EvWords = 0x1601008A;
inline constexpr uint32_t Missing = 0x52019999;
} // namespace ids

// Handler offsets from the code base (the `handler` lines of the form source).
// Each handler logs "<unit> event <n>" and then calls the event hook.
// Event 7 and the words handler also record their arguments.
extern std::function<void(uint32_t window_id, uint32_t unit_id, int32_t event)> g_event_hook;
extern uint32_t g_words[12]; // arguments of the last call of the words handler

// Reads `archive_path` and runs the kernel's start-up over it (once per
// process), with the form engine installed and the test kinds registered.
// Runtime errors then print and abort instead of showing a box.
void start_runtime(const char* archive_path, bool keep_error_box = false);
// The descriptor start-up used; run_program needs it in child programs.
const ProgramDescriptor& test_descriptor();
// Prepares the descriptor without starting the runtime.
void prepare_runtime(const char* archive_path);

// Destroys every loaded window and takes away WM_QUIT; the log is cleared.
void close_all_windows();

// Load window through the load command, as application code does.
bool load(uint32_t window_id, bool modal = false, uint32_t owner_window = 0);

uint64_t read(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member = -1);
void write(uint32_t window_id, uint32_t unit_id, int32_t index, uint32_t low, uint32_t high = 0,
           int32_t member = -1);
// Reads a text property and frees the returned copy.
std::string read_text(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member = -1);

HWND handle_of(uint32_t window_id, uint32_t unit_id);

// The form engine tests' fixture: the runtime started once per program over
// the test archive, every window closed before and after each test, and the
// kernel back at rest afterwards (no event lock, modal window or event window).
class FormsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { start_runtime(VANTOR_FORMS_TEST_ARCHIVE); }
    void SetUp() override { close_all_windows(); }
    void TearDown() override;
};

} // namespace vantor::testing
