#include "tests/support/forms_harness.h"

#include <cstdio>
#include <vector>

#include "forms/archive.h"
#include "forms/load_command.h"
#include "forms/record.h"
#include "forms/win32/engine.h"
#include "runtime/allocator.h"
#include "runtime/call.h"
#include "runtime/fatal.h"
#include "runtime/win32/interface.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/kernel_access.h"
#include "tests/support/sequence.h"
#include "tests/support/test_kinds.h"

// The code base: a jump per handler at the offsets the test form source binds,
// so the archive's stored offsets are relocated exactly as the application's.
extern "C" {
extern const uint8_t forms_test_code_base[];
}
asm(".text\n"
    ".balign 16\n"
    ".globl _forms_test_code_base\n"
    "_forms_test_code_base:\n"
    "  jmp _forms_test_event0\n"
    "  .org _forms_test_code_base + 0x10\n  jmp _forms_test_event1\n"
    "  .org _forms_test_code_base + 0x20\n  jmp _forms_test_event2\n"
    "  .org _forms_test_code_base + 0x30\n  jmp _forms_test_event3\n"
    "  .org _forms_test_code_base + 0x40\n  jmp _forms_test_event4\n"
    "  .org _forms_test_code_base + 0x50\n  jmp _forms_test_event5\n"
    "  .org _forms_test_code_base + 0x60\n  jmp _forms_test_event7\n"
    "  .org _forms_test_code_base + 0x70\n  jmp _forms_test_event12\n"
    "  .org _forms_test_code_base + 0x80\n  jmp _forms_test_got_focus\n"
    "  .org _forms_test_code_base + 0x90\n  jmp _forms_test_lost_focus\n"
    "  .org _forms_test_code_base + 0xA0\n  jmp _forms_test_words\n");

namespace vantor::testing {

std::function<void(uint32_t, uint32_t, int32_t)> g_event_hook;
uint32_t g_words[12];

namespace {

std::vector<uint8_t> g_archive;
ProgramDescriptor g_descriptor{};

void handle(int32_t event) {
    uint32_t w = kernel().current_event_window();
    uint32_t u = kernel().current_event_unit();
    log_line(record_name(w, u) + (event == -100 ? " words" : " event " + std::to_string(event)));
    auto hook = g_event_hook; // the hook may replace itself
    if (hook)
        hook(w, u, event);
}

uint32_t own_unit(uint32_t window_id) {
    const forms::WindowRecord* w = forms::find_window(kernel().windows(), window_id);
    return w ? forms::unit_id_at(*w, 0).value_or(0) : 0;
}

} // namespace

} // namespace vantor::testing

using vantor::testing::handle;

extern "C" {
void forms_test_event0() {
    handle(0);
}
void forms_test_event1() {
    handle(1);
}
void forms_test_event2() {
    handle(2);
}
void forms_test_event3() {
    handle(3);
}
void forms_test_event4() {
    handle(4);
}
void forms_test_event5() {
    handle(5);
}
void forms_test_event7(uint32_t elapsed) {
    vantor::testing::g_words[0] = elapsed;
    handle(7);
}
void forms_test_event12() {
    handle(12);
}
void forms_test_got_focus() {
    handle(-7);
}
void forms_test_lost_focus() {
    handle(-8);
}
void forms_test_words(uint32_t a0, uint32_t a1, uint32_t a2, uint32_t a3, uint32_t a4, uint32_t a5,
                      uint32_t a6, uint32_t a7, uint32_t a8, uint32_t a9, uint32_t a10,
                      uint32_t a11) {
    const uint32_t words[12] = {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11};
    std::copy(words, words + 12, vantor::testing::g_words);
    handle(-100);
}
}

namespace vantor::testing {

void prepare_runtime(const char* archive_path) {
    if (FILE* f = std::fopen(archive_path, "rb")) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
            g_archive.insert(g_archive.end(), buffer, buffer + n);
        }
        std::fclose(f);
    }
    g_descriptor = ProgramDescriptor{3,
                                     0,
                                     89757,
                                     uint32_t(uintptr_t(forms_test_code_base)),
                                     nullptr,
                                     0,
                                     g_archive.data(),
                                     uint32_t(g_archive.size()),
                                     3,
                                     kSupportLibraries,
                                     0,
                                     nullptr,
                                     nullptr};
    register_test_kinds();
    forms::install_form_engine();
}

const ProgramDescriptor& test_descriptor() {
    return g_descriptor;
}

void start_runtime(const char* archive_path, bool keep_error_box) {
    static bool started = false;
    if (started)
        return;
    started = true;
    prepare_runtime(archive_path);
    vantor::testing::KernelTestAccess::state().descriptor = &g_descriptor;
    runtime_startup();
    if (!keep_error_box)
        set_fatal_hook(nullptr);
}

void FormsTest::TearDown() {
    close_all_windows();
    EXPECT_EQ(kernel().events_blocked(), false);
    EXPECT_EQ(current_modal_window(), 0u);
    EXPECT_EQ(kernel().current_event_window(), 0u);
}

void close_all_windows() {
    for (forms::WindowRecord& w : vantor::testing::KernelTestAccess::state().windows.windows) {
        if (!w.object)
            continue;
        if (HWND h = static_cast<WindowObject*>(w.object)->handle())
            DestroyWindow(h);
    }
    pump();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    g_event_hook = nullptr;
    vantor::testing::KernelTestAccess::state().start_routine_finished = false;
    clear_log();
}

bool load(uint32_t window_id, bool modal, uint32_t owner_window) {
    TypedValue args[3] = {
        make_unit_ref(window_id, own_unit(window_id), 0x00010001),
        owner_window ? make_unit_ref(owner_window, own_unit(owner_window), 0x00010001) : kOmitted,
        make_bool(modal)};
    TypedValue result = call_command(forms::load_window_command, 3, args);
    return result.type == type::Bool && result.low != 0;
}

uint64_t read(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member) {
    return app_interface().read_property(window_id, unit_id, index, member);
}

void write(uint32_t window_id, uint32_t unit_id, int32_t index, uint32_t low, uint32_t high,
           int32_t member) {
    app_interface().write_property(window_id, unit_id, index, member, low, high);
}

std::string read_text(uint32_t window_id, uint32_t unit_id, int32_t index, int32_t member) {
    auto* text =
        reinterpret_cast<char*>(uintptr_t(uint32_t(read(window_id, unit_id, index, member))));
    std::string copy = text ? text : "";
    mem_free(text);
    return copy;
}

HWND handle_of(uint32_t window_id, uint32_t unit_id) {
    UnitObject* object = forms::find_unit_object(window_id, unit_id);
    return object ? object->handle() : nullptr;
}

} // namespace vantor::testing
