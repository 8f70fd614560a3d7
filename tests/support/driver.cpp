#include "tests/support/driver.h"

// After windows.h, whose types it uses.
#include <oleacc.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "runtime/win32/system_text.h"

namespace vantor::testing {

namespace {

constexpr DWORD kPollMs = 10;
constexpr DWORD kQuietMs = 300; // typed text unchanged this long: taken as final
constexpr DWORD kTypeLimitMs = 5000;

DWORD elapsed_since(DWORD start) {
    return GetTickCount() - start;
}

std::string env(const char* name) {
    char value[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

struct TopSearch {
    DWORD pid;
    const char* class_name;
    const char* title;
    HWND found;
};

BOOL CALLBACK match_top(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<TopSearch*>(lp);
    if (!IsWindowVisible(hwnd))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (s->pid && pid != s->pid)
        return TRUE;
    if (s->class_name && class_name_of(hwnd) != s->class_name)
        return TRUE;
    if (s->title && window_text(hwnd) != s->title)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

BOOL CALLBACK collect_child(HWND hwnd, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
    list->push_back(hwnd);
    return TRUE;
}

} // namespace

// ---- Program -------------------------------------------------------------------------

Program::~Program() {
    if (running())
        kill();
    if (process_)
        CloseHandle(process_);
}

bool Program::start(const std::string& command_line, const char* directory, HANDLE output) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output;
    }
    PROCESS_INFORMATION info{};
    std::wstring line = system_text::to_wide(command_line);
    const std::wstring wide_directory = system_text::to_wide(directory);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, output ? TRUE : FALSE, 0, nullptr,
                        directory ? wide_directory.c_str() : nullptr, &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    if (process_)
        CloseHandle(process_);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    return true;
}

bool Program::running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD Program::wait_exit(DWORD ms) const {
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

void Program::kill() {
    if (!process_)
        return;
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
}

// ---- OutputFile -------------------------------------------------------------------------

OutputFile::OutputFile() {
    char directory[MAX_PATH] = {}, path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    GetTempFileNameA(directory, "vo", 0, path);
    path_ = path;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    handle_ = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
        handle_ = nullptr;
}

OutputFile::~OutputFile() {
    if (handle_)
        CloseHandle(handle_);
    DeleteFileA(path_.c_str());
}

std::string OutputFile::text() const {
    std::string bytes;
    HANDLE h = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(h);
    return bytes;
}

// ---- environment and the stand-in log -------------------------------------------------

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    char old[4096];
    DWORD n = GetEnvironmentVariableA(name, old, sizeof old);
    had_previous_ = n > 0 && n < sizeof old;
    if (had_previous_)
        previous_.assign(old, n);
    SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnv::~ScopedEnv() {
    SetEnvironmentVariableA(name_.c_str(), had_previous_ ? previous_.c_str() : nullptr);
}

StandinLog::StandinLog()
    : directory_(make_temp_directory("standin")), path_(directory_ + "standin.log"),
      env_("VANTOR_STANDIN_LOG", path_) {}

StandinLog::~StandinLog() {
    end_running();
    remove_tree(directory_);
}

std::vector<LogEntry> StandinLog::wait_for(const char* event, size_t count, DWORD ms,
                                           DWORD pid) const {
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<LogEntry> found;
        for (const LogEntry& e : entries_of(entries(), event)) {
            if (pid == 0 || e.pid == pid)
                found.push_back(e);
        }
        if (found.size() >= count || elapsed_since(start) >= ms)
            return found;
        Sleep(kPollMs);
    }
}

std::vector<LogEntry> StandinLog::settled_starts(DWORD ms) const {
    const DWORD start = GetTickCount();
    for (;;) {
        const std::vector<LogEntry> starts = entries_of(entries(), "start");
        bool all_logged = true;
        for (DWORD pid : process_ids("Nox.exe")) {
            all_logged =
                all_logged && std::any_of(starts.begin(), starts.end(),
                                          [pid](const LogEntry& e) { return e.pid == pid; });
        }
        if (all_logged || elapsed_since(start) >= ms)
            return starts;
        Sleep(kPollMs);
    }
}

void StandinLog::end_running() const {
    for (const LogEntry& e : entries_of(entries(), "start")) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, e.pid);
        if (!process)
            continue;
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
}

std::vector<DWORD> process_ids(const char* name) {
    std::vector<DWORD> pids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    const std::wstring wanted = system_text::to_wide(name);
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry)) {
        if (wanted == entry.szExeFile)
            pids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return pids;
}

