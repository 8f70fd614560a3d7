#include "tools/form_values.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/gbk.h"

namespace vantor::tools {

namespace fs = std::filesystem;

uint32_t Context::id(const Value& v, const std::string& what) const {
    uint32_t n = dword(v, what);
    if (!valid_id(n))
        fail(what + " " + hex32(n) +
             " is not a valid id (its low 24 bits and bits 24-27 must be nonzero)");
    return n;
}

std::string Context::text(const Value& v, const std::string& what) const {
    if (v.word || !v.str)
        fail(what + ": expected a quoted text, got " + v.describe());
    std::string out;
    for (const Segment& s : v.str->segments) {
        if (s.raw) {
            out += s.bytes;
            continue;
        }
        std::string gbk, error;
        if (!utf8_to_gbk(s.bytes, gbk, &error))
            fail(what + ": " + error);
        out += gbk;
    }
    return out;
}

int64_t Context::integer(const Value& v, const std::string& what, bool logical) const {
    if (!v.word || v.str)
        fail(what + ": expected a number, got " + v.describe());
    std::string_view s = v.word->text;
    if (logical && s == "true")
        return 1;
    if (logical && s == "false")
        return 0;
    bool negative = !s.empty() && s[0] == '-';
    if (negative)
        s.remove_prefix(1);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty())
        fail(what + ": bad number '" + v.word->text + "'");
    int64_t n = 0;
    for (char c : s) {
        int d = hex_digit(c);
        if (d < 0 || d >= base)
            fail(what + ": bad number '" + v.word->text + "'");
        n = n * base + d;
        if (n > (int64_t{1} << 33))
            fail(what + ": " + v.word->text + " does not fit in 32 bits");
    }
    return negative ? -n : n;
}

ByteVec Context::hex_bytes(std::string_view digits, const std::string& what) const {
    ByteVec out;
    int pending = -1;
    for (char c : digits) {
        if (c == ' ' || c == '\t')
            continue;
        int d = hex_digit(c);
        if (d < 0)
            fail(what + ": '" + std::string(1, c) + "' is not a hex digit");
        if (pending < 0) {
            pending = d;
        } else {
            out.push_back(static_cast<uint8_t>(pending * 16 + d));
            pending = -1;
        }
    }
    if (pending >= 0)
        fail(what + ": odd number of hex digits");
    return out;
}

ByteVec Context::file_bytes(const std::string& name, const std::string& what) const {
    if (name.empty())
        fail(what + ": empty file name");
    fs::path p(name);
    if (p.is_relative())
        p = dir_ / p;
    std::string data, error;
    if (!(options_.read ? options_.read(p.string(), data, error)
                        : read_file(p.string(), data, error)))
        fail(what + ": cannot read '" + p.string() + "': " + error);
    return ByteVec(data.begin(), data.end());
}

ByteVec Context::bytes(const Value& v, const std::string& what) const {
    std::string w = v.word ? v.word->text : "";
    if (w == "empty" && !v.str)
        return {};
    if (w.rfind("hex:", 0) == 0)
        return hex_bytes(v.str ? v.str->text : w.substr(4), what);
    if (w.rfind("file:", 0) == 0)
        return file_bytes(v.str ? v.str->text : w.substr(5), what);
    if (w.rfind("omitted:", 0) == 0)
        fail(what + ": the dump left these " + w.substr(8) +
             " bytes out; dump again with --extract-dir to get them");
    fail(what + ": expected empty, hex:DIGITS or file:\"path\", got " + v.describe());
}
bool read_file(const std::string& path, std::string& out, std::string& error) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        error = "is a directory";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    out.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        error = "read error";
    return !failed;
}

} // namespace vantor::tools
