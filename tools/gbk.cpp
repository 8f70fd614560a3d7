#include "tools/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

namespace vantor::tools {
namespace {

// One iconv conversion descriptor, closed on scope exit.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in` into `out`. Returns the offset of the first byte that
    // could not be converted, or in.size() when everything converted.
    size_t run(std::string_view in, std::string& out) {
        out.clear();
        char* src = const_cast<char*>(in.data());
        size_t src_left = in.size();
        char buf[4096];
        while (src_left > 0) {
            char* dst = buf;
            size_t dst_left = sizeof buf;
            size_t rc = iconv(cd_, &src, &src_left, &dst, &dst_left);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (rc == static_cast<size_t>(-1) && errno != E2BIG)
                return in.size() - src_left; // EILSEQ or EINVAL (cut sequence)
        }
        return in.size();
    }

  private:
    iconv_t cd_;
};

// Length of the UTF-8 sequence that starts with `lead`, 1 for stray bytes.
size_t utf8_length(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

bool utf8_to_gbk(std::string_view utf8, std::string& out, std::string* error) {
    Converter conv("GBK", "UTF-8");
    if (!conv.ok()) {
        if (error)
            *error = "iconv cannot convert UTF-8 to GBK on this system";
        return false;
    }
    size_t bad = conv.run(utf8, out);
    if (bad == utf8.size())
        return true;
    if (error) {
        std::string_view seq = utf8.substr(bad, utf8_length(static_cast<unsigned char>(utf8[bad])));
        std::string probe;
        Converter check("UTF-32LE", "UTF-8");
        bool valid_utf8 = check.ok() && check.run(seq, probe) == seq.size() && !seq.empty();
        char where[64];
        std::snprintf(where, sizeof where, " at byte %zu", bad);
        *error = valid_utf8 ? "character '" + std::string(seq) + "'" + where +
                                  " cannot be represented in GBK"
                            : std::string("invalid UTF-8") + where;
    }
    return false;
}

bool gbk_to_utf8(std::string_view gbk, std::string& out, size_t* bad_offset) {
    Converter conv("UTF-8", "GBK");
    if (!conv.ok()) {
        out.clear();
        if (bad_offset)
            *bad_offset = 0;
        return false;
    }
    size_t bad = conv.run(gbk, out);
    if (bad_offset)
        *bad_offset = bad;
    return bad == gbk.size();
}

} // namespace vantor::tools
