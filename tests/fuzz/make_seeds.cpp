// Writes the hand-made seed archives of tests/fuzz/corpus/fuzz_archive:
//   fuzz_make_seeds <directory>
// Small valid archives that reach every part of the format: the launcher's
// window (with a small icon instead of the real one), a minimal window, menu
// items and children, and every block kind at every version.
#include <cstdio>
#include <fstream>
#include <string>

#include "forms/blocks.h"
#include "forms/model.h"

using namespace vantor::forms;

namespace {

UnitDesc unit(uint32_t id, uint32_t kind, std::string name, int32_t left, int32_t top,
              int32_t width, int32_t height, uint32_t state, ByteVec block) {
    UnitDesc u;
    u.id = id;
    u.kind = kind;
    u.name = std::move(name);
    u.left = left, u.top = top, u.width = width, u.height = height;
    u.mouse_pointer = {0, 0, 0, 0};
    u.state = state;
    u.block = std::move(block);
    return u;
}

ByteVec label(const char* caption) {
    TransLabelProps p;
    p.Caption = caption;
    return write_block(p);
}

ByteVec button(const char* caption) {
    ButtonProps p;
    p.Caption = caption;
    return write_block(p);
}

ArchiveModel launcher() {
    WindowProps wp;
    wp.Caption = "Vantor";
    wp.MaxButton = 1;
    wp.Icon = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 4, 0, 0, 0, 22, 0, 0, 0};
    WindowDesc w{0x52010003, 0x02050c88, 0x19010007, "", "", {}};
    w.units.push_back(unit(0x06010002, 0x00010001, "", 50, 50, 217, 210, 1, write_block(wp)));
    UnitDesc import =
        unit(0x16011eab, 0x0001000b, "按钮_导入EXE", 120, 152, 80, 32, 5, button("导入EXE"));
    import.events.push_back({0, 0x44});
    w.units.push_back(import);
    w.units.push_back(unit(0x16011eaa, 0x0001001f, "通用对话框1", 176, 88, 16, 16, 0, {}));
    w.units.push_back(unit(0x16011ea9, 0x00010005, "编辑框_路径", 72, 112, 128, 24, 5, {}));
    w.units.push_back(
        unit(0x16011ea8, 0x00020005, "透明标签5", 0, 112, 80, 24, 1, label("Nox.exe路径")));
    w.units.push_back(unit(0x16011ea7, 0x00010005, "编辑框_DPI", 72, 80, 40, 24, 5, {}));
    w.units.push_back(unit(0x16011ea6, 0x00020005, "透明标签4", 40, 88, 24, 16, 1, label("DPI ")));
    w.units.push_back(unit(0x16011ea5, 0x00010005, "编辑框_高", 136, 48, 40, 24, 5, {}));
    w.units.push_back(unit(0x16011ea4, 0x00020005, "透明标签3", 120, 56, 16, 16, 1, label("高")));
    w.units.push_back(unit(0x16011ea2, 0x00010005, "编辑框_宽", 72, 48, 40, 24, 5, {}));
    w.units.push_back(
        unit(0x16011ea1, 0x00020005, "透明标签2", 8, 56, 56, 16, 1, label("分辨率 宽 ")));
    UnitDesc start = unit(0x16010006, 0x0001000b, "按钮_启动", 0, 152, 80, 32, 5, button("启动"));
    start.events = {{0, 0x10}};
    w.units.push_back(start);
    w.units.push_back(unit(0x16010005, 0x00010005, "编辑框_多开数量", 112, 16, 48, 24, 5, {}));
    w.units.push_back(
        unit(0x16010004, 0x00020005, "透明标签1", 8, 16, 88, 24, 1, label("启动模拟器数量")));
    return {{w}};
}

ArchiveModel minimal() {
    WindowDesc w{0x52010003, 0, 0, "", "", {}};
    w.units.push_back(unit(0x06010002, 0x00010001, "", 0, 0, 100, 100, 1, {}));
    return {{w}};
}

// Two windows; children with a page separator, a cursor image, a tag, event
// bindings with -1 and common events, menu items. The fuzz target takes the
// unit to update from attr A (here the menu item) and the bytes to write from
// text B (here the hand cursor's system id).
ArchiveModel structured() {
    WindowDesc a{0x52010003, 3, 2, "text A", std::string("\x89\x7f\0\0", 4), {}};
    a.units.push_back(unit(0x06010002, 0x00010001, "", 0, 0, 300, 200, 1, {}));
    UnitDesc panel = unit(0x16010004, 0x00010015, "panel", 10, 10, 200, 100, 5, {});
    panel.children = {0x16010005, 0, 0x16010006};
    panel.mouse_pointer = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 2, 0, 1, 0};
    panel.tag = "tag text";
    panel.remark = "remark";
    panel.events = {{-7, 0x20}, {-8, -1}, {3, 0x30}};
    a.units.push_back(panel);
    UnitDesc child = unit(0x16010005, 0x0001000b, "child", 1, 1, 50, 20, 7, button("x"));
    child.parent = 0x16010004;
    child.mouse_pointer = {0x89, 0x7F, 0, 0};
    child.event_source = 0x16010006;
    a.units.push_back(child);
    UnitDesc item;
    item.id = 0x26010007;
    item.raw_body = {0x40, 0, 0, 0, 'F', 'i', 'l', 'e', 0};
    a.units.push_back(item);
    WindowDesc b{0x52010010, 3, 4, "", "", {}};
    b.units.push_back(unit(0x06010003, 0x00010001, "", 5, 5, 50, 50, 0, {}));
    return {{a, b}};
}

// Every block kind at every version, as units of one window.
ArchiveModel all_blocks() {
    WindowDesc w{0x52010003, 0, 0, "", "", {}};
    uint32_t id = 0x06010002;
    for (uint32_t v = 1; v <= WindowProps::kMaxVersion; ++v) {
        WindowProps p;
        p.version = v;
        if (v == 6)
            p.ClassName = "Cls";
        w.units.push_back(unit(id++, 0x00010001, "w", 0, 0, 1, 1, 1, write_block(p)));
    }
    for (uint32_t v = 1; v <= EditBoxProps::kMaxVersion; ++v) {
        EditBoxProps p;
        p.version = v;
        p.Font = ByteVec(60, 1);
        w.units.push_back(unit(id++, 0x00010005, "e", 0, 0, 1, 1, 1, write_block(p)));
    }
    CommonDlgProps c;
    c.Filter = "EXE|*.exe";
    w.units.push_back(unit(id++, 0x0001000b, "b", 0, 0, 1, 1, 1, write_block(ButtonProps{})));
    w.units.push_back(unit(id++, 0x0001001f, "c", 0, 0, 1, 1, 0, write_block(c)));
    w.units.push_back(unit(id++, 0x00020005, "t", 0, 0, 1, 1, 1, write_block(TransLabelProps{})));
    return {{w}};
}

bool save(const std::string& path, const ArchiveModel& model) {
    ByteVec bytes = encode_archive(model);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = save(dir + "/launcher-small-icon.vfa", launcher()) &&
              save(dir + "/minimal.vfa", minimal()) &&
              save(dir + "/structured.vfa", structured()) &&
              save(dir + "/all-blocks.vfa", all_blocks());
    return ok ? 0 : 1;
}
