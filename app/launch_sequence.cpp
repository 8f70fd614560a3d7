#include "app/launch_sequence.h"

#include <cstring>
// The steady clock comes with <thread>: <chrono> itself does not compile with
// the GBK execution character set.
#include <thread>

#include "app/launcher.h"
#include "app/system_helpers.h"
#include "commands/library.h"
#include "commands/text.h"
#include "forms/unit_type.h"
#include "runtime/interface.h"

namespace vantor::app {

namespace {

const InterfaceTable& rt() {
    return app_interface();
}

// A text the handler owns, released when it goes out of scope.
class OwnedText {
  public:
    explicit OwnedText(char* text = nullptr) : text_(text) {}
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
    ~OwnedText() { rt().release(text_); }
    const char* get() const { return text_; }

  private:
    char* text_;
};

char* text_result(const TypedValue& v) {
    return const_cast<char*>(as_text(v));
}

// The current content of an edit box of the window (a new text; null = empty).
char* read_content(uint32_t unit) {
    uint64_t value = rt().read_property(kMainWindow, unit, kPropContent, -1);
    return reinterpret_cast<char*>(uintptr_t(uint32_t(value)));
}

int32_t read_count() {
    OwnedText content(read_content(kCountBox));
    const TypedValue arg = make_text(content.get());
    return as_int(rt().call_command(cmd_to_int, 1, &arg));
}

char* number_text(int32_t i) {
    const TypedValue arg = make_int(i);
    return text_result(rt().call_command(cmd_to_text, 1, &arg));
}

char* join(std::initializer_list<const char*> pieces) {
    return join_texts(int32_t(pieces.size()), std::data(pieces));
}

// The program is ending (its window was closed): every wait gives up. Asked
// at the start of every delay and after each of its wake-ups. Messages queued
// while the sequence was busy (a launch holds the thread for up to 1 s) are
// dispatched first: the look for WM_QUIT marks them as seen, and the delay's
// MsgWaitForMultipleObjects then wakes only for newer ones, so they (a close
// request among them) would wait until some other message came.
bool window_closing() {
    rt().call_command(cmd_process_events, 0, nullptr);
    return as_int(rt().call_command(cmd_quit_pending, 0, nullptr)) != 0;
}

// True when `path` names one existing file (wildcards never do).
bool names_existing_file(const char* path) {
    if (!path || !*path || std::strpbrk(path, "*?"))
        return false;
    uint32_t search = 0;
    uint32_t name = rt().call_service(service::FindFile, uint32_t(uintptr_t(path)), 0, 1,
                                      uint32_t(uintptr_t(&search)));
    rt().release(reinterpret_cast<void*>(uintptr_t(name)));
    rt().call_service(service::EndFindFile, search, 0, 0, 0);
    return name != 0;
}

// The path as it starts a command line. An existing file whose path holds a
// blank is put in double quotes: unquoted, the system would try the part before
// the blank as the program first (C:\Program.exe for C:\Program Files\...).
char* command_path(const char* path) {
    if (path && path[0] != '"' && std::strchr(path, ' ') && names_existing_file(path)) {
        return join({"\"", path, "\""});
    }
    return join({path});
}

bool launch(const char* command_line) {
    const TypedValue args[3] = {make_text(command_line), make_bool(false), kOmitted};
    return as_int(rt().call_command(cmd_launch, 3, args)) != 0;
}

void report_launch_failure(const char* command_line) {
    OwnedText text(join({"无法启动模拟器：\r\n", command_line}));
    const TypedValue args[4] = {make_text(text.get()), make_int(0x10 /* MB_ICONERROR */),
                                make_text("Vantor"),
                                make_unit_ref(kMainWindow, kMainWindowUnit, forms::kind::Window)};
    rt().call_command(cmd_message_box, 4, args);
}

enum class WaitEnd { Met, TimedOut, Abandoned };

// Repeats: delay 200 ms, look for instance i's window; until it has appeared
// (`appear`) or is gone, the limit has passed or the window is being closed.
WaitEnd wait_for_instance_window(int32_t i, bool appear, uint32_t limit_ms, uint32_t& window) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (!delay(200))
            return WaitEnd::Abandoned;
        OwnedText number(number_text(i));
        OwnedText title(join({"夜神模拟器", number.get()}));
        window = find_window(0, 0, "Qt5QWindowIcon", title.get());
        if (appear ? window != 0 : int32_t(window) <= 0)
            return WaitEnd::Met;
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (elapsed >= std::chrono::milliseconds(limit_ms))
            return WaitEnd::TimedOut;
    }
}

// One first-pass instance; false ends the sequence.
bool prepare_instance(int32_t i, const WaitLimits& limits) {
    OwnedText number(number_text(i));
    OwnedText path(read_content(kPathBox));
    OwnedText width(read_content(kWidthBox));
    OwnedText height(read_content(kHeightBox));
    OwnedText dpi(read_content(kDpiBox));
    OwnedText program(command_path(path.get()));
    OwnedText command_line(join(
        {program.get(), " -clone:Nox_", number.get(), " -resolution:", width.get(), "x",
         height.get(), " -dpi:", dpi.get(), " -performance:low -root:false -cpu:1 -memory:1024"}));
    if (!launch(command_line.get())) {
        report_launch_failure(command_line.get());
        return false;
    }
    uint32_t window = 0;
    WaitEnd appeared = wait_for_instance_window(i, true, limits.appear_ms, window);
    if (appeared == WaitEnd::Abandoned)
        return false;
    if (appeared == WaitEnd::Met) {
        // An instance that ended before its owner was looked up leaves nothing
        // to terminate; the disappearance wait then ends at its first look.
        terminate_window_owner(window, "Nox.exe");
        if (wait_for_instance_window(i, false, limits.disappear_ms, window) == WaitEnd::Abandoned)
            return false;
    }
    return delay(500);
}

bool first_pass(const WaitLimits& limits) {
    const int32_t count = read_count();
    for (int32_t i = 1; i <= count; ++i) {
        if (!prepare_instance(i, limits))
            return false;
    }
    return true;
}

void second_pass() {
    const int32_t count = read_count();
    for (int32_t i = 1; i <= count; ++i) {
        OwnedText number(number_text(i));
        OwnedText path(read_content(kPathBox));
        OwnedText program(command_path(path.get()));
        OwnedText command_line(join({program.get(), " -clone:Nox_", number.get()}));
        launch(command_line.get());
        if (!delay(800))
            return;
    }
}

bool g_running = false;

} // namespace

void launch_sequence(const WaitLimits& limits) {
    // A second sequence inside the first one's waits would terminate the
    // instances the first one is preparing.
    if (g_running)
        return;
    g_running = true;
    AbandonCheck previous = set_abandon_check(window_closing);
    if (first_pass(limits))
        second_pass();
    set_abandon_check(previous);
    g_running = false;
}

void pick_executable() {
    const TypedValue dialog = make_unit_ref(kMainWindow, kFileDialog, forms::kind::CommonDlg);
    rt().call_command(controls::cmd_common_dlg_open, 1, &dialog);
    uint64_t value = rt().read_property(kMainWindow, kFileDialog, kPropFileName, -1);
    OwnedText file_name(reinterpret_cast<char*>(uintptr_t(uint32_t(value))));
    rt().write_property(kMainWindow, kPathBox, kPropContent, -1,
                        uint32_t(uintptr_t(file_name.get())), 0);
}

} // namespace vantor::app
