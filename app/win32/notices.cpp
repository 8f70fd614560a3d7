#include "app/win32/notices.h"

#include <windows.h>

#include <algorithm>

#include "app/launch_sequence.h"
#include "app/launcher.h"
#include "app/runtime_api.h"
#include "app/sequence_report.h"
#include "app/win32/console_line.h"
#include "commands/library.h"
#include "forms/win32/unit_type.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/system_text.h"

namespace vantor::app {

namespace {

bool g_console = false;

// What a message box needs beside its text's width: frame, margins and icon.
constexpr int kBoxChrome = 160;
constexpr int kNarrowestText = 200;

// Widths of texts in the font message boxes use, on this screen.
class MessageFont {
  public:
    MessageFont() {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font_ = CreateFontIndirectW(&metrics.lfMessageFont);
        dc_ = GetDC(nullptr);
        old_ = dc_ ? SelectObject(dc_, font_ ? HGDIOBJ(font_) : GetStockObject(DEFAULT_GUI_FONT))
                   : nullptr;
    }
    MessageFont(const MessageFont&) = delete;
    MessageFont& operator=(const MessageFont&) = delete;
    ~MessageFont() {
        if (dc_) {
            SelectObject(dc_, old_);
            ReleaseDC(nullptr, dc_);
        }
        if (font_)
            DeleteObject(font_);
    }
    // Width of one line of GBK text in pixels; 0 when it cannot be measured.
    int width(std::string_view gbk) const {
        const std::wstring wide = system_text::to_wide(gbk);
        SIZE size{};
        if (!dc_ || !GetTextExtentPoint32W(dc_, wide.data(), int(wide.size()), &size))
            return 0;
        return size.cx;
    }

  private:
    HFONT font_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The widest line a box can hold and still fit in the screen's work area.
int widest_line() {
    RECT work{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, GetSystemMetrics(SM_CXSCREEN), 0};
    return std::max(kNarrowestText, int(work.right - work.left) - kBoxChrome);
}

std::string fitted_command_line(std::string_view command_line) {
    const MessageFont font;
    const int widest = widest_line();
    return shorten_to_fit(command_line,
                          [&](std::string_view line) { return font.width(line) <= widest; });
}

// The runtime error report as one line (without the blank its last line
// break becomes).
bool write_error_line(const std::string& text) {
    std::string line = one_line(text);
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    write_console_line(line);
    return true;
}

} // namespace

void set_console_notices(bool on) {
    g_console = on;
    set_error_text_hook(on ? write_error_line : nullptr);
}

bool console_notices() {
    return g_console;
}

void notify(const std::string& text, NoticeIcon icon) {
    if (g_console) {
        write_console_line(one_line(text));
        return;
    }
    api::call(cmd_message_box,
              {make_text(text.c_str()), make_int(int32_t(icon)), make_text("Vantor"),
               make_unit_ref(kMainWindow, kMainWindowUnit, forms::kind::Window)});
}

void install_notices() {
    NoticeHooks hooks;
    hooks.warning = [](const std::string& text) { notify(text, NoticeIcon::Warning); };
    hooks.launch_failed = notify_launch_failure;
    hooks.for_script = console_notices;
    set_notice_hooks(hooks);
}

void notify_launch_failure(std::string_view command_line) {
    notify(launch_failure_message(g_console ? std::string(command_line)
                                            : fitted_command_line(command_line)),
           NoticeIcon::Error);
}

} // namespace vantor::app
