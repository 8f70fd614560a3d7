#include "tests/support/automation.h"

#include <cstdarg>
#include <cstdio>

namespace vantor::testing {

Process::~Process() {
    if (process)
        CloseHandle(process);
}

DWORD Process::wait(DWORD ms) {
    if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
}

void Process::kill() {
    if (process)
        TerminateProcess(process, 99);
}

bool start_process(const std::string& command_line, Process& out) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = command_line;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        return false;
    }
    CloseHandle(pi.hThread);
    out.process = pi.hProcess;
    out.pid = pi.dwProcessId;
    return true;
}

namespace {
struct FindContext {
    DWORD pid;
    const char* caption;
    HWND found;
};

BOOL CALLBACK match_window(HWND hwnd, LPARAM lp) {
    auto* ctx = reinterpret_cast<FindContext*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != ctx->pid || !IsWindowVisible(hwnd))
        return TRUE;
    if (ctx->caption) {
        char text[256] = {};
        GetWindowTextA(hwnd, text, sizeof text);
        if (std::string(text) != ctx->caption)
            return TRUE;
    }
    ctx->found = hwnd;
    return FALSE;
}
} // namespace

HWND find_top_window(DWORD pid, const char* caption, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        FindContext ctx{pid, caption, nullptr};
        EnumWindows(match_window, reinterpret_cast<LPARAM>(&ctx));
        if (ctx.found)
            return ctx.found;
        if (GetTickCount() - start > ms)
            return nullptr;
        Sleep(20);
    }
}

std::string message_box_text(HWND box) {
    char text[2048] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void press_button(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::string program_directory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string read_file(const std::string& path) {
    std::string data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return data;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    std::fclose(f);
    return data;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

ProbeRun run_probe(const std::string& program, const std::string& mode, bool expect_box,
                   const std::string& extra) {
    ProbeRun run;
    std::string dir = program_directory();
    Process p;
    run.started = start_process("\"" + dir + program + ".exe\" " + mode + " " + extra, p);
    if (!run.started)
        return run;
    if (expect_box) {
        HWND box = find_top_window(p.pid, "错误", 15000);
        run.box_found = box != nullptr;
        if (box) {
            run.box_text = message_box_text(box);
            press_button(box, IDOK);
        }
    }
    run.exit_code = p.wait(15000);
    if (run.exit_code == STILL_ACTIVE)
        p.kill();
    run.log = lines_of(read_file(dir + program + "." + mode + ".log"));
    return run;
}

namespace {
FILE* g_probe_log = nullptr;
} // namespace

bool open_probe_log(const char* program, int argc, char** argv, const char* fallback,
                    std::string& mode) {
    mode = argc > 1 ? argv[1] : fallback;
    g_probe_log = std::fopen((program_directory() + program + "." + mode + ".log").c_str(), "w");
    return g_probe_log != nullptr;
}

void probe_line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(g_probe_log, format, args);
    va_end(args);
    std::fputc('\n', g_probe_log);
    std::fflush(g_probe_log);
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += l + "\n";
    return s;
}

} // namespace vantor::testing
