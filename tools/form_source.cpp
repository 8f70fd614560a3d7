#include "tools/form_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <span>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "forms/blocks.h"
#include "tools/gbk.h"

namespace vantor::tools {

namespace fs = std::filesystem;
using forms::ButtonProps;
using forms::ByteVec;
using forms::CommonDlgProps;
using forms::EditBoxProps;
using forms::TransLabelProps;
using forms::WindowProps;

std::string Diagnostic::str() const {
    std::string s = file;
    if (line > 0)
        s += ":" + std::to_string(line);
    return s + ": error: " + message;
}

namespace {

// ------------------------------------------------------------------ kinds

struct KindName {
    const char* name;
    uint32_t kind;
};
constexpr KindName kKinds[] = {{"window", 0x00010001},
                               {"EditBox", 0x00010005},
                               {"Button", 0x0001000b},
                               {"CommonDlg", 0x0001001f},
                               {"TransLabel", 0x00020005}};

const char* kind_name(uint32_t kind) {
    for (const KindName& k : kKinds)
        if (k.kind == kind)
            return k.name;
    return nullptr;
}

// Calls f(std::type_identity<Props>{}) with the property struct of `kind`;
// false when the kind has no known block layout.
template <class F> bool visit_kind(uint32_t kind, F&& f) {
    switch (kind) {
    case 0x00010001:
        f(std::type_identity<WindowProps>{});
        return true;
    case 0x00010005:
        f(std::type_identity<EditBoxProps>{});
        return true;
    case 0x0001000b:
        f(std::type_identity<ButtonProps>{});
        return true;
    case 0x0001001f:
        f(std::type_identity<CommonDlgProps>{});
        return true;
    case 0x00020005:
        f(std::type_identity<TransLabelProps>{});
        return true;
    default:
        return false;
    }
}

// How a property is written in source: Int fields print signed, Hex fields
// (colours) in hex; Font is a byte buffer that must be empty or a LOGFONTA.
enum class FieldType { Int, Hex, Logical, Char16, Bytes, Font, Text };

template <class P>
using Member =
    std::variant<int32_t P::*, uint32_t P::*, uint16_t P::*, ByteVec P::*, std::string P::*>;

template <class P> struct Field {
    const char* name;
    FieldType type;
    Member<P> member;
};

constexpr size_t kLogFontSize = 60;

// Property lists in the order of the kinds' property tables (index 8 up).
template <class P> std::span<const Field<P>> fields();

template <> std::span<const Field<WindowProps>> fields() {
    using P = WindowProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"Caption", T::Text, &P::Caption},
        {"BorderStyle", T::Int, &P::BorderStyle},
        {"BackColor", T::Hex, &P::BackColor},
        {"BackPicture", T::Bytes, &P::BackPicture},
        {"PictureMode", T::Int, &P::PictureMode},
        {"BackSound", T::Bytes, &P::BackSound},
        {"SoundMode", T::Int, &P::SoundMode},
        {"ControlBox", T::Logical, &P::ControlBox},
        {"MaxButton", T::Logical, &P::MaxButton},
        {"MinButton", T::Logical, &P::MinButton},
        {"Position", T::Int, &P::Position},
        {"Movable", T::Logical, &P::Movable},
        {"Icon", T::Bytes, &P::Icon},
        {"EnterMovesFocus", T::Logical, &P::EnterMovesFocus},
        {"EscCloses", T::Logical, &P::EscCloses},
        {"F1OpensHelp", T::Logical, &P::F1OpensHelp},
        {"HelpFile", T::Text, &P::HelpFile},
        {"HelpContext", T::Int, &P::HelpContext},
        {"ShowInTaskbar", T::Logical, &P::ShowInTaskbar},
        {"DragByClient", T::Logical, &P::DragByClient},
        {"Shape", T::Int, &P::Shape},
        {"AlwaysOnTop", T::Logical, &P::AlwaysOnTop},
        {"KeepTitleActive", T::Logical, &P::KeepTitleActive},
        {"ClassName", T::Text, &P::ClassName},
    };
    return f;
}

