// Automation driver of the end-to-end tests: starts programs (Vantor.exe,
// the stand-in), finds their windows and operates them as a user would:
// typing into edit boxes, clicking buttons, answering the open-file dialog
// and message boxes; waits for exit codes and keeps screenshots. Works across
// processes of the same Wine prefix and display.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/plain_program.h"
#include "tests/support/standin_log.h"

namespace vantor::testing {

// The base of what owns a process, file or setting of the test: one owner,
// never a copy.
class Owner {
  public:
    Owner() = default;
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
};

// A process the test started. The destructor terminates it if it still runs
// (only processes started here are ever ended) and closes its handle.
class Program : Owner {
  public:
    ~Program();

    // Starts `command_line` as given (GBK, passed on as UTF-16) in `directory`
    // (null: the caller's), with its standard output and error on `output`
    // when given. False when it cannot be started.
    bool start(const std::string& command_line, const char* directory = nullptr,
               HANDLE output = nullptr);
    bool running() const;
    // Exit code after at most `ms`; STILL_ACTIVE (259) when it still runs.
    DWORD wait_exit(DWORD ms) const;
    // Terminates with code 99 and waits for the end.
    void kill();
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_; }

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// A new temporary file that a started program can write as its standard
// output and error (the handle is inheritable); removed by the destructor.
class OutputFile : Owner {
  public:
    OutputFile();
    ~OutputFile();
    HANDLE handle() const { return handle_; }
    // Everything written so far, as the bytes written.
    std::string text() const;

  private:
    std::string path_;
    HANDLE handle_ = nullptr;
};

// Sets an environment variable of this process, which the programs it starts
// inherit, for the life of the object; the previous value comes back after.
class ScopedEnv : Owner {
  public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

  private:
    std::string name_;
    std::string previous_;
    bool had_previous_ = false;
};

// A fresh stand-in log in a directory of its own, named by VANTOR_STANDIN_LOG
// for the life of the object. The destructor ends every logged stand-in that
// still runs (they were started, directly or not, by the test) and removes
// the directory.
class StandinLog : Owner {
  public:
    StandinLog();
    ~StandinLog();

    const std::string& path() const { return path_; }
    const std::string& directory() const { return directory_; }
    std::vector<LogEntry> entries() const { return read_log(path_); }
    // Polls up to `ms` until the log holds at least `count` entries of `event`
    // (of process `pid` when not 0); returns those entries.
    std::vector<LogEntry> wait_for(const char* event, size_t count, DWORD ms, DWORD pid = 0) const;
    // Terminates every logged stand-in process that still runs; waits for each.
    void end_running() const;
    // The starts once every running stand-in (Nox.exe) has logged its own,
    // polled for up to `ms`. Asked after the starting program is done (ended,
    // or its sequence over), it counts every start that program made: a
    // process it created is running or has logged its start.
    std::vector<LogEntry> settled_starts(DWORD ms = 5000) const;