// ---- where things are ------------------------------------------------------------------

std::string program_directory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string vantor_exe() {
#ifdef VANTOR_EXE
    std::string path = VANTOR_EXE;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
#else
    return program_directory() + "Vantor.exe";
#endif
}

std::string standin_exe() {
    return program_directory() + "Nox.exe";
}
std::string decoy_exe() {
    return program_directory() + "Program.exe";
}

std::string make_temp_directory(const char* prefix) {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
        char path[MAX_PATH];
        std::snprintf(path, sizeof path, "%s%s%08x\\", base, prefix, n);
        if (CreateDirectoryA(path, nullptr))
            return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
}

namespace {
// Works on wide names: a Chinese file name survives every system code page.
void remove_wide_tree(const std::wstring& directory) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((directory + L"*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_wide_tree(directory + name + L"\\");
            } else {
                DeleteFileW((directory + name).c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(directory.c_str());
}
} // namespace

void remove_tree(const std::string& directory) {
    if (!directory.empty())
        remove_wide_tree(system_text::to_wide(directory));
}

std::string artifact_directory() {
    std::string dir = env("VANTOR_ARTIFACT_DIR");
    if (dir.empty())
        return program_directory();
    if (dir.back() != '\\' && dir.back() != '/')
        dir += '\\';
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// ---- windows -------------------------------------------------------------------------------

HWND wait_top_window(DWORD pid, const char* class_name, const char* title, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        TopSearch s{pid, class_name, title, nullptr};
        EnumWindows(match_top, reinterpret_cast<LPARAM>(&s));
        if (s.found)
            return s.found;
        if (elapsed_since(start) >= ms)
            return nullptr;
        Sleep(kPollMs);
    }
}

bool wait_window_gone(HWND hwnd, DWORD ms) {
    const DWORD start = GetTickCount();
    while (IsWindow(hwnd)) {
        if (elapsed_since(start) >= ms)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

HWND control_by_id(HWND parent, int id) {
    return GetDlgItem(parent, id);
}

std::vector<HWND> children_of(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, collect_child, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> direct;
    for (HWND h : all) {
        if (GetParent(h) == parent)
            direct.push_back(h);
    }
    return direct;
}

HWND control_by_order(HWND parent, const char* class_name, int index) {
    for (HWND h : children_of(parent)) {
        if (class_name && class_name_of(h) != class_name)
            continue;
        if (index-- == 0)
            return h;
    }
    return nullptr;
}

// Read with the wide message and converted to GBK explicitly, so that a test
// sees the program's texts whatever the system's code page.
std::string window_text(HWND hwnd) {
    wchar_t text[4096] = {};
    LRESULT n = SendMessageW(hwnd, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return system_text::from_wide(std::wstring_view(text, n > 0 ? size_t(n) : 0));
}

std::string wait_window_text(HWND hwnd, const std::string& expected, DWORD ms) {
    const DWORD start = GetTickCount();
    std::string shown = window_text(hwnd);
    while (shown != expected && GetTickCount() - start < ms) {
        Sleep(10);
        shown = window_text(hwnd);
    }
    return shown;
}

RECT screen_rect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

RECT rect_in_parent(HWND hwnd) {
    RECT r = screen_rect(hwnd);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring accessible_name(HWND hwnd, LONG* role) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, DWORD(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))))
        return L"(no object)";
    VARIANT self{}, r{};
    self.vt = VT_I4; // CHILDID_SELF
    BSTR name = nullptr;
    std::wstring text = L"(none)";
    if (object->get_accName(self, &name) == S_OK && name)
        text.assign(name, SysStringLen(name));
    SysFreeString(name);
    if (role)
        *role = SUCCEEDED(object->get_accRole(self, &r)) && r.vt == VT_I4 ? r.lVal : 0;
    object->Release();
    return text;
}

// ---- input ----------------------------------------------------------------------------------

bool round_trip(HWND edit, DWORD ms) {
    const std::string before = window_text(edit);
    PostMessageW(edit, WM_CHAR, L'0', 1);
    const DWORD start = GetTickCount();
    while (window_text(edit) == before) {
        if (elapsed_since(start) >= ms)
            return false;
        Sleep(kPollMs);
    }
    PostMessageW(edit, WM_CHAR, VK_BACK, 1);
    return wait_window_text(edit, before, ms) == before;
}

bool settle(HWND hwnd, DWORD ms) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
}

// Posted messages cannot be waited for across processes (a sent message
// overtakes them), so the driver watches their effect: the content of `edit`
// reaching `expected`, or not changing for a while when the box filters.
void wait_for_text(HWND edit, const std::string& expected) {
    const DWORD start = GetTickCount();
    std::string last = window_text(edit);
    DWORD changed = start;
    while (last != expected && elapsed_since(changed) < kQuietMs &&
           elapsed_since(start) < kTypeLimitMs) {
        Sleep(kPollMs);
        std::string now = window_text(edit);
        if (now != last) {
            last = std::move(now);
            changed = GetTickCount();
        }
    }
}

void type_text(HWND edit, const std::string& text) {
    const std::string before = window_text(edit);
    // Typed as a keyboard or an input method types: UTF-16 characters.
    for (wchar_t c : system_text::to_wide(text))
        PostMessageW(edit, WM_CHAR, c, 1);
    wait_for_text(edit, before + text);
}

void clear_text(HWND edit) {
    PostMessageA(edit, EM_SETSEL, 0, -1);
    PostMessageA(edit, WM_CHAR, VK_BACK, 1);
    wait_for_text(edit, "");
}

void retype_text(HWND edit, const std::string& text) {
    clear_text(edit);
    type_text(edit, text);
}

void press_key(HWND hwnd, UINT vk) {
    const UINT scan = MapVirtualKeyA(vk, 0);
    PostMessageA(hwnd, WM_KEYDOWN, vk, LPARAM(1 | (scan << 16)));
    PostMessageA(hwnd, WM_KEYUP, vk, LPARAM(1 | (scan << 16) | (3u << 30)));
}

void click(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void click_mouse(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
}

// ---- dialogs --------------------------------------------------------------------------------

HWND wait_dialog(DWORD pid, DWORD ms) {
    return wait_top_window(pid, "#32770", nullptr, ms);
}

std::string message_box_text(HWND box) {
    return window_text(GetDlgItem(box, 0xFFFF));
}

void press_dialog_button(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool file_dialog_choose(HWND dialog, const std::string& path) {
    HWND box = GetDlgItem(dialog, kFileNameCombo);
    if (!box)
        box = GetDlgItem(dialog, kFileNameEdit);
    if (!box)
        return false;
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(system_text::to_wide(path).c_str()));
    press_dialog_button(dialog, IDOK);
    return true;
}

void file_dialog_cancel(HWND dialog) {
    press_dialog_button(dialog, IDCANCEL);
}

// ---- artifacts --------------------------------------------------------------------------------

bool screenshot(HWND hwnd, const std::string& bmp_path) {
    const RECT r = screen_rect(hwnd);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as .bmp files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, old);
    }
    if (ok) {
        const DWORD row = (DWORD(width) * 3 + 3) & ~3u;
        const DWORD image_size = row * DWORD(height);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42; // "BM"
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + image_size;
        FILE* out = std::fopen(bmp_path.c_str(), "wb");
        ok = out && std::fwrite(&file, sizeof file, 1, out) == 1 &&
             std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
             std::fwrite(bits, 1, image_size, out) == image_size;
        if (out)
            std::fclose(out);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool bmp_size(const std::string& path, int& width, int& height) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return false;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    const bool ok = std::fread(&file, sizeof file, 1, in) == 1 &&
                    std::fread(&info, sizeof info, 1, in) == 1 && file.bfType == 0x4D42;
    std::fclose(in);
    if (!ok)
        return false;
    width = info.biWidth;
    height = info.biHeight < 0 ? -info.biHeight : info.biHeight;
    return true;
}

} // namespace vantor::testing
