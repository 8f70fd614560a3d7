// The form compiler's parser: statements of a form source into an archive model.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "forms/blocks.h"
#include "tools/form_kinds.h"
#include "tools/form_lexer.h"
#include "tools/form_source.h"
#include "tools/form_values.h"

namespace vantor::tools {

namespace fs = std::filesystem;

std::string Diagnostic::str() const {
    std::string s = file;
    if (line > 0)
        s += ":" + std::to_string(line);
    return s + ": error: " + message;
}

namespace {

// ------------------------------------------------------------------ blocks

struct PropLine {
    int line;
    std::string name;
    Value value;
};

// A choice's value by its name (forms/choices.h) or any 32-bit number.
template <class P>
int32_t choice_or_number(const Field<P>& f, const Value& v, const std::string& what,
                         const Context& cx) {
    if (!f.choices.empty() && v.word && !v.str) {
        int32_t named = forms::choice_value(f.choices, v.word->text);
        if (named >= 0)
            return named;
        const char c = v.word->text.empty() ? '0' : v.word->text[0];
        if (!(c == '-' || (c >= '0' && c <= '9')))
            cx.fail(what + ": '" + v.word->text + "' is none of " + std::string(f.choices));
    }
    return static_cast<int32_t>(cx.dword(v, what, f.type == FieldType::Logical));
}

template <class P> void assign(P& p, const Field<P>& f, const Value& v, const Context& cx) {
    std::string what = std::string("property ") + f.name;
    std::visit(
        [&](auto member) {
            using M = std::remove_reference_t<decltype(p.*member)>;
            if constexpr (std::is_same_v<M, int32_t>) {
                p.*member = choice_or_number(f, v, what, cx);
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
    void add_symbol(const Item& item, uint32_t id);

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
    using Stmt = void (Parser::*)(const std::vector<Item>&);
    static constexpr std::pair<std::string_view, Stmt> kStatements[] = {
        {"handler", &Parser::handler_stmt}, {"window", &Parser::window_stmt},
        {"unit", &Parser::unit_stmt},       {"on", &Parser::on_stmt},
        {"prop", &Parser::prop_stmt},       {"block", &Parser::block_stmt}};
    for (const auto& [name, run] : kStatements) {
        if (kw == name)
            return (this->*run)(items);
    }
    std::string expected; // "a, b or c"
    for (const auto& [name, run] : kStatements) {
        if (!expected.empty())
            expected += &name == &std::end(kStatements)[-1].first ? " or " : ", ";
        expected += name;
    }
    cx_.fail("unknown statement '" + (kw.empty() ? head.value.describe() : kw) + "' (expected " +
             expected + ")");
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
        else if (it.key == "symbol")
            add_symbol(it, w.id);
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

// Unit fields that take one value of a plain kind.
template <class T> using UnitField = T forms::UnitDesc::*;
template <class T> struct UnitMember {
    const char* key;
    UnitField<T> member;
};
constexpr UnitMember<std::string> kTextFields[] = {{"name", &forms::UnitDesc::name},
                                                   {"remark", &forms::UnitDesc::remark},
                                                   {"tag", &forms::UnitDesc::tag}};
constexpr UnitMember<int32_t> kSignedFields[] = {{"left", &forms::UnitDesc::left},
                                                 {"top", &forms::UnitDesc::top},
                                                 {"width", &forms::UnitDesc::width},
                                                 {"height", &forms::UnitDesc::height}};
constexpr UnitMember<uint32_t> kDwordFields[] = {{"tab", &forms::UnitDesc::tab_order},
                                                 {"parent", &forms::UnitDesc::parent},
                                                 {"event_source", &forms::UnitDesc::event_source},
                                                 {"object_slot", &forms::UnitDesc::object_slot},
                                                 {"cursor_slot", &forms::UnitDesc::cursor_slot},
                                                 {"reserved_b", &forms::UnitDesc::reserved_b}};

void Parser::unit_field(forms::UnitDesc& u, const Item& it) {
    const std::string& k = it.key;
    const Value& v = it.value;
    for (const auto& f : kTextFields)
        if (k == f.key)
            return void(u.*f.member = cx_.ztext(v, k));
    for (const auto& f : kSignedFields)
        if (k == f.key)
            return void(u.*f.member = cx_.signed32(v, k));
    for (const auto& f : kDwordFields)
        if (k == f.key)
            return void(u.*f.member = cx_.dword(v, k));
    if (k == "kind")
        u.kind = kind_value(v, cx_);
    else if (k == "state")
        u.state = state_flags(v, cx_);
    else if (k == "children")
        u.children = dword_list(v, "children", cx_);
    else if (k == "mouse_pointer")
        u.mouse_pointer = cx_.bytes(v, "mouse_pointer");
    else if (k == "reserved_a")
        fixed_list(u.reserved_a, v, "reserved_a", cx_);
    else if (k == "reserved_c")
        fixed_list(u.reserved_c, v, "reserved_c", cx_);
    else if (k == "symbol")
        add_symbol(it, u.id);
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

// A name for the program's code: a C identifier, given once.
void Parser::add_symbol(const Item& item, uint32_t id) {
    if (!item.value.word || item.value.str)
        cx_.fail("symbol: expected a name, got " + item.value.describe());
    const std::string name = item.value.word->text;
    if (!is_identifier(name))
        cx_.fail("symbol '" + name + "' is no identifier (letters, digits, _)");
    FormSymbols* symbols = cx_.options().symbols;
    if (!symbols)
        return;
    for (const auto& [other, other_id] : symbols->ids)
        if (other == name)
            cx_.fail("symbol '" + name + "' names " + hex32(other_id) + " already");
    symbols->ids.emplace_back(name, id);
}

void Parser::resolve_handlers() {
    if (FormSymbols* symbols = cx_.options().symbols) {
        for (const auto& [name, declared] : handlers_)
            symbols->handlers[name] = declared.offset;
        for (const auto& [name, offset] : cx_.options().handlers)
            symbols->handlers[name] = offset;
    }
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
} // namespace vantor::tools