template <> std::span<const Field<EditBoxProps>> fields() {
    using P = EditBoxProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"Content", T::Text, &P::Content},
        {"BorderStyle", T::Int, &P::BorderStyle},
        {"TextColor", T::Hex, &P::TextColor},
        {"BackColor", T::Hex, &P::BackColor},
        {"Font", T::Font, &P::Font},
        {"HideSelection", T::Logical, &P::HideSelection},
        {"MaxLength", T::Int, &P::MaxLength},
        {"MultiLine", T::Logical, &P::MultiLine},
        {"ScrollBars", T::Int, &P::ScrollBars},
        {"Alignment", T::Int, &P::Alignment},
        {"InputMode", T::Int, &P::InputMode},
        {"PasswordChar", T::Char16, &P::PasswordChar},
        {"CaseConversion", T::Int, &P::CaseConversion},
        {"SpinMode", T::Int, &P::SpinMode},
        {"SpinMin", T::Int, &P::SpinMin},
        {"SpinMax", T::Int, &P::SpinMax},
        {"SelStart", T::Int, &P::SelStart},
        {"SelLength", T::Int, &P::SelLength},
        {"DataSource", T::Text, &P::DataSource},
        {"DataColumn", T::Text, &P::DataColumn},
    };
    return f;
}

template <> std::span<const Field<ButtonProps>> fields() {
    using P = ButtonProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"Picture", T::Bytes, &P::Picture}, {"ButtonType", T::Int, &P::ButtonType},
        {"Caption", T::Text, &P::Caption},  {"HAlign", T::Int, &P::HAlign},
        {"VAlign", T::Int, &P::VAlign},     {"Font", T::Font, &P::Font},
    };
    return f;
}

template <> std::span<const Field<CommonDlgProps>> fields() {
    using P = CommonDlgProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"DialogType", T::Int, &P::DialogType},
        {"Title", T::Text, &P::Title},
        {"FileName", T::Text, &P::FileName},
        {"Filter", T::Text, &P::Filter},
        {"FilterIndex", T::Int, &P::FilterIndex},
        {"InitialDir", T::Text, &P::InitialDir},
        {"DefaultExt", T::Text, &P::DefaultExt},
        {"CreatePrompt", T::Logical, &P::CreatePrompt},
        {"FileMustExist", T::Logical, &P::FileMustExist},
        {"OverwritePrompt", T::Logical, &P::OverwritePrompt},
        {"PathMustExist", T::Logical, &P::PathMustExist},
        {"KeepCurrentDir", T::Logical, &P::KeepCurrentDir},
        {"FontColor", T::Hex, &P::FontColor},
        {"Bold", T::Logical, &P::Bold},
        {"Italic", T::Logical, &P::Italic},
        {"StrikeOut", T::Logical, &P::StrikeOut},
        {"Underline", T::Logical, &P::Underline},
        {"FontName", T::Text, &P::FontName},
        {"FontSize", T::Int, &P::FontSize},
        {"HelpFile", T::Text, &P::HelpFile},
        {"HelpCommand", T::Int, &P::HelpCommand},
        {"HelpContext", T::Int, &P::HelpContext},
    };
    return f;
}

template <> std::span<const Field<TransLabelProps>> fields() {
    using P = TransLabelProps;
    using T = FieldType;
    static const Field<P> f[] = {
        {"Caption", T::Text, &P::Caption}, {"TextEffect", T::Int, &P::TextEffect},
        {"Font", T::Font, &P::Font},       {"TextColor", T::Hex, &P::TextColor},
        {"HAlign", T::Int, &P::HAlign},    {"WordWrap", T::Logical, &P::WordWrap},
        {"VAlign", T::Int, &P::VAlign},
    };
    return f;
}

template <class P> const Field<P>* find_field(std::string_view name) {
    for (const Field<P>& f : fields<P>())
        if (name == f.name)
            return &f;
    return nullptr;
}

bool valid_id(uint32_t id) {
    return (id & 0x00FFFFFF) != 0 && (id & 0x0F000000) != 0;
}

std::string hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", v);
    return buf;
}

// ------------------------------------------------------------------ lexer

// Internal failure carrying the source line; turned into a Diagnostic at the API.
struct SourceError {
    int line;
    std::string message;
};

struct Segment {
    bool raw; // from \xHH: copied as is, not converted to GBK
    std::string bytes;
};

