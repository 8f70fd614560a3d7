// Form compiler and dump: GBK conversion, source errors with their lines, what
// a source compiles to, and dump -> compile reproducing an archive byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "forms/blocks.h"
#include "forms/model.h"
#include "tools/form_kinds.h"
#include "tools/form_source.h"
#include "tools/gbk.h"

namespace {

namespace fs = std::filesystem;
using vantor::forms::ArchiveModel;
using vantor::forms::ByteVec;
using vantor::tools::CompileOptions;
using vantor::tools::Diagnostic;

// Narrow literals are GBK in this build; form sources are UTF-8, so test
// sources are written as u8 literals.
std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

// A scratch directory per test, removed afterwards.
class FormTools : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("vantor_form_tools_" + std::to_string(getpid()) + "_" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    void write(const std::string& name, const std::string& data) const {
        std::ofstream(dir_ / name, std::ios::binary) << data;
    }

    // Compiles `source` as if it were the file form.form in the scratch directory.
    bool compile(const std::string& source, ArchiveModel& model, Diagnostic& diag,
                 const CompileOptions& options = {}) const {
        return vantor::tools::parse_form_source(source, path("form.form"), options, model, diag);
    }

    ArchiveModel compile_ok(const std::string& source, const CompileOptions& options = {}) const {
        ArchiveModel model;
        Diagnostic diag;
        EXPECT_TRUE(compile(source, model, diag, options)) << diag.str();
        return model;
    }

    // Dumps `model` next to the scratch source and compiles the dump back.
    ByteVec dump_and_recompile(const ArchiveModel& model, std::string* text = nullptr,
                               size_t inline_limit = 256) const {
        vantor::tools::DumpOptions options;
        options.inline_limit = inline_limit;
        options.extract_dir = path("buffers");
        options.source_dir = dir_.string();
        std::string dumped, error;
        EXPECT_TRUE(vantor::tools::dump_form_source(model, options, dumped, &error)) << error;
        if (text)
            *text = dumped;
        ArchiveModel again;
        Diagnostic diag;
        EXPECT_TRUE(compile(dumped, again, diag)) << diag.str() << "\n" << dumped;
        return vantor::forms::encode_archive(again);
    }

    fs::path dir_;
};

const char8_t kHeader[] = u8"window 0x52010003\n";

// ---------------------------------------------------------------- GBK

TEST(Gbk, ConvertsUtf8ToGbkBytes) {
    struct Case {
        const char8_t* utf8;
        const char* gbk;
    } cases[] = {
        {u8"Nox.exe", "Nox.exe"},
        {u8"高", "\xb8\xdf"},
        {u8"分辨率 宽 ", "\xb7\xd6\xb1\xe6\xc2\xca \xbf\xed "},
        {u8"", ""},
    };
    for (const Case& c : cases) {
        std::string out, error;
        EXPECT_TRUE(vantor::tools::utf8_to_gbk(utf8(c.utf8), out, &error)) << error;
        EXPECT_EQ(out, c.gbk);
        std::string back;
        EXPECT_TRUE(vantor::tools::gbk_to_utf8(out, back));
        EXPECT_EQ(back, utf8(c.utf8));
    }
}

TEST(Gbk, RejectsWhatGbkCannotHold) {
    std::string out, error;
    const std::string emoji = utf8(u8"ab😀"); // outside the macro: its text is GBK-encoded
    EXPECT_FALSE(vantor::tools::utf8_to_gbk(emoji, out, &error));
    EXPECT_NE(error.find("cannot be represented in GBK"), std::string::npos) << error;
    EXPECT_NE(error.find("byte 2"), std::string::npos) << error;

    EXPECT_FALSE(vantor::tools::utf8_to_gbk("a\xff", out, &error));
    EXPECT_NE(error.find("invalid UTF-8"), std::string::npos) << error;

    size_t bad = 0;
    EXPECT_FALSE(vantor::tools::gbk_to_utf8("ab\x81", out, &bad)); // lead byte cut off
    EXPECT_EQ(bad, 2u);
}

// ---------------------------------------------------------------- errors

struct ErrorCase {
    std::u8string source;
    int line;
    const char* message; // expected part of the message
};

TEST_F(FormTools, SourceErrorsNameTheirLine) {
    write("small.bin", "xy");
    // Most cases start with the window, many with its own unit's kind.
    const std::u8string window = u8"window 0x52010003",
                        unit = window + u8"\n  unit 0x06010002 kind=";
    const ErrorCase cases[] = {
        {u8"window 0x12000000\n", 1, "not a valid id"},
        {u8"unit 0x06010002 kind=window\n", 1, "before any 'window'"},
        {u8"handler a=1\nhandler a=2\n", 2, "already declared at line 1"},
        {u8"frob 1\n", 1, "unknown statement 'frob'"},
        // Within the window.
        {window + u8" attr_a=0x1ffffffff\n", 1, "does not fit in 32 bits"},
        {window + u8" text_a=\"open\n", 1, "not closed"},
        {window + u8" text_a=\"\\q\"\n", 1, "unknown escape"},
        {window + u8"\n  unit 0x06000000 kind=window\n", 2, "not a valid id"},
        {window + u8"\nwindow 0x52010003\n", 2, "defined twice"},
        {window + u8"\n  unit 0x06010002 left=1\n", 2, "needs kind="},
        {window + u8"\n  on 0 handler=1\n", 2, "must follow a 'unit'"},
        {window + u8"\n  unit 0x26000001 kind=window\n", 2, "menu item"},
        {window + u8"\n  unit 0x26000001 raw=hex:ffff\n", 2, "4-byte handler offset"},
        // Within a unit.
        {unit + u8"Frame\n", 2, "unknown kind 'Frame'"},
        {unit + u8"window left=12x\n", 2, "bad number '12x'"},
        {unit + u8"window left=3000000000\n", 2, "out of range"},
        {unit + u8"window name=\"a😀\"\n", 2, "cannot be represented in GBK"},
        {unit + u8"window\n  prop Icon file:\"no.ico\"\n", 3, "cannot read"},
        {unit + u8"window\n\n  prop Colour 1\n", 4, "unknown property 'Colour' for kind window"},
        {unit + u8"Button\n  on 0 handler=nowhere\n", 3, "unknown handler 'nowhere'"},
        {unit + u8"window\n  unit 0x06010002 kind=Button\n", 3, "defined twice"},
        {unit + u8"window left=1 left=2\n", 2, "given twice"},
        {unit + u8"window depth=1\n", 2, "unknown unit field 'depth'"},
        {unit + u8"window state=visible,shiny\n", 2, "unknown flag 'shiny'"},
        {unit + u8"window\n  block version=1\n  prop ClassName \"X\"\n", 3, "need version 6"},
        {unit + u8"window\n  block version=7\n", 3, "must be 1 to 6"},
        {unit + u8"window\n  block empty\n  prop Caption \"x\"\n", 4, "cannot be combined"},
        {unit + u8"window\n  prop Caption \"x\"\n  prop Caption \"y\"\n", 4,
         "already set at line 3"},
        {unit + u8"Button\n  prop Font file:\"small.bin\"\n", 3, "60-byte LOGFONTA"},
        {unit + u8"0x00030001\n  prop Caption \"x\"\n", 3, "no known properties"},
        {unit + u8"window\n  prop Icon omitted:99\n", 3, "--extract-dir"},
        {unit + u8"window\n  block hex:0g\n", 3, "not a hex digit"},
        {unit + u8"window mouse_pointer=hex:123\n", 2, "odd number of hex digits"},
        {unit + u8"window name=abc\n", 2, "expected a quoted text"},
        {unit + u8"window name=\"a\\x00b\"\n", 2, "0 byte"},
        {unit + u8"window\n  prop Position Middle\n", 3, "'Middle' is none of Normal, Centred"},
        {unit + u8"EditBox\n  prop SpinMode 1x\n", 3, "bad number '1x'"},
    };
    for (const ErrorCase& c : cases) {
        std::string source = utf8(c.source.c_str());
        SCOPED_TRACE(source);
        ArchiveModel model;
        Diagnostic diag;
        ASSERT_FALSE(compile(source, model, diag));
        EXPECT_EQ(diag.line, c.line) << diag.str();
        EXPECT_NE(diag.message.find(c.message), std::string::npos)
            << "expected a message containing \"" << c.message << "\", got: " << diag.str();
        EXPECT_EQ(
            diag.str().rfind(path("form.form") + ":" + std::to_string(c.line) + ": error: ", 0), 0u)
            << diag.str();
    }
}

TEST_F(FormTools, MissingSourceFileIsReported) {
    ArchiveModel model;
    Diagnostic diag;
    EXPECT_FALSE(vantor::tools::load_form_source(path("absent.form"), {}, model, diag));
    EXPECT_EQ(diag.str(), path("absent.form") + ": error: cannot read: No such file or directory");
    EXPECT_FALSE(vantor::tools::load_form_source(dir_.string(), {}, model, diag));
    EXPECT_NE(diag.message.find("directory"), std::string::npos) << diag.str();
}

// ---------------------------------------------------------------- compiling

TEST_F(FormTools, UnitFieldsAndDefaults) {
    ArchiveModel m = compile_ok(utf8(u8R"(# comment line
window 0x52010003 attr_a=0x02050c88 attr_b=-1 text_a="A" text_b="\x81"
  unit 0x06010002 kind=window name="" left=-5 top=7 width=217 height=210 state=visible
  unit 0x16010004 kind=0x00010005 name="编辑框" remark="r" tag="t" state=visible,disabled,tabstop tab=3 parent=0x06010002 children=0x16010005,0,0x16010006 event_source=0x16010009 mouse_pointer=empty  # trailing comment
  unit 0x16010005 kind=Button state=0x10 mouse_pointer=hex:"01 00 00 00" reserved_a=1,2,3,4 reserved_b=5 reserved_c=6,7,8,9,10 object_slot=11 cursor_slot=12
  unit 0x26000001 raw=hex:ffffffff0102
)"));
    ASSERT_EQ(m.windows.size(), 1u);
    const auto& w = m.windows[0];
    EXPECT_EQ(w.attr_a, 0x02050c88u);
    EXPECT_EQ(w.attr_b, 0xffffffffu);
    EXPECT_EQ(w.text_a, "A");
    EXPECT_EQ(w.text_b, "\x81"); // raw byte, not converted
    ASSERT_EQ(w.units.size(), 4u);

    const auto& own = w.units[0];
    EXPECT_EQ(own.kind, 0x00010001u);
    EXPECT_EQ(own.left, -5);
    EXPECT_EQ(own.state, 1u);
    EXPECT_EQ(own.mouse_pointer, ByteVec(4, 0)); // the default: no cursor
    EXPECT_TRUE(own.block.empty());              // no prop lines: empty block

    const auto& edit = w.units[1];
    EXPECT_EQ(edit.kind, 0x00010005u);
    EXPECT_EQ(edit.name, "\xb1\xe0\xbc\xad\xbf\xf2");
    EXPECT_EQ(edit.remark, "r");
    EXPECT_EQ(edit.tag, "t");
    EXPECT_EQ(edit.state, 7u);
    EXPECT_EQ(edit.tab_order, 3u);
    EXPECT_EQ(edit.parent, 0x06010002u);
    EXPECT_EQ(edit.children, (std::vector<uint32_t>{0x16010005, 0, 0x16010006}));
    EXPECT_EQ(edit.event_source, 0x16010009u);
    EXPECT_TRUE(edit.mouse_pointer.empty());

    const auto& button = w.units[2];
    EXPECT_EQ(button.state, 0x10u);
    EXPECT_EQ(button.mouse_pointer, (ByteVec{1, 0, 0, 0}));
    EXPECT_EQ(button.reserved_a[3], 4u);
    EXPECT_EQ(button.reserved_b, 5u);
    EXPECT_EQ(button.reserved_c[4], 10u);
    EXPECT_EQ(button.object_slot, 11u);
    EXPECT_EQ(button.cursor_slot, 12u);

    EXPECT_EQ(w.units[3].raw_body, (ByteVec{0xff, 0xff, 0xff, 0xff, 1, 2}));
}

TEST_F(FormTools, HandlersFromNumbersDeclarationsAndCommandLine) {
    const std::string source = utf8(u8R"(
handler pick=0x44
window 0x52010003
  unit 0x06010002 kind=Button
    on 0 handler=pick
    on -7 handler=launch
    on 3 handler=-1
    on 4 handler=0x10
handler launch=0x100
)");
    ArchiveModel m = compile_ok(source);
    const auto& ev = m.windows[0].units[0].events;
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_EQ(ev[0].event, 0);
    EXPECT_EQ(ev[0].handler, 0x44);
    EXPECT_EQ(ev[1].event, -7);
    EXPECT_EQ(ev[1].handler, 0x100); // declared after its use
    EXPECT_EQ(ev[2].handler, -1);
    EXPECT_EQ(ev[3].handler, 0x10);

    CompileOptions options;
    options.handlers["pick"] = 0x2000;
    ArchiveModel m2 = compile_ok(source, options);
    EXPECT_EQ(m2.windows[0].units[0].events[0].handler, 0x2000);
    EXPECT_EQ(m2.windows[0].units[0].events[1].handler, 0x100);
}

TEST_F(FormTools, SymbolsNameIdsAndHandlersForTheProgramsHeader) {
    const std::string source = R"(handler pick_file=0x44
window 0x52010003 symbol=Main
  unit 0x06010002 kind=window symbol=MainUnit
  unit 0x16010005 kind=EditBox
  unit 0x16010006 kind=Button symbol=Start_2
)";
    vantor::tools::FormSymbols symbols;
    CompileOptions options;
    options.symbols = &symbols;
    options.handlers["launch"] = 0xC0;
    compile_ok(source, options);
    using Ids = std::vector<std::pair<std::string, uint32_t>>;
    EXPECT_EQ(symbols.ids,
              (Ids{{"Main", 0x52010003}, {"MainUnit", 0x06010002}, {"Start_2", 0x16010006}}));
    const std::string header = vantor::tools::symbols_header(symbols, "form.form", "app");
    for (const char* line : {"#define VANTOR_HANDLER_PICK_FILE 68\n", "namespace app {\n",
                             "inline constexpr uint32_t kStart_2 = 0x16010006;\n",
                             "inline constexpr int32_t kPickFileHandler = 68;\n",
                             "inline constexpr int32_t kLaunchHandler = 192;\n"})
        EXPECT_NE(header.find(line), std::string::npos) << line << "\nin:\n" << header;

    // A symbol is an identifier, given once.
    for (const char* bad :
         {"window 0x52010003 symbol=2x\n", "window 0x52010003 symbol=\"a\"\n",
          "window 0x52010003 symbol=A\n  unit 0x06010002 kind=window symbol=A\n"}) {
        vantor::tools::FormSymbols some;
        CompileOptions with;
        with.symbols = &some;
        ArchiveModel model;
        Diagnostic diag;
        EXPECT_FALSE(compile(bad, model, diag, with)) << bad;
        EXPECT_NE(diag.message.find("symbol"), std::string::npos) << diag.message;
    }
}

TEST_F(FormTools, BlocksFromProperties) {
    write("pic.bin", std::string("PIC\0x", 5));
    ArchiveModel m = compile_ok(utf8(u8R"(window 0x52010003
  unit 0x06010002 kind=window
    block version=5
    prop Caption "标题"
    prop MaxButton true
    prop BackColor 0xff000000
    prop BackPicture file:"pic.bin"
    prop Position Maximised
  unit 0x16010004 kind=Button
    block version=1
  unit 0x16010005 kind=EditBox
    prop PasswordChar "#"
    prop SpinMin -3
    prop InputMode Password
    prop SpinMode 2
    prop BorderStyle SingleLine
  unit 0x16010006 kind=TransLabel
    block hex:"01000000"
)"));
    const auto& units = m.windows[0].units;

    vantor::forms::WindowProps w;
    ASSERT_TRUE(vantor::forms::read_block(units[0].block.data(), units[0].block.size(), w));
    EXPECT_EQ(w.version, 5u);
    EXPECT_EQ(w.Caption, "\xb1\xea\xcc\xe2");
    EXPECT_EQ(w.MaxButton, 1);
    EXPECT_EQ(w.Position, 3);
    EXPECT_EQ(w.BackPicture, (ByteVec{'P', 'I', 'C', 0, 'x'}));

    // A block line without properties stores every default, not an empty block.
    vantor::forms::ButtonProps b;
    EXPECT_EQ(units[1].block, vantor::forms::write_block(b));

    vantor::forms::EditBoxProps e;
    ASSERT_TRUE(vantor::forms::read_block(units[2].block.data(), units[2].block.size(), e));
    EXPECT_EQ(e.version, 2u); // the kind's highest when no block line is given
    EXPECT_EQ(e.PasswordChar, '#');
    EXPECT_EQ(e.SpinMin, -3);
    // Choices by name or by number.
    EXPECT_EQ(e.InputMode, 2);
    EXPECT_EQ(e.SpinMode, 2);
    EXPECT_EQ(e.BorderStyle, 5);

    EXPECT_EQ(units[3].block, (ByteVec{1, 0, 0, 0}));
}

// ---------------------------------------------------------------- dump

TEST_F(FormTools, DumpThenCompileReproducesTheArchive) {
    write("font.bin", std::string(60, '\x07'));
    write("big.bin", std::string(1000, '\x5a'));
    ArchiveModel m = compile_ok(utf8(u8R"(handler go=0x44
window 0x52010003 attr_a=0x02050c88 attr_b=0x19010007 text_a="q\"uo\\te\n\t" text_b="\x80\xff\x81"
  unit 0x06010002 kind=window name="" left=50 top=50 width=217 height=210 state=visible
    block version=4
    prop Caption "窗口 \x81"
    prop Icon file:"big.bin"
    prop Shape 3
    prop BackColor 0x00ff00
  unit 0x16010004 kind=Button name="按钮" left=-1 top=2 width=3 height=4 state=visible,tabstop tab=9 parent=0x06010002 children=1,0,2 event_source=0x16010005 tag="标记" remark="备注" mouse_pointer=hex:ffffffff00
    on 0 handler=go
    on -8 handler=-1
    prop Font file:"font.bin"
    prop Caption ""
  unit 0x16010005 kind=EditBox state=0x18 reserved_a=1,2,3,4 reserved_b=5 reserved_c=6,7,8,9,10 object_slot=1 cursor_slot=2
    block version=1
    prop PasswordChar 0xa1a1
    prop Content "内容"
    prop SpinMax -1
  unit 0x16010006 kind=CommonDlg
    prop Filter "所有文件 (*.*)|*.*||"
    prop FileMustExist 0
  unit 0x16010007 kind=TransLabel
    prop WordWrap 1
    prop TextColor 0xff
  unit 0x16010008 kind=TransLabel
    block hex:"01000000 00000000 00000000 01000000 00000000 00000000 00000000 00000000 ffff"
  unit 0x16010009 kind=0x00030004
    block hex:0102030405
  unit 0x1601000a kind=CommonDlg
    block empty
  unit 0x26000001 raw=hex:ffffffff0102
window 0x52010004
)"));
    ByteVec original = vantor::forms::encode_archive(m);
    ArchiveModel decoded;
    std::string error;
    ASSERT_TRUE(vantor::forms::decode_archive(original.data(), original.size(), decoded, &error))
        << error;
    std::string text;
    ByteVec again = dump_and_recompile(decoded, &text);
    EXPECT_EQ(again.size(), original.size());
    EXPECT_TRUE(again == original) << text;
    // Texts are shown as UTF-8, bytes GBK cannot show as escapes.
    EXPECT_NE(text.find(utf8(u8"name=\"按钮\"")), std::string::npos) << text;
    EXPECT_NE(text.find(R"(text_b="\x80\xff\x81")"), std::string::npos) << text;
    // A label block with bytes after its last field can only be given raw.
    EXPECT_NE(text.find("block hex:01000000"), std::string::npos) << text;
}

// 80 is no lead byte: the backslash after it is a character of its own and is
// escaped (found by fuzzing the form compiler).
TEST_F(FormTools, ByteBeforeABackslashIsNoDoubleByteCharacter) {
    ArchiveModel m = compile_ok(R"(window 0x52010003 text_a="\x80\\\xff" text_b="\x81\\"
)");
    ASSERT_EQ(m.windows[0].text_a, "\x80\\\xff");
    const ByteVec original = vantor::forms::encode_archive(m);
    std::string text;
    EXPECT_TRUE(dump_and_recompile(m, &text) == original) << text;
}

TEST_F(FormTools, LauncherFormSurvivesDumpAndCompile) {
    ArchiveModel m;
    Diagnostic diag;
    ASSERT_TRUE(
        vantor::tools::load_form_source(VANTOR_SOURCE_DIR "/app/forms/main.form", {}, m, diag))
        << diag.str();
    ByteVec original = vantor::forms::encode_archive(m);
    std::string text;
    ByteVec again = dump_and_recompile(m, &text);
    EXPECT_EQ(again.size(), original.size());
    EXPECT_TRUE(again == original) << text;
    EXPECT_NE(text.find(utf8(u8"prop Caption \"分辨率 宽 \"")), std::string::npos) << text;
    EXPECT_NE(text.find("on 0 handler=0x44"), std::string::npos) << text;
}

// Every buffer extracted, the shortest ones too: a 1-byte mouse pointer was read
// as if it held a 4-byte file signature.
TEST_F(FormTools, BuffersShorterThanAFileSignatureExtract) {
    ArchiveModel m =
        compile_ok(utf8(kHeader) + "  unit 0x06010002 kind=window mouse_pointer=hex:01\n"
                                   "    prop Icon hex:0000\n");
    EXPECT_TRUE(dump_and_recompile(m, nullptr, 0) == vantor::forms::encode_archive(m));
    EXPECT_TRUE(fs::exists(path("buffers/52010003_06010002_mouse_pointer.bin")));
}

TEST_F(FormTools, BigBuffersAreSummarisedWithoutExtractDir) {
    write("big.bin", std::string(300, '\x01'));
    ArchiveModel m = compile_ok(utf8(kHeader) +
                                "  unit 0x06010002 kind=window\n    prop Icon file:\"big.bin\"\n");
    vantor::tools::DumpOptions options;
    std::string text, error;
    ASSERT_TRUE(vantor::tools::dump_form_source(m, options, text, &error)) << error;
    EXPECT_NE(text.find("prop Icon omitted:300  # 52010003_06010002_Icon: 300 bytes, 01 01"),
              std::string::npos)
        << text;
    ArchiveModel again;
    Diagnostic diag;
    EXPECT_FALSE(compile(text, again, diag));
    EXPECT_NE(diag.message.find("--extract-dir"), std::string::npos) << diag.str();
}

TEST_F(FormTools, AllPropertiesListsDefaultsTooAndStillCompilesBack) {
    ArchiveModel m =
        compile_ok(utf8(kHeader) + "  unit 0x06010002 kind=window\n    prop Caption \"x\"\n");
    vantor::tools::DumpOptions options;
    options.all_properties = true;
    std::string text, error;
    ASSERT_TRUE(vantor::tools::dump_form_source(m, options, text, &error)) << error;
    EXPECT_NE(text.find("prop BorderStyle 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("prop EscCloses 1\n"), std::string::npos) << text;
    ArchiveModel again;
    Diagnostic diag;
    ASSERT_TRUE(compile(text, again, diag)) << diag.str();
    EXPECT_TRUE(vantor::forms::encode_archive(again) == vantor::forms::encode_archive(m));
}

TEST_F(FormTools, ExtractionFailureIsReported) {
    write("big.bin", std::string(300, '\x01'));
    write("blocker", "a file where the directory should go");
    ArchiveModel m = compile_ok(utf8(kHeader) +
                                "  unit 0x06010002 kind=window\n    prop Icon file:\"big.bin\"\n");
    vantor::tools::DumpOptions options;
    options.extract_dir = path("blocker");
    std::string text, error;
    EXPECT_FALSE(vantor::tools::dump_form_source(m, options, text, &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

} // namespace

// ---------------------------------------------------------------- fuzz dictionary

namespace {

// Every name a `prop` line may hold, from the kind tables: property names in
// kind and table order, then the choices' value names, each once.
std::vector<std::string> source_names() {
    std::vector<std::string> props, choices;
    auto add = [](std::vector<std::string>& to, std::string name) {
        if (std::find(to.begin(), to.end(), name) == to.end())
            to.push_back(std::move(name));
    };
    for (const vantor::tools::KindName& k : vantor::tools::kKinds) {
        vantor::tools::visit_kind(k.kind, [&](auto type) {
            using P = typename decltype(type)::type;
            for (const auto& f : vantor::tools::fields<P>()) {
                add(props, f.name);
                std::string_view list = f.choices;
                while (!list.empty()) {
                    size_t end = list.find(", ");
                    add(choices, std::string(list.substr(0, end)));
                    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 2);
                }
            }
        });
    }
    for (std::string& c : choices)
        if (std::find(props.begin(), props.end(), c) == props.end())
            props.push_back(std::move(c));
    return props;
}

} // namespace

// The form source dictionary's names follow the kind tables: a property or a
// choice added there reaches the fuzzer. On a mismatch, the expected lines are
// printed to replace the dictionary's section with.
TEST(FuzzDictionary, NamesEveryPropertyAndChoiceOfTheKindTables) {
    const char* marker = "# ---- names from the kind tables";
    std::ifstream in(VANTOR_SOURCE_DIR "/tests/fuzz/fuzz_form_source.dict");
    ASSERT_TRUE(in) << "cannot read the dictionary";
    std::vector<std::string> listed;
    bool in_section = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(marker, 0) == 0)
            in_section = true;
        else if (in_section && line.size() >= 2 && line.front() == '"' && line.back() == '"')
            listed.push_back(line.substr(1, line.size() - 2));
    }
    ASSERT_TRUE(in_section) << "the dictionary has no line starting \"" << marker << "\"";
    const std::vector<std::string> expected = source_names();
    std::ostringstream lines;
    for (const std::string& name : expected)
        lines << '"' << name << "\"\n";
    EXPECT_EQ(listed, expected) << "expected section:\n" << lines.str();
}
