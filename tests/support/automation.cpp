#include "tests/support/automation.h"

#include <cstdarg>
#include <cstdio>

#include "tests/support/driver.h"

namespace vantor::testing {

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
    std::string dir = testing::program_directory();
    testing::Program p;
    run.started = p.start("\"" + dir + program + ".exe\" " + mode + " " + extra);
    if (!run.started)
        return run;
    if (expect_box) {
        HWND box = testing::wait_top_window(p.pid(), nullptr, "错误", 15000);
        run.box_found = box != nullptr;
        if (box) {
            run.box_text = testing::message_box_text(box);
            testing::press_dialog_button(box, IDOK);
        }
    }
    run.exit_code = p.wait_exit(15000);
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
    g_probe_log =
        std::fopen((testing::program_directory() + program + "." + mode + ".log").c_str(), "w");
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

unsigned expected_code_page() {
    char lang[64] = {};
    GetEnvironmentVariableA("VANTOR_LANG", lang, sizeof lang);
    const std::string name = lang;
    const struct {
        const char* language;
        unsigned code_page;
    } pages[] = {{"en_US", 1252}, {"zh_TW", 950}, {"ja_JP", 932}, {"ko_KR", 949}, {"hi_IN", 65001}};
    for (const auto& p : pages)
        if (name.rfind(p.language, 0) == 0)
            return p.code_page;
    return 936;
}

std::string hex_bytes(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty())
            out += ' ';
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out.empty() ? "(empty)" : out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += l + "\n";
    return s;
}

} // namespace vantor::testing