struct Token {
    enum Type { Word, String, Equals } type;
    std::string text; // Word: as written; String: the segments joined
    std::vector<Segment> segments;
    bool glued; // no blank before it
};

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads the quoted string starting at line[i] == '"'; i ends after the quote.
Token lex_string(std::string_view line, size_t& i, int line_no, bool glued) {
    Token t{Token::String, {}, {}, glued};
    auto add = [&](bool raw, std::string_view bytes) {
        if (t.segments.empty() || t.segments.back().raw != raw)
            t.segments.push_back({raw, {}});
        t.segments.back().bytes.append(bytes);
        t.text.append(bytes);
    };
    for (++i; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            ++i;
            return t;
        }
        if (c != '\\') {
            add(false, line.substr(i, 1));
            continue;
        }
        if (++i >= line.size())
            break;
        switch (line[i]) {
        case '"':
            add(false, "\"");
            break;
        case '\\':
            add(false, "\\");
            break;
        case 'n':
            add(false, "\n");
            break;
        case 'r':
            add(false, "\r");
            break;
        case 't':
            add(false, "\t");
            break;
        case 'x': {
            int hi = i + 1 < line.size() ? hex_digit(line[i + 1]) : -1;
            int lo = i + 2 < line.size() ? hex_digit(line[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                throw SourceError{line_no, "\\x must be followed by two hex digits"};
            char byte = static_cast<char>(hi * 16 + lo);
            add(true, std::string_view(&byte, 1));
            i += 2;
            break;
        }
        default:
            throw SourceError{line_no, std::string("unknown escape '\\") + line[i] + "' in text"};
        }
    }
    throw SourceError{line_no, "text is not closed by '\"'"};
}

std::vector<Token> tokenize(std::string_view line, int line_no) {
    std::vector<Token> tokens;
    size_t i = 0;
    bool glued = false;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            glued = false;
            continue;
        }
        if (c == '#')
            break;
        if (c == '"') {
            tokens.push_back(lex_string(line, i, line_no, glued));
        } else if (c == '=') {
            tokens.push_back({Token::Equals, "=", {}, glued});
            ++i;
        } else {
            size_t end = line.find_first_of(" \t\r\"=#", i);
            if (end == std::string_view::npos)
                end = line.size();
            tokens.push_back({Token::Word, std::string(line.substr(i, end - i)), {}, glued});
            i = end;
        }
        glued = true;
    }
    return tokens;
}

// A value: a bare word, a quoted text, or a prefix word glued to a quoted text
// (file:"x", hex:"00 11").
struct Value {
    std::optional<Token> word;
    std::optional<Token> str;

    std::string describe() const {
        std::string s = word ? word->text : "";
        if (str)
            s += "\"" + str->text + "\"";
        return s;
    }
};

struct Item {
    std::string key; // empty for a positional item
    Value value;
};

Value read_value(const std::vector<Token>& t, size_t& i, int line_no) {
    Value v;
    if (t[i].type == Token::Equals)
        throw SourceError{line_no, "unexpected '='"};
    if (t[i].type == Token::String) {
        v.str = t[i++];
        return v;
    }
    v.word = t[i++];
    if (!v.word->text.empty() && v.word->text.back() == ':' && i < t.size() &&
        t[i].type == Token::String && t[i].glued)
        v.str = t[i++];
    return v;
}

std::vector<Item> split_items(const std::vector<Token>& t, int line_no) {
    std::vector<Item> items;
    size_t i = 0;
    while (i < t.size()) {
        Item item;
        if (t[i].type == Token::Word && i + 1 < t.size() && t[i + 1].type == Token::Equals &&
            t[i + 1].glued) {
            item.key = t[i].text;
            i += 2;
            if (i >= t.size() || !t[i].glued)
                throw SourceError{line_no, "missing value after '" + item.key + "='"};
        }
        item.value = read_value(t, i, line_no);
        items.push_back(std::move(item));
    }
    return items;
}

// ------------------------------------------------------------------ values

class Context {
  public:
    Context(std::string path, const CompileOptions& options)
        : path_(std::move(path)), dir_(fs::path(path_).parent_path()), options_(options) {}

    int line = 0;
    const CompileOptions& options() const { return options_; }

    [[noreturn]] void fail(const std::string& message) const { throw SourceError{line, message}; }

    // Any 32-bit value: -2^31 .. 2^32-1, stored as its bit pattern.
    uint32_t dword(const Value& v, const std::string& what, bool logical = false) const {
        int64_t n = integer(v, what, logical);
        if (n < INT32_MIN || n > static_cast<int64_t>(UINT32_MAX))
            fail(what + ": " + v.describe() + " does not fit in 32 bits");
        return static_cast<uint32_t>(n);
    }