  private:
    std::string directory_;
    std::string path_;
    ScopedEnv env_;
};

// ---- where things are ---------------------------------------------------------

// Directory of the running test program, with a trailing backslash.
std::string program_directory();
// Vantor.exe of the build tree (VANTOR_EXE), the stand-in and the decoy next
// to the test programs.
std::string vantor_exe();
std::string standin_exe();
std::string decoy_exe();
// New empty directory under the system's temporary directory, with trailing
// backslash; removed with remove_tree.
std::string make_temp_directory(const char* prefix);
void remove_tree(const std::string& directory);
// Where tests keep artifacts (screenshots): VANTOR_ARTIFACT_DIR or the test
// programs' directory; created when missing; trailing backslash.
std::string artifact_directory();

// Ids of the running processes whose image is named `name` exactly, in the
// order the system lists them.
std::vector<DWORD> process_ids(const char* name);

// ---- windows ----------------------------------------------------------------------

// Polls up to `ms` for a visible top-level window of process `pid` (0: any
// process) with `class_name` and `title` (either null: any).
HWND wait_top_window(DWORD pid, const char* class_name, const char* title, DWORD ms);
// Polls up to `ms` until `hwnd` is no longer a window.
bool wait_window_gone(HWND hwnd, DWORD ms);
// Child control with dialog id `id`, or null.
HWND control_by_id(HWND parent, int id);
// The `index`-th (0-based) direct child of `class_name` (null: any) in z-order.
HWND control_by_order(HWND parent, const char* class_name, int index);
// Direct children of `parent` in z-order.
std::vector<HWND> children_of(HWND parent);
// Text of a window of any process (WM_GETTEXT), as the window's ANSI bytes.
std::string window_text(HWND hwnd);
// Polls up to `ms` until `hwnd`'s text is `expected`; the text then.
std::string wait_window_text(HWND hwnd, const std::string& expected, DWORD ms);
// Window rectangle in screen coordinates, and in the parent's client area.
RECT screen_rect(HWND hwnd);
RECT rect_in_parent(HWND hwnd);
// What a screen reader reads of a window of any process: the name of its
// client object (AccessibleObjectFromWindow), L"(none)" when it has none, and
// its role (ROLE_SYSTEM_..., 0 when unknown). The calling thread needs COM.
std::wstring accessible_name(HWND hwnd, LONG* role = nullptr);

// ---- input ------------------------------------------------------------------------

// Types `text` (GBK bytes) into an edit box: one posted WM_CHAR per byte, a
// two-byte character as its lead and trail bytes, as an ANSI window gets them
// from the keyboard. Returns once the content has become the old content
// followed by `text`, or has stopped changing for 300 ms (a box that filters
// its input), at most after 5 s. Under Wine a plain ANSI EDIT control drops
// such byte pairs; the receiving program has to combine them.
void type_text(HWND edit, const std::string& text);
// Selects the whole content and deletes it by a typed backspace; returns
// once the box is empty (or its content stopped changing).
void clear_text(HWND edit);
// Replaces the content by typing: clear_text, then type_text.
void retype_text(HWND edit, const std::string& text);
// Posts WM_KEYDOWN / WM_KEYUP of virtual key `vk` to `hwnd`.
void press_key(HWND hwnd, UINT vk);
// Clicks a button: a posted BM_CLICK, so a handler that runs long (or opens
// a modal dialog) does not block the driver.
void click(HWND button);
// Clicks with posted WM_LBUTTONDOWN / WM_LBUTTONUP at the client centre.
void click_mouse(HWND hwnd);
// Passes a typed character and then its backspace through the message queue
// of `edit`'s program (the box shows its content again at the end): returns
// once both took effect, so every message queued before them has been
// handled (a handler that ran has returned, or waits in a modal box's loop).
// False when the box did not follow within `ms`.
bool round_trip(HWND edit, DWORD ms = 5000);
// Waits until the thread of `hwnd` answers a sent message, that is, it is
// pumping messages again (not waiting in a handler); messages posted to it
// before may still be queued. False on time-out.
bool settle(HWND hwnd, DWORD ms = 5000);

// ---- dialogs ----------------------------------------------------------------------

// Polls up to `ms` for a visible dialog (#32770) of process `pid`.
HWND wait_dialog(DWORD pid, DWORD ms);
// Text of a message box (its static control 0xFFFF); its caption is window_text.
std::string message_box_text(HWND box);
// Presses a dialog button by id (IDOK 1, IDCANCEL 2) with a posted WM_COMMAND.
void press_dialog_button(HWND dialog, int id);
// The open-file dialog's file name box: a combo box (cmb13) in the
// Explorer-style dialog, an edit box (edt1) in the old style.
inline constexpr int kFileNameCombo = 0x47C;
inline constexpr int kFileNameEdit = 0x480;
// Open-file dialog: sets the file name box to `path` and presses OK.
bool file_dialog_choose(HWND dialog, const std::string& path);
void file_dialog_cancel(HWND dialog);

// ---- artifacts ----------------------------------------------------------------------

// Copies the screen area of `hwnd` (frame included) into a 24-bit .bmp file.
bool screenshot(HWND hwnd, const std::string& bmp_path);
// Width and height of a .bmp file; false when it is not one.
bool bmp_size(const std::string& path, int& width, int& height);

} // namespace vantor::testing
