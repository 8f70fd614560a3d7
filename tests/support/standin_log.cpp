#include "tests/support/standin_log.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/win32/system_text.h"

namespace vantor::testing {

namespace {

std::string utf8_of(const std::wstring& wide) {
    const int size = int(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring wide_of_utf8(const std::string& text) {
    const int size = int(text.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring out(size_t(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), n);
    return out;
}

} // namespace

void append_log_line(const std::string& path, const std::string& event,
                     const std::wstring& fields) {
    char head[64];
    std::snprintf(head, sizeof head, "%.3f\t%lu\t", now_ms(),
                  static_cast<unsigned long>(GetCurrentProcessId()));
    // The file is UTF-8, as a terminal shows it.
    const std::string line = head + event + "\t" + utf8_of(fields) + "\r\n";
    // Appends of several processes are serialised: Wine writes an append-only
    // handle at the end position it read, so two writers can overwrite each
    // other's line.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Local\\VantorStandinLog");
    if (mutex)
        WaitForSingleObject(mutex, 5000);
    HANDLE file = CreateFileW(system_text::to_wide(path).c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    if (mutex) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}

std::string standin_title(const char* command_line) {
    std::string title = "夜神模拟器";
    const char* clone = command_line ? std::strstr(command_line, " -clone:Nox_") : nullptr;
    if (!clone)
        return title;
    for (const char* p = clone + std::strlen(" -clone:Nox_"); *p >= '0' && *p <= '9'; ++p) {
        title += *p;
    }
    return title;
}

std::string LogEntry::field(const char* key) const {
    std::string value = rest(key);
    return value.substr(0, value.find(' '));
}

std::string LogEntry::rest(const char* key) const {
    const std::string wanted = std::string(key) + "=";
    for (size_t at = fields.find(wanted); at != std::string::npos;
         at = fields.find(wanted, at + 1)) {
        if (at == 0 || fields[at - 1] == ' ')
            return fields.substr(at + wanted.size());
    }
    return {};
}

std::vector<LogEntry> read_log(const std::string& path) {
    std::vector<LogEntry> entries;
    FILE* file = _wfopen(system_text::to_wide(path).c_str(), L"rb");
    if (!file)
        return entries;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    std::fclose(file);

    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break; // a line still being written
        std::string line = system_text::from_wide(wide_of_utf8(text.substr(start, end - start)));
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t t1 = line.find('\t');
        const size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        const size_t t3 = t2 == std::string::npos ? t2 : line.find('\t', t2 + 1);
        if (t3 == std::string::npos)
            continue;
        LogEntry e;
        e.ms = std::strtod(line.c_str(), nullptr);
        e.pid = uint32_t(std::strtoul(line.c_str() + t1 + 1, nullptr, 10));
        e.event = line.substr(t2 + 1, t3 - t2 - 1);
        e.fields = line.substr(t3 + 1);
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<LogEntry> entries_of(const std::vector<LogEntry>& log, const char* event) {
    std::vector<LogEntry> out;
    for (const auto& e : log) {
        if (e.event == event)
            out.push_back(e);
    }
    return out;
}

} // namespace vantor::testing