    int32_t signed32(const Value& v, const std::string& what) const {
        int64_t n = integer(v, what, false);
        if (n < INT32_MIN || n > INT32_MAX)
            fail(what + ": " + v.describe() + " is out of range for a signed 32-bit number");
        return static_cast<int32_t>(n);
    }

    uint32_t id(const Value& v, const std::string& what) const {
        uint32_t n = dword(v, what);
        if (!valid_id(n))
            fail(what + " " + hex32(n) +
                 " is not a valid id (its low 24 bits and bits 24-27 must be nonzero)");
        return n;
    }

    std::string text(const Value& v, const std::string& what) const {
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

    // A z-text of the unit record: may not hold a 0 byte.
    std::string ztext(const Value& v, const std::string& what) const {
        std::string s = text(v, what);
        if (s.find('\0') != std::string::npos)
            fail(what + ": a 0 byte cannot be stored here");
        return s;
    }

    ByteVec bytes(const Value& v, const std::string& what) const;

  private:
    int64_t integer(const Value& v, const std::string& what, bool logical) const;
    ByteVec hex_bytes(std::string_view digits, const std::string& what) const;
    ByteVec file_bytes(const std::string& name, const std::string& what) const;

    std::string path_;
    fs::path dir_;
    const CompileOptions& options_;
};

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
    if (!read_file(p.string(), data, error))
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

// ------------------------------------------------------------------ blocks

struct PropLine {
    int line;
    std::string name;
    Value value;
};

template <class P> void assign(P& p, const Field<P>& f, const Value& v, const Context& cx) {
    std::string what = std::string("property ") + f.name;
    std::visit(
        [&](auto member) {
            using M = std::remove_reference_t<decltype(p.*member)>;
            if constexpr (std::is_same_v<M, int32_t>) {
                p.*member = static_cast<int32_t>(cx.dword(v, what, f.type == FieldType::Logical));
            } else if constexpr (std::is_same_v<M, uint32_t>) {
                p.*member = cx.dword(v, what, f.type == FieldType::Logical);
            } else if constexpr (std::is_same_v<M, uint16_t>) {
                uint32_t n = 0;
                if (v.str && !v.word) {
                    std::string s = cx.text(v, what);
                    if (s.empty() || s.size() > 2)
                        cx.fail(what + ": expected one character");
                    for (size_t i = s.size(); i-- > 0;)
                        n = n << 8 | static_cast<uint8_t>(s[i]);
                } else {
                    n = cx.dword(v, what);
                    if (n > 0xFFFF)
                        cx.fail(what + ": " + v.describe() + " does not fit in 16 bits");
                }
                p.*member = static_cast<uint16_t>(n);
            } else if constexpr (std::is_same_v<M, ByteVec>) {
                p.*member = cx.bytes(v, what);
                if (f.type == FieldType::Font && !(p.*member).empty() &&
                    (p.*member).size() != kLogFontSize)
                    cx.fail(what + ": a font is empty or a 60-byte LOGFONTA, got " +
                            std::to_string((p.*member).size()) + " bytes");
            } else {
                p.*member = cx.text(v, what);
            }
        },
        f.member);
}

uint32_t block_version(const ByteVec& block) {
    uint32_t v = 0;
    for (size_t i = 4; i-- > 0 && block.size() >= 4;)
        v = v << 8 | block[i];
    return v;
}

// Builds the block of one unit from its `prop` lines; `version` 0 = highest.
template <class P>
ByteVec build_block(const std::vector<PropLine>& props, uint32_t version, int block_line,
                    Context& cx) {
    P p;
    if (version != 0)
        p.version = version;
    for (const PropLine& pl : props) {
        cx.line = pl.line;
        assign(p, *find_field<P>(pl.name), pl.value, cx);
    }
    ByteVec block = forms::write_block(p);
    if (block_version(block) != p.version) {
        cx.line = block_line;
        cx.fail("block version=" + std::to_string(p.version) +
                " cannot hold the properties set for this unit; they need version " +
                std::to_string(block_version(block)));
    }
    return block;
}

// ------------------------------------------------------------------ parser

class Parser {
  public:
    Parser(const std::string& path, const CompileOptions& options) : cx_(path, options) {}

    void run(std::string_view text, forms::ArchiveModel& out);

  private:
    enum class BlockMode { Default, Empty, Version, Raw };

