// libFuzzer target over the conversion between texts and UTF-16, on a model
// of code page 936 that holds exactly what GBK's two-byte table holds (every
// BMP character without a four-byte sequence, in order, and at GBK's
// private-use codes private-use points, as Windows does). The first byte picks
// the direction; the promises:
//   - UTF-16 without lone surrogates comes back equal, lossless; each lone
//     surrogate becomes one '?' and clears lossless;
//   - any bytes read as UTF-16 and written back read the same again;
//   - the walk steps over the whole text, and a cut keeps whole characters.
#include <algorithm>
#include <string>
#include <vector>

#include "runtime/gb18030.h"
#include "runtime/text_codec.h"
#include "tests/fuzz/promise.h"

using namespace vantor;

namespace {

using Wide = std::u16string;

// The model: two-byte codes (lead * 256 + trail) to BMP characters and back.
struct Model {
    std::vector<char16_t> of_code = std::vector<char16_t>(0x10000, 0);
    std::vector<uint16_t> code_of = std::vector<uint16_t>(0x10000, 0);

    Model() {
        std::vector<uint16_t> free;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
                if (trail != 0x7F &&
                    gb18030::private_code_character(uint16_t(lead << 8 | trail)) == gb18030::kNone)
                    free.push_back(uint16_t(lead << 8 | trail));
        size_t next = 0;
        char32_t private_use = 0xE000;
        char four[4];
        for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
            if ((c >= 0xD800 && c <= 0xDFFF) || gb18030::encode_four(c, four))
                continue;
            if (const uint16_t code = gb18030::private_code_of(c)) {
                // The code holds a private-use point whose four-byte sequence is free.
                while (!gb18030::encode_four(private_use, four) || code_of[private_use])
                    ++private_use;
                hold(code, char16_t(private_use));
                continue;
            }
            require(next < free.size(), "model: more characters than codes");
            hold(free[next++], char16_t(c));
        }
    }
    void hold(uint16_t code, char16_t c) {
        of_code[code] = c;
        code_of[c] = code;
    }
};

const Model& model() {
    static const Model m;
    return m;
}

void append_run(std::string_view run, Wide& wide) {
    for (size_t i = 0; i < run.size();) {
        const uint8_t b = uint8_t(run[i]);
        if (b < 0x80) {
            wide += char16_t(b);
            ++i;
            continue;
        }
        const uint16_t code = i + 1 < run.size() ? uint16_t(b << 8 | uint8_t(run[i + 1])) : 0;
        const char16_t c = code ? model().of_code[code] : 0;
        wide += c ? c : u'?';
        i += c ? 2 : 1;
    }
}

bool encode_exactly(std::u16string_view wide, std::string& text) {
    text.clear();
    for (char16_t c : wide) {
        if (c < 0x80) {
            text += char(c);
        } else if (const uint16_t code = model().code_of[c]) {
            text += char(code >> 8);
            text += char(code & 0xFF);
        } else {
            return false;
        }
    }
    return true;
}

constexpr text_codec::CodePage<char16_t> kModel{append_run, encode_exactly};

// The input with each lone surrogate replaced by '?'.
Wide expected_back(const Wide& wide) {
    Wide out;
    for (size_t i = 0; i < wide.size(); ++i) {
        const char16_t c = wide[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            out += c;
            out += wide[++i];
        } else {
            out += high || low ? u'?' : c;
        }
    }
    return out;
}

void check_walk(std::string_view text, size_t max) {
    size_t at = 0;
    while (at < text.size()) {
        const size_t step = gb18030::char_length(text.substr(at));
        require(step == 1 || step == 2 || step == 4, "a character is 1, 2 or 4 bytes");
        at += step;
    }
    require(at == text.size(), "the walk ends at the end");
    const size_t cut = gb18030::whole_prefix(text, max);
    require(cut <= max && cut <= text.size(), "a cut stays within its bound");
    require(cut == text.size() || cut + gb18030::char_length(text.substr(cut)) > max,
            "a cut keeps every whole character that fits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const bool from_wide = data[0] & 1;
    const size_t max = data[0] >> 1;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    bool lossless = false;
    if (from_wide) {
        Wide wide;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            wide += char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
        const std::string text =
            text_codec::from_utf16(std::u16string_view(wide), kModel, lossless);
        const Wide expected = expected_back(wide);
        require(lossless == (expected == wide), "lossless tells whether a surrogate was alone");
        require(text_codec::to_utf16(text, kModel) == expected, "UTF-16 comes back whole");
        check_walk(text, max);
    } else {
        const Wide wide = text_codec::to_utf16(bytes, kModel);
        const std::string text =
            text_codec::from_utf16(std::u16string_view(wide), kModel, lossless);
        require(lossless, "what a text reads as holds no lone surrogate");
        require(text_codec::to_utf16(text, kModel) == wide, "a text written back reads the same");
        check_walk(bytes, max);
    }
    return 0;
}
