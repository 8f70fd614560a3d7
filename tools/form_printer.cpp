// The dump's printer: an archive model as form source.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "tools/form_kinds.h"
#include "tools/form_source.h"
#include "tools/gbk.h"

namespace vantor::tools {

namespace fs = std::filesystem;

namespace {

struct DumpFailure {
    std::string message;
};

// True when `utf8` holds no ASCII byte: a quote or backslash in it would go
// out unescaped.
bool all_non_ascii(const std::string& utf8) {
    return std::all_of(utf8.begin(), utf8.end(),
                       [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; });
}

// Quotes a GBK text as UTF-8 source. Bytes that do not survive GBK -> UTF-8 ->
// GBK unchanged are written as \xHH so that compiling gives the same bytes.
// Only a lead byte (81-FE) starts a double-byte character: iconv also takes
// 80 alone, and would pass the byte after it, a backslash say, through as it is.
std::string quote(std::string_view gbk) {
    std::string out = "\"";
    char esc[8];
    for (size_t i = 0; i < gbk.size();) {
        auto c = static_cast<unsigned char>(gbk[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) {
            std::string utf8, back;
            if (gbk_to_utf8(gbk.substr(i, 2), utf8) && all_non_ascii(utf8) &&
                utf8_to_gbk(utf8, back, nullptr) && back == gbk.substr(i, 2)) {
                out += utf8;
                i += 2;
                continue;
            }
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            out += esc;
        }
        ++i;
    }
    return out + "\"";
}

// File names stay in the source's own encoding: only quotes and backslashes are escaped.
std::string quote_path(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string hex_string(const uint8_t* data, size_t size, const char* sep = "") {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < size; ++i) {
        if (i > 0)
            s += sep;
        s += digits[data[i] >> 4];
        s += digits[data[i] & 15];
    }
    return s;
}

std::string signed_str(uint32_t v) {
    return std::to_string(static_cast<int32_t>(v));
}

class Printer {
  public:
    explicit Printer(const DumpOptions& options) : options_(options) {}
    bool all_properties() const { return options_.all_properties; }

    std::string out;

    // Source form of a byte buffer; `label` names an extracted file.
    std::string bytes(const ByteVec& data, const std::string& label) {
        if (data.empty())
            return "empty";
        if (data.size() <= options_.inline_limit)
            return "hex:" + hex_string(data.data(), data.size());
        if (options_.extract_dir.empty()) {
            notes_.push_back(label + ": " + std::to_string(data.size()) + " bytes, " +
                             hex_string(data.data(), std::min<size_t>(data.size(), 16), " ") +
                             " ...");
            return "omitted:" + std::to_string(data.size());
        }
        return "file:" + quote_path(extract(data, label));
    }

    void end_line() {
        for (const std::string& n : notes_)
            out += "  # " + n;
        notes_.clear();
        out += "\n";
    }

  private:
    std::string extract(const ByteVec& data, const std::string& label) {
        static const uint8_t kIco[] = {0, 0, 1, 0};
        static const uint8_t kPng[] = {0x89, 'P', 'N', 'G'};
        // A buffer may be shorter than the signatures (a 1-byte mouse pointer).
        auto starts_with = [&](const uint8_t(&magic)[4]) {
            return data.size() >= sizeof magic && std::equal(magic, magic + 4, data.begin());
        };
        const char* ext = starts_with(kIco) ? ".ico" : starts_with(kPng) ? ".png" : ".bin";
        fs::path dir(options_.extract_dir);
        std::error_code ec;
        fs::create_directories(dir, ec);
        fs::path file = dir / (label + ext);
        std::ofstream f(file, std::ios::binary);
        f.write(reinterpret_cast<const char*>(data.data()),
                static_cast<std::streamsize>(data.size()));
        f.close();
        if (!f)
            throw DumpFailure{"cannot write '" + file.string() + "'"};
        fs::path shown = fs::absolute(file, ec);
        if (!options_.source_dir.empty())
            shown = fs::proximate(shown, fs::absolute(options_.source_dir, ec), ec);
        return shown.string();
    }

    const DumpOptions& options_;
    std::vector<std::string> notes_;
};

template <class P>
std::string field_value(const P& p, const Field<P>& f, Printer& pr, const std::string& label) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& v = p.*member;
            using M = std::remove_cvref_t<decltype(v)>;
            if constexpr (std::is_same_v<M, ByteVec>) {
                return pr.bytes(v, label + "_" + f.name);
            } else if constexpr (std::is_same_v<M, std::string>) {
                return quote(v);
            } else if constexpr (std::is_same_v<M, uint16_t>) {
                if (v >= 0x20 && v < 0x7f && v != '"' && v != '\\')
                    return "\"" + std::string(1, static_cast<char>(v)) + "\"";
                return std::to_string(v);
            } else {
                auto bits = static_cast<uint32_t>(v);
                return f.type == FieldType::Hex ? hex32(bits) : signed_str(bits);
            }
        },
        f.member);
}

template <class P> bool differs(const P& a, const P& b, const Field<P>& f) {
    return std::visit([&](auto member) { return !(a.*member == b.*member); }, f.member);
}