    struct PendingUnit {
        uint32_t kind = 0;
        bool menu = false;
        std::vector<PropLine> props;
        BlockMode mode = BlockMode::Default;
        int block_line = 0;
        uint32_t version = 0;
        ByteVec raw;
    };

    struct HandlerUse {
        size_t window, unit, event;
        std::string name;
        int line;
    };

    struct HandlerDecl {
        int32_t offset;
        int line;
    };

    void statement(const std::vector<Item>& items);
    void handler_stmt(const std::vector<Item>& items);
    void window_stmt(const std::vector<Item>& items);
    void unit_stmt(const std::vector<Item>& items);
    void unit_field(forms::UnitDesc& u, const Item& item);
    void on_stmt(const std::vector<Item>& items);
    void prop_stmt(const std::vector<Item>& items);
    void block_stmt(const std::vector<Item>& items);
    void finish_unit();
    void resolve_handlers();

    forms::WindowDesc& window() { return out_->windows.back(); }
    forms::UnitDesc& unit() { return window().units.back(); }
    void need_unit(const char* stmt) {
        if (!pending_)
            cx_.fail(std::string("'") + stmt + "' must follow a 'unit' line");
    }
    void need_count(const std::vector<Item>& items, size_t n, const char* usage) {
        if (items.size() != n)
            cx_.fail(std::string("expected: ") + usage);
    }

    Context cx_;
    forms::ArchiveModel* out_ = nullptr;
    std::optional<PendingUnit> pending_;
    std::map<std::string, HandlerDecl> handlers_;
    std::vector<HandlerUse> handler_uses_;
};

void Parser::run(std::string_view text, forms::ArchiveModel& out) {
    out_ = &out;
    out.windows.clear();
    if (text.substr(0, 3) == "\xef\xbb\xbf")
        text.remove_prefix(3); // a UTF-8 byte order mark some editors write
    int line_no = 0;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        cx_.line = ++line_no;
        std::vector<Item> items = split_items(tokenize(line, line_no), line_no);
        if (!items.empty())
            statement(items);
    }
    finish_unit();
    resolve_handlers();
}

void Parser::statement(const std::vector<Item>& items) {
    const Item& head = items[0];
    std::string kw = head.key.empty() && head.value.word && !head.value.str ? head.value.word->text
                                                                            : std::string();
    if (kw == "handler")
        return handler_stmt(items);
    if (kw == "window")
        return window_stmt(items);
    if (kw == "unit")
        return unit_stmt(items);
    if (kw == "on")
        return on_stmt(items);
    if (kw == "prop")
        return prop_stmt(items);
    if (kw == "block")
        return block_stmt(items);
    cx_.fail("unknown statement '" + (kw.empty() ? head.value.describe() : kw) +
             "' (expected handler, window, unit, on, prop or block)");
}

bool is_identifier(std::string_view s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9') || s[0] == '-')
        return false;
    for (char c : s)
        if (!(c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
              (c >= 'A' && c <= 'Z')))
            return false;
    return true;
}

void Parser::handler_stmt(const std::vector<Item>& items) {
    need_count(items, 2, "handler NAME=OFFSET");
    const Item& it = items[1];
    if (!is_identifier(it.key))
        cx_.fail("expected: handler NAME=OFFSET");
    if (auto prev = handlers_.find(it.key); prev != handlers_.end())
        cx_.fail("handler '" + it.key + "' is already declared at line " +
                 std::to_string(prev->second.line));
    handlers_[it.key] = {static_cast<int32_t>(cx_.dword(it.value, "handler " + it.key)), cx_.line};
}

void Parser::window_stmt(const std::vector<Item>& items) {
    finish_unit();
    if (items.size() < 2 || !items[1].key.empty())
        cx_.fail("expected: window ID [attr_a=N] ...");
    forms::WindowDesc w;
    w.id = cx_.id(items[1].value, "window id");
    for (const forms::WindowDesc& other : out_->windows)
        if (other.id == w.id)
            cx_.fail("window " + hex32(w.id) + " is defined twice");
    std::set<std::string> seen;
    for (size_t i = 2; i < items.size(); ++i) {
        const Item& it = items[i];
        if (!seen.insert(it.key).second)
            cx_.fail("'" + it.key + "' is given twice");
        if (it.key == "attr_a")
            w.attr_a = cx_.dword(it.value, "attr_a");
        else if (it.key == "attr_b")
            w.attr_b = cx_.dword(it.value, "attr_b");
        else if (it.key == "text_a")
            w.text_a = cx_.text(it.value, "text_a");
        else if (it.key == "text_b")
            w.text_b = cx_.text(it.value, "text_b");
        else
            cx_.fail("unknown window field '" + (it.key.empty() ? it.value.describe() : it.key) +
                     "' (expected attr_a, attr_b, text_a, text_b)");
    }
    out_->windows.push_back(std::move(w));
}

