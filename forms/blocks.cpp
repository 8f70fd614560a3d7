#include "forms/blocks.h"

#include <algorithm>
#include <new>

#include "forms/kind_table.h"
#include "forms/reader.h"
#include "forms/writer.h"

namespace vantor::forms {

namespace {

// One field's read and write, by its C++ type; the stored order that walks them
// is the kind's table (forms/kind_table.h).
struct ReadIO {
    Reader& r;
    bool operator()(int32_t& v) { return r.dword(v); }
    bool operator()(uint32_t& v) { return r.dword(v); }
    bool operator()(uint16_t& v) { return r.word(v); }
    bool operator()(ByteVec& v) { return r.byte_buffer(v); }
    bool operator()(std::string& v) { return r.counted_text(v); }
};

struct WriteIO {
    Writer& w;
    bool operator()(const int32_t& v) { return w.dword(v), true; }
    bool operator()(const uint32_t& v) { return w.dword(v), true; }
    bool operator()(const uint16_t& v) { return w.word(v), true; }
    bool operator()(const ByteVec& v) { return w.byte_buffer(v), true; }
    bool operator()(const std::string& v) { return w.counted_text(v), true; }
};

// Every kind's fields, in the stored order of its table, walked by both
// directions so that reader and writer cannot drift apart.
template <class IO, class P> bool stored_fields(IO& io, P& p, uint32_t version) {
    return for_each_stored(p, version, [&io](auto& field) { return io(field); });
}

template <class P, class Fields>
bool read_props(const uint8_t* data, size_t size, P& out, Fields fields) {
    out = P{};
    if (size == 0)
        return true;
    if (size > 0xFFFFFFFFu)
        return false;
    try {
        Reader r(data, uint32_t(size));
        uint32_t version;
        // Version 0 carries the base layout, as version 1 does.
        if (!r.dword(version) || version > P::kMaxVersion)
            return false;
        out.version = version;
        ReadIO io{r};
        return fields(io, out, version);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <class P, class Fields>
ByteVec write_props(const P& props, uint32_t version, Fields fields) {
    // Every kind's block fits in this unless its texts are long: one allocation.
    constexpr size_t kBlockReserve = 256;
    ByteVec out;
    out.reserve(kBlockReserve);
    Writer w(out);
    WriteIO io{w};
    w.dword(version);
    fields(io, props, version);
    return out;
}

// The stored version, kept within range and raised to the lowest `need`.
uint32_t version_for(uint32_t stored, uint32_t need, uint32_t max) {
    return std::max(std::min(stored, max), need);
}

template <class P> bool read_kind_block(const uint8_t* data, size_t size, P& out) {
    return read_props(data, size, out,
                      [](auto& io, auto& p, uint32_t v) { return stored_fields(io, p, v); });
}

template <class P> ByteVec write_kind_block(const P& props) {
    uint32_t version = version_for(props.version, lowest_version(props), P::kMaxVersion);
    return write_props(props, version,
                       [](auto& io, auto& p, uint32_t v) { return stored_fields(io, p, v); });
}

} // namespace

#define VANTOR_BLOCK_CODEC(Kind, ...)                                                              \
    bool read_block(const uint8_t* data, size_t size, Kind##Props& out) {                          \
        return read_kind_block(data, size, out);                                                   \
    }                                                                                              \
    ByteVec write_block(const Kind##Props& props) {                                                \
        return write_kind_block(props);                                                            \
    }
VANTOR_KINDS(VANTOR_BLOCK_CODEC)
#undef VANTOR_BLOCK_CODEC

} // namespace vantor::forms