// Prints a block as `block version=N` and its non-default properties when that
// compiles back to the same bytes; false when it must be given raw.
template <class P> bool print_props(const ByteVec& block, Printer& pr, const std::string& label) {
    P p;
    if (!forms::read_block(block.data(), block.size(), p) || forms::write_block(p) != block)
        return false;
    for (const Field<P>& f : fields<P>()) {
        if (f.type != FieldType::Font)
            continue;
        size_t n = (p.*std::get<ByteVec P::*>(f.member)).size();
        if (n != 0 && n != kLogFontSize)
            return false;
    }
    pr.out += "    block version=" + std::to_string(p.version) + "\n";
    const P defaults{};
    for (const Field<P>& f : fields<P>()) {
        if (!pr.all_properties() && !differs(p, defaults, f))
            continue;
        pr.out += std::string("    prop ") + f.name + " " + field_value(p, f, pr, label);
        pr.end_line();
    }
    return true;
}

std::string state_str(uint32_t s) {
    if (s == 0)
        return "none";
    if (s & ~7u)
        return hex32(s);
    std::string out;
    const char* names[] = {"visible", "disabled", "tabstop"};
    for (int bit = 0; bit < 3; ++bit)
        if (s & (1u << bit))
            out += (out.empty() ? "" : ",") + std::string(names[bit]);
    return out;
}

std::string list_str(const uint32_t* v, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += (i ? "," : "") + hex32(v[i]);
    return s;
}

template <size_t N> bool all_zero(const uint32_t (&v)[N]) {
    for (uint32_t x : v)
        if (x)
            return false;
    return true;
}

void print_unit_line(const forms::UnitDesc& u, Printer& pr, const std::string& label) {
    std::string& o = pr.out;
    const char* kn = kind_name(u.kind);
    o += "  unit " + hex32(u.id) + " kind=" + (kn ? kn : hex32(u.kind)) + " name=" + quote(u.name);
    if (!u.remark.empty())
        o += " remark=" + quote(u.remark);
    o += " left=" + std::to_string(u.left) + " top=" + std::to_string(u.top) +
         " width=" + std::to_string(u.width) + " height=" + std::to_string(u.height) +
         " state=" + state_str(u.state) + " tab=" + std::to_string(u.tab_order);
    if (u.parent)
        o += " parent=" + hex32(u.parent);
    if (!u.children.empty())
        o += " children=" + list_str(u.children.data(), u.children.size());
    if (u.event_source)
        o += " event_source=" + hex32(u.event_source);
    if (!u.tag.empty())
        o += " tag=" + quote(u.tag);
    if (u.mouse_pointer != ByteVec(4, 0))
        o += " mouse_pointer=" + pr.bytes(u.mouse_pointer, label + "_mouse_pointer");
    if (u.object_slot)
        o += " object_slot=" + hex32(u.object_slot);
    if (u.cursor_slot)
        o += " cursor_slot=" + hex32(u.cursor_slot);
    if (!all_zero(u.reserved_a))
        o += " reserved_a=" + list_str(u.reserved_a, 4);
    if (u.reserved_b)
        o += " reserved_b=" + hex32(u.reserved_b);
    if (!all_zero(u.reserved_c))
        o += " reserved_c=" + list_str(u.reserved_c, 5);
    pr.end_line();
}

void print_unit(const forms::UnitDesc& u, Printer& pr, const std::string& label) {
    if (forms::is_menu_item_id(u.id)) {
        pr.out += "  unit " + hex32(u.id) + " raw=" + pr.bytes(u.raw_body, label + "_raw");
        pr.end_line();
        return;
    }
    print_unit_line(u, pr, label);
    for (const forms::EventBinding& b : u.events) {
        char h[16];
        std::snprintf(h, sizeof h, b.handler < 0 ? "%d" : "0x%x", b.handler);
        pr.out += "    on " + std::to_string(b.event) + " handler=" + std::string(h) + "\n";
    }
    if (u.block.empty()) {
        pr.out += "    block empty\n";
        return;
    }
    bool done = false;
    visit_kind(u.kind, [&](auto tag) {
        done = print_props<typename decltype(tag)::type>(u.block, pr, label);
    });
    if (!done) {
        pr.out += "    block " + pr.bytes(u.block, label + "_block");
        pr.end_line();
    }
}

} // namespace

bool dump_form_source(const forms::ArchiveModel& model, const DumpOptions& options,
                      std::string& out, std::string* error) {
    Printer pr(options);
    try {
        pr.out += "# form archive: " + std::to_string(model.windows.size()) + " window(s)\n";
        for (const forms::WindowDesc& w : model.windows) {
            pr.out += "\nwindow " + hex32(w.id) + " attr_a=" + hex32(w.attr_a) +
                      " attr_b=" + hex32(w.attr_b) + " text_a=" + quote(w.text_a) +
                      " text_b=" + quote(w.text_b) + "\n";
            for (const forms::UnitDesc& u : w.units) {
                pr.out += "\n";
                print_unit(u, pr, hex32(w.id).substr(2) + "_" + hex32(u.id).substr(2));
            }
        }
    } catch (const DumpFailure& e) {
        if (error)
            *error = e.message;
        return false;
    }
    out = std::move(pr.out);
    return true;
}

} // namespace vantor::tools
