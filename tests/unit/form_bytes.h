// Hand assembly of stored form bytes for the form tests. Deliberately separate
// from the model encoder so that the tests check the encoder against it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace form_bytes {

using Bytes = std::vector<uint8_t>;

struct Out {
    Bytes b;
    Out& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Out& u16(uint16_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
        return *this;
    }
    Out& raw(const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
    Out& raw(const std::string& s) { return raw(Bytes(s.begin(), s.end())); }
    Out& z(const std::string& s) {
        raw(s);
        b.push_back(0);
        return *this;
    }
    Out& counted(const std::string& s) { return u32(uint32_t(s.size())).raw(s); }
    Out& buffer(const Bytes& v) { return u32(uint32_t(v.size())).raw(v); }
};

struct Body {
    uint32_t kind = 0x0001000b;
    std::string name, remark;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t parent = 0;
    std::vector<uint32_t> children;
    Bytes pointer = {0, 0, 0, 0};
    std::string tag;
    uint32_t state = 5;
    uint32_t tab_order = 0;
    std::vector<std::pair<int32_t, int32_t>> events;
    Bytes block;
};

inline Bytes body(const Body& s) {
    Out o;
    o.u32(s.kind).u32(0).u32(0).u32(0).u32(0).u32(0).z(s.name).z(s.remark).u32(0);
    o.u32(uint32_t(s.left)).u32(uint32_t(s.top)).u32(uint32_t(s.width)).u32(uint32_t(s.height));
    o.u32(0).u32(s.parent).u32(uint32_t(s.children.size()));
    for (uint32_t c : s.children)
        o.u32(c);
    o.buffer(s.pointer).z(s.tag).u32(0).u32(s.state).u32(s.tab_order);
    o.u32(uint32_t(s.events.size()));
    for (auto [e, h] : s.events)
        o.u32(uint32_t(e)).u32(uint32_t(h));
    for (int i = 0; i < 5; ++i)
        o.u32(0);
    return o.raw(s.block).b;
}

// Unit table with records contiguous, laid out in `order` (unit indexes, first
// lying first); stored order when `order` is empty.
inline Bytes unit_table(const std::vector<uint32_t>& ids, const std::vector<Bytes>& bodies,
                        std::vector<size_t> order = {}) {
    for (size_t j = order.empty() ? 0 : bodies.size(); j < bodies.size(); ++j)
        order.push_back(j);
    std::vector<uint32_t> offsets(bodies.size());
    Out head, records;
    for (size_t j : order) {
        offsets[j] = uint32_t(records.b.size());
        records.buffer(bodies[j]);
    }
    for (uint32_t id : ids)
        head.u32(id);
    for (uint32_t offset : offsets)
        head.u32(offset);
    return head.raw(records.b).b;
}

struct Window {
    uint32_t id = 0x52010003;
    uint32_t attr_a = 0x02050c88, attr_b = 0x19010007;
    std::string text_a, text_b;
    uint32_t unit_count = 0;
    Bytes table;
};

inline Bytes archive(const std::vector<Window>& windows) {
    Out o;
    o.u32(uint32_t(8 * windows.size()));
    for (const Window& w : windows)
        o.u32(w.id);
    for (size_t i = 0; i < windows.size(); ++i)
        o.u32(0);
    for (const Window& w : windows) {
        o.u32(w.attr_a).u32(w.attr_b).counted(w.text_a).counted(w.text_b).u32(w.unit_count);
        o.buffer(w.table);
    }
    return o.b;
}

inline uint32_t get_u32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
inline void put_u32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// The launcher-like window used by several tests: its own unit, a container
// with two children, a button bound to events, a menu item.
constexpr uint32_t kWindowId = 0x52010003;
constexpr uint32_t kOwnUnit = 0x06010002;
constexpr uint32_t kPanel = 0x16010004;
constexpr uint32_t kButton = 0x16010005;
constexpr uint32_t kMenuItem = 0x26010007;

inline Body panel_body() {
    Body b;
    b.kind = 0x00010001;
    b.name = "panel";
    b.remark = "r";
    b.left = 1, b.top = 2, b.width = 300, b.height = 400;
    b.children = {kButton, 0, 0x16010009};
    b.pointer = {0xFF, 0xFF, 0xFF, 0xFF, 'c', 'u', 'r'};
    b.tag = "tagged";
    b.tab_order = 3;
    b.events = {{-7, 0x10}, {0, -1}};
    b.block = {1, 0, 0, 0, 9};
    return b;
}

inline Body button_body() {
    Body b;
    b.name = "button";
    b.left = 120, b.top = 152, b.width = 80, b.height = 32;
    b.events = {{0, 0x44}, {0, 0x55}, {-8, -1}};
    b.block = {1, 0, 0, 0};
    return b;
}

// `order`: how its records lie in the unit table (stored order when empty).
inline Window sample_window(std::vector<size_t> order = {}) {
    Body own;
    own.kind = 0x00010001;
    Bytes menu = {0x20, 0, 0, 0, 'm', 'e', 'n', 'u'};
    return {kWindowId,
            0x02050c88,
            0x19010007,
            "A",
            "BB",
            4,
            unit_table({kOwnUnit, kPanel, kButton, kMenuItem},
                       {body(own), body(panel_body()), body(button_body()), menu},
                       std::move(order))};
}

} // namespace form_bytes