// Fills a comma-separated list of dwords (children, reserved words).
std::vector<uint32_t> dword_list(const Value& v, const std::string& what, const Context& cx) {
    std::vector<uint32_t> out;
    if (!v.word || v.str)
        cx.fail(what + ": expected numbers separated by ','");
    std::string_view s = v.word->text;
    if (s == "none")
        return out;
    while (true) {
        size_t comma = s.find(',');
        Value one;
        one.word = Token{Token::Word, std::string(s.substr(0, comma)), {}, false};
        out.push_back(cx.dword(one, what));
        if (comma == std::string_view::npos)
            return out;
        s.remove_prefix(comma + 1);
    }
}

template <size_t N>
void fixed_list(uint32_t (&dst)[N], const Value& v, const std::string& what, const Context& cx) {
    std::vector<uint32_t> got = dword_list(v, what, cx);
    if (got.size() != N)
        cx.fail(what + ": expected " + std::to_string(N) + " numbers, got " +
                std::to_string(got.size()));
    std::copy(got.begin(), got.end(), dst);
}

uint32_t state_flags(const Value& v, const Context& cx) {
    if (!v.word || v.str)
        cx.fail("state: expected flags such as visible,tabstop");
    std::string_view s = v.word->text;
    if (s == "none")
        return 0;
    if (!s.empty() && s[0] >= '0' && s[0] <= '9')
        return cx.dword(v, "state");
    uint32_t flags = 0;
    while (!s.empty()) {
        size_t comma = s.find(',');
        std::string_view name = s.substr(0, comma);
        if (name == "visible")
            flags |= 1;
        else if (name == "disabled")
            flags |= 2;
        else if (name == "tabstop")
            flags |= 4;
        else
            cx.fail("state: unknown flag '" + std::string(name) +
                    "' (expected visible, disabled, tabstop, none or a number)");
        s.remove_prefix(comma == std::string_view::npos ? s.size() : comma + 1);
    }
    return flags;
}

uint32_t kind_value(const Value& v, const Context& cx) {
    if (v.word && !v.str)
        for (const KindName& k : kKinds)
            if (v.word->text == k.name)
                return k.kind;
    if (v.word && !v.word->text.empty() && v.word->text[0] >= '0' && v.word->text[0] <= '9')
        return cx.dword(v, "kind");
    cx.fail("unknown kind '" + v.describe() +
            "' (expected window, EditBox, Button, CommonDlg, TransLabel or a number)");
}

void Parser::unit_field(forms::UnitDesc& u, const Item& it) {
    const std::string& k = it.key;
    const Value& v = it.value;
    if (k == "kind")
        u.kind = kind_value(v, cx_);
    else if (k == "name")
        u.name = cx_.ztext(v, "name");
    else if (k == "remark")
        u.remark = cx_.ztext(v, "remark");
    else if (k == "tag")
        u.tag = cx_.ztext(v, "tag");
    else if (k == "left")
        u.left = cx_.signed32(v, "left");
    else if (k == "top")
        u.top = cx_.signed32(v, "top");
    else if (k == "width")
        u.width = cx_.signed32(v, "width");
    else if (k == "height")
        u.height = cx_.signed32(v, "height");
    else if (k == "state")
        u.state = state_flags(v, cx_);
    else if (k == "tab")
        u.tab_order = cx_.dword(v, "tab");
    else if (k == "parent")
        u.parent = cx_.dword(v, "parent");
    else if (k == "children")
        u.children = dword_list(v, "children", cx_);
    else if (k == "event_source")
        u.event_source = cx_.dword(v, "event_source");
    else if (k == "mouse_pointer")
        u.mouse_pointer = cx_.bytes(v, "mouse_pointer");
    else if (k == "object_slot")
        u.object_slot = cx_.dword(v, "object_slot");
    else if (k == "cursor_slot")
        u.cursor_slot = cx_.dword(v, "cursor_slot");
    else if (k == "reserved_a")
        fixed_list(u.reserved_a, v, "reserved_a", cx_);
    else if (k == "reserved_b")
        u.reserved_b = cx_.dword(v, "reserved_b");
    else if (k == "reserved_c")
        fixed_list(u.reserved_c, v, "reserved_c", cx_);
    else
        cx_.fail("unknown unit field '" + (k.empty() ? v.describe() : k) + "'");
}

void Parser::unit_stmt(const std::vector<Item>& items) {
    finish_unit();
    if (out_->windows.empty())
        cx_.fail("'unit' before any 'window' line");
    if (items.size() < 2 || !items[1].key.empty())
        cx_.fail("expected: unit ID kind=KIND ...");
    forms::UnitDesc u;
    u.id = cx_.id(items[1].value, "unit id");
    for (const forms::UnitDesc& other : window().units)
        if (other.id == u.id)
            cx_.fail("unit " + hex32(u.id) + " is defined twice in this window");
    PendingUnit pending;
    pending.menu = forms::is_menu_item_id(u.id);
    std::set<std::string> seen;
    for (size_t i = 2; i < items.size(); ++i) {
        if (!seen.insert(items[i].key).second)
            cx_.fail("'" + items[i].key + "' is given twice");
        if (pending.menu != (items[i].key == "raw"))
            cx_.fail(pending.menu ? "a menu item unit takes only raw=BYTES"
                                  : "raw= is only for menu item units");
        if (pending.menu)
            u.raw_body = cx_.bytes(items[i].value, "raw");
        else
            unit_field(u, items[i]);
    }
    if (pending.menu && !seen.count("raw"))
        cx_.fail("a menu item unit needs raw=BYTES");
    if (pending.menu && u.raw_body.size() < 4)
        cx_.fail("a menu item body starts with its 4-byte handler offset; got " +
                 std::to_string(u.raw_body.size()) + " bytes");
    if (!pending.menu && !seen.count("kind"))
        cx_.fail("unit " + hex32(u.id) + " needs kind=");
    if (!pending.menu && !seen.count("mouse_pointer"))
        u.mouse_pointer = ByteVec(4, 0);
    pending.kind = u.kind;
    window().units.push_back(std::move(u));
    pending_ = std::move(pending);
}

void Parser::on_stmt(const std::vector<Item>& items) {
    need_unit("on");
    if (pending_->menu)
        cx_.fail("a menu item unit has no event bindings here");
    if (items.size() != 3 || !items[1].key.empty() || items[2].key != "handler")
        cx_.fail("expected: on EVENT handler=OFFSET|NAME");
    forms::EventBinding b{cx_.signed32(items[1].value, "event number"), -1};
    const Value& h = items[2].value;
    if (h.word && !h.str && is_identifier(h.word->text)) {
        handler_uses_.push_back({out_->windows.size() - 1, window().units.size() - 1,
                                 unit().events.size(), h.word->text, cx_.line});
    } else {
        b.handler = static_cast<int32_t>(cx_.dword(h, "handler"));
    }
    unit().events.push_back(b);
}

void Parser::prop_stmt(const std::vector<Item>& items) {
    need_unit("prop");
    if (items.size() != 3 || !items[1].key.empty() || !items[2].key.empty() ||
        !items[1].value.word || items[1].value.str)
        cx_.fail("expected: prop NAME VALUE");
    const std::string& name = items[1].value.word->text;
    bool known = false;
    bool has_kind = visit_kind(pending_->kind, [&](auto tag) {
        known = find_field<typename decltype(tag)::type>(name) != nullptr;
    });
    if (!has_kind)
        cx_.fail("kind " + hex32(pending_->kind) +
                 " has no known properties; give its block as block hex:... or block file:...");
    if (!known)
        cx_.fail("unknown property '" + name + "' for kind " + kind_name(pending_->kind));
    for (const PropLine& pl : pending_->props)
        if (pl.name == name)
            cx_.fail("property " + name + " is already set at line " + std::to_string(pl.line));
    if (pending_->mode == BlockMode::Empty || pending_->mode == BlockMode::Raw)
        cx_.fail("property lines cannot be combined with 'block empty' or a raw block");
    pending_->props.push_back({cx_.line, name, items[2].value});
}

void Parser::block_stmt(const std::vector<Item>& items) {
    need_unit("block");
    if (pending_->menu)
        cx_.fail("a menu item unit has no kind-specific block");
    if (pending_->mode != BlockMode::Default)
        cx_.fail("the block is already given at line " + std::to_string(pending_->block_line));
    if (items.size() != 2)
        cx_.fail("expected: block empty | block version=N | block BYTES");
    const Item& it = items[1];
    pending_->block_line = cx_.line;
    if (it.key == "version") {
        uint32_t max = 0;
        if (!visit_kind(pending_->kind, [&](auto tag) { max = decltype(tag)::type::kMaxVersion; }))
            cx_.fail("kind " + hex32(pending_->kind) + " has no known block layout");
        pending_->version = cx_.dword(it.value, "block version");
        if (pending_->version < 1 || pending_->version > max)
            cx_.fail("block version " + std::to_string(pending_->version) + " of kind " +
                     kind_name(pending_->kind) + " must be 1 to " + std::to_string(max));
        pending_->mode = BlockMode::Version;
        return;
    }
    if (!it.key.empty())
        cx_.fail("unknown block field '" + it.key + "'");
    bool empty = it.value.word && !it.value.str && it.value.word->text == "empty";
    pending_->mode = empty ? BlockMode::Empty : BlockMode::Raw;
    if (!empty)
        pending_->raw = cx_.bytes(it.value, "block");
    if (!pending_->props.empty())
        cx_.fail("property lines cannot be combined with 'block empty' or a raw block");
}

void Parser::finish_unit() {
    if (!pending_)
        return;
    PendingUnit p = std::move(*pending_);
    pending_.reset();
    forms::UnitDesc& u = unit();
    int saved = cx_.line;
    if (p.mode == BlockMode::Raw) {
        u.block = std::move(p.raw);
    } else if (p.mode == BlockMode::Version || !p.props.empty()) {
        visit_kind(p.kind, [&](auto tag) {
            u.block =
                build_block<typename decltype(tag)::type>(p.props, p.version, p.block_line, cx_);
        });
    }
    cx_.line = saved;
}

void Parser::resolve_handlers() {
    for (const HandlerUse& use : handler_uses_) {
        int32_t offset;
        if (auto o = cx_.options().handlers.find(use.name); o != cx_.options().handlers.end()) {
            offset = o->second;
        } else if (auto d = handlers_.find(use.name); d != handlers_.end()) {
            offset = d->second.offset;
        } else {
            cx_.line = use.line;
            cx_.fail("unknown handler '" + use.name + "': declare it with 'handler " + use.name +
                     "=OFFSET' or give --handler " + use.name + "=OFFSET");
        }
        out_->windows[use.window].units[use.unit].events[use.event].handler = offset;
    }
}

} // namespace

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

bool parse_form_source(std::string_view text, const std::string& path,
                       const CompileOptions& options, forms::ArchiveModel& out, Diagnostic& diag) {
    try {
        Parser(path, options).run(text, out);
        return true;
    } catch (const SourceError& e) {
        diag = {path, e.line, e.message};
        return false;
    }
}

bool load_form_source(const std::string& path, const CompileOptions& options,
                      forms::ArchiveModel& out, Diagnostic& diag) {
    std::string text, error;
    if (!read_file(path, text, error)) {
        diag = {path, 0, "cannot read: " + error};
        return false;
    }
    return parse_form_source(text, path, options, out, diag);
}

// ------------------------------------------------------------------ dump

namespace {

struct DumpFailure {
    std::string message;
};

// Quotes a GBK text as UTF-8 source. Bytes that do not survive GBK -> UTF-8 ->
// GBK unchanged are written as \xHH so that compiling gives the same bytes.
std::string quote(std::string_view gbk) {
    std::string out = "\"";
    char esc[8];
    for (size_t i = 0; i < gbk.size();) {
        auto c = static_cast<unsigned char>(gbk[i]);
        if (c >= 0x80 && i + 1 < gbk.size()) {
            std::string utf8, back;
            if (gbk_to_utf8(gbk.substr(i, 2), utf8) && utf8_to_gbk(utf8, back, nullptr) &&
                back == gbk.substr(i, 2)) {
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
        const char* ext = std::equal(kIco, kIco + 4, data.begin())   ? ".ico"
                          : std::equal(kPng, kPng + 4, data.begin()) ? ".png"
                                                                     : ".bin";
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
