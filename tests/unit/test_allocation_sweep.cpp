// Every allocation of a scenario failed in turn: the run that fails the 1st,
// then the 2nd, ... until a run completes with no failure left to inject. Each
// run must either complete correctly or end in the specified error: the
// allocation error with the failed request's size, or the archive's load error
// while the archive is read. Blocks of the runtime allocator that a run ending
// in an error still held are freed here and counted (the product ends the
// process there); a completed run must hold none, and LeakSanitizer checks the
// C++ allocations of every run. Prints the figures of each sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "commands/convert.h"
#include "commands/library.h"
#include "commands/text.h"
#include "forms/archive.h"
#include "forms/blocks.h"
#include "forms/kind_table.h"
#include "forms/model.h"
#include "forms/property_values.h"
#include "forms/record.h"
#include "runtime/allocation_faults.h"
#include "runtime/allocator.h"
#include "runtime/text_codec.h"
#include "tests/unit/fatal_error.h"

using namespace vantor;
using namespace vantor::forms;
using vantor::testing::RuntimeError;

namespace {

// ---- the runtime allocator's blocks, each on a list -------------------------------------
struct Header {
    Header* prev;
    Header* next;
    uint32_t pad[2]; // keeps the block 16-byte aligned, as malloc's are
};
Header g_live{&g_live, &g_live, {}};

void link(Header* h) {
    h->prev = &g_live;
    h->next = g_live.next;
    g_live.next->prev = h;
    g_live.next = h;
}
void unlink(Header* h) {
    h->prev->next = h->next;
    h->next->prev = h->prev;
}
void* tracked_allocate(uint32_t size) {
    auto* h = static_cast<Header*>(std::malloc(sizeof(Header) + size));
    if (!h)
        return nullptr;
    link(h);
    return h + 1;
}
void tracked_release(void* block) {
    Header* h = static_cast<Header*>(block) - 1;
    unlink(h);
    std::free(h);
}
void* tracked_reallocate(void* block, uint32_t size) {
    Header* h = static_cast<Header*>(block) - 1;
    unlink(h);
    auto* moved = static_cast<Header*>(std::realloc(h, sizeof(Header) + size));
    link(moved ? moved : h);
    return moved ? moved + 1 : nullptr;
}
const HeapBackend kTracked{tracked_allocate, tracked_release, tracked_reallocate};

// Frees every block still on the list; how many there were.
uint32_t release_held() {
    uint32_t held = 0;
    while (g_live.next != &g_live) {
        tracked_release(g_live.next + 1);
        ++held;
    }
    return held;
}

double seconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

size_t g_failed_size = 0;
void note_failure(size_t size) {
    g_failed_size = size;
}

// ---- scenarios ------------------------------------------------------------------------
enum class Ending { Completed, Wrong, ArchiveError };

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Archives {
    std::vector<std::vector<uint8_t>> all; // the launcher's first, then the fixtures'
    Archives() {
        all.push_back(file_bytes(VANTOR_TEST_ARCHIVE));
        const std::string fixtures = VANTOR_SWEEP_FIXTURES; // paths separated by '|'
        for (size_t at = 0; at <= fixtures.size();) {
            const size_t end = std::min(fixtures.find('|', at), fixtures.size());
            all.push_back(file_bytes(fixtures.substr(at, end - at)));
            at = end + 1;
        }
    }
};
const Archives& archives() {
    static const Archives a;
    return a;
}

// The archive read as the runtime reads it at start-up: a C++ allocation
// failing meanwhile makes the read fail, which the runtime reports as the
// archive's load error.
Ending load_archive(const std::vector<uint8_t>& bytes, WindowTable& table) {
    AllocationFailureThrows throws;
    if (!read_window_table(bytes.data(), uint32_t(bytes.size()), table, nullptr))
        return Ending::ArchiveError;
    relocate_handlers(table, 0x401000);
    return Ending::Completed;
}

Ending load_every_archive() {
    for (const auto& bytes : archives().all) {
        WindowTable table;
        if (Ending e = load_archive(bytes, table); e != Ending::Completed)
            return e;
        if (window_count(table) == 0)
            return Ending::Wrong;
    }
    return Ending::Completed;
}

Ending model_round_trip() {
    for (const auto& bytes : archives().all) {
        ArchiveModel model;
        if (!decode_archive(bytes.data(), bytes.size(), model, nullptr) ||
            encode_archive(model) != bytes)
            return Ending::Wrong;
    }
    return Ending::Completed;
}

// Every row of a block read, handed out as a property read does, stored back
// unchanged; the block written again gives its bytes.
template <class P> bool block_round_trip(std::span<const uint8_t> block) {
    P props;
    if (!read_block(block.data(), block.size(), props))
        return false;
    const FontSetting font{LogFont{}, 96};
    for (const PropDef<P>& row : Kind<P>::properties()) {
        uint32_t result[2];
        std::string scratch;
        if (!load_property(props, row, result, scratch))
            continue;
        const uint64_t read = value_for_read(row.type, result, -1, font);
        if (conversion_of(row.type) == Conversion::Font && read) {
            auto* record = pointer_of<FontRecord>(uint32_t(read));
            mem_free(const_cast<char*>(record->face));
        }
        if (conversion_of(row.type) != Conversion::Integer &&
            conversion_of(row.type) != Conversion::Choice &&
            conversion_of(row.type) != Conversion::Logical &&
            conversion_of(row.type) != Conversion::Eight)
            mem_free(pointer_of<void>(uint32_t(read)));
        const bool bytes = std::holds_alternative<ByteVec P::*>(row.field);
        if (store_property(props, row, PropValue{result[0], bytes ? result[1] : 0}))
            return false;
    }
    return block.empty() || write_block(props) == ByteVec(block.begin(), block.end());
}

bool unit_round_trip(uint32_t kind, std::span<const uint8_t> block) {
    switch (kind) {
#define VANTOR_SWEEP_KIND(Kind, kind, ROWS, code, ...)                                             \
    case code:                                                                                     \
        return block_round_trip<Kind##Props>(block);
        VANTOR_KINDS(VANTOR_SWEEP_KIND)
#undef VANTOR_SWEEP_KIND
    default:
        return true;
    }
}

// Reads and writes of every unit of the launcher's window: its block's
// properties, tag, mouse pointer, and the snapshot a load takes.
Ending property_reads_and_writes() {
    WindowTable table;
    if (Ending e = load_archive(archives().all[0], table); e != Ending::Completed)
        return e;
    for (WindowRecord& w : table.windows) {
        if (!take_snapshot(w))
            return Ending::Wrong;
        for (uint32_t i = 0; i < w.unit_count; ++i) {
            RecordCursor cursor;
            if (!open_unit(w, i, cursor))
                continue;
            const ByteVec block(cursor.block().begin(), cursor.block().end());
            const uint8_t pointer[] = {1, 0, 0, 0, 0x7F, 0, 0, 0};
            if (!unit_round_trip(cursor.get(Field::Kind), block) || !set_tag(w, i, "标记 tag") ||
                !set_mouse_pointer(w, i, pointer, sizeof pointer))
                return Ending::Wrong;
        }
        restore_snapshot(w);
    }
    return Ending::Completed;
}

// Calls `command` with `args`; the Text result as a string (freed), else its word.
std::string call(void (*command)(TypedValue*, int32_t, const TypedValue*),
                 std::vector<TypedValue> args) {
    TypedValue result{};
    command(&result, int32_t(args.size()), args.data());
    if (result.type != type::Text)
        return std::to_string(int32_t(result.low));
    auto* text = pointer_of<char>(result.low);
    std::string value = text ? text : "";
    mem_free(text);
    return value;
}

Ending every_command() {
    const char* pieces[] = {"Nox.exe", " -clone:Nox_", "2", " -resolution:720x1280"};
    char* joined = join_texts(4, pieces);
    const bool joined_right =
        std::strcmp(joined, "Nox.exe -clone:Nox_2 -resolution:720x1280") == 0 &&
        compare_texts(joined, "Nox.exe") > 0 && text_length(joined) == 41;
    mem_free(joined);
    const bool right = joined_right && call(cmd_to_int, {make_text("1280")}) == "1280" &&
                       call(cmd_to_text, {make_int(-42)}) == "-42" &&
                       call(cmd_to_text, {make_double(2.5)}) == "2.5" &&
                       call(cmd_to_lower, {make_text("NOX 夜神")}) == "nox 夜神" &&
                       call(cmd_convert_case, {make_text("Ab"), make_int(kUpperCase)}) == "AB" &&
                       call(cmd_convert_case, {make_text("ab"), make_int(kFullWidth)}) == "ａｂ";
    return right ? Ending::Completed : Ending::Wrong;
}

// A two-byte code page for the codec's allocations: code lead x 256 + trail is
// that UTF-16 unit.
void append_run(std::string_view run, std::u16string& wide) {
    for (size_t i = 0; i < run.size(); ++i) {
        const auto b = uint8_t(run[i]);
        wide +=
            b < 0x80 || i + 1 == run.size() ? char16_t(b) : char16_t(b << 8 | uint8_t(run[++i]));
    }
}
bool encode_exactly(std::u16string_view wide, std::string& text) {
    text.clear();
    for (char16_t c : wide) {
        if (c >= 0x80 && (c < 0x8140 || c >= 0xFF00))
            return false;
        if (c >= 0x80)
            text += char(c >> 8);
        text += char(c & 0xFF);
    }
    return true;
}
constexpr text_codec::CodePage<char16_t> kPage{append_run, encode_exactly};

Ending text_codec_both_ways() {
    // A two-byte character, a four-byte one (U+00F6) and a surrogate pair (U+1F600).
    const std::string text = "Nox \xC4\xE3 \x81\x30\x8B\x32 \x94\x39\xFC\x36 end";
    const std::u16string wide = text_codec::to_utf16(text, kPage);
    bool lossless = false;
    const std::string back = text_codec::from_utf16(std::u16string_view(wide), kPage, lossless);
    return wide.size() == 14 && back == text && lossless ? Ending::Completed : Ending::Wrong;
}

// The error a failed allocation may end in: the archive's load error while an
// archive is read, the allocation error anywhere else.
enum class Ends { AllocationError, ArchiveError, Either };

struct Scenario {
    const char* name;
    Ending (*run)();
    Ends ends;
};

const Scenario kScenarios[] = {
    {"archives", load_every_archive, Ends::ArchiveError},
    {"model", model_round_trip, Ends::AllocationError},
    {"properties", property_reads_and_writes, Ends::Either}, // reads the archive first
    {"commands", every_command, Ends::AllocationError},
    {"text_codec", text_codec_both_ways, Ends::AllocationError},
};

class AllocationSweep : public ::testing::TestWithParam<Scenario> {
  protected:
    void SetUp() override {
        archives();
        set_heap_backend(&kTracked);
        allocation_faults::set_failure_hook(note_failure);
    }
    void TearDown() override {
        allocation_faults::fail_nth(0);
        allocation_faults::set_failure_hook(nullptr);
        release_held();
        set_heap_backend(nullptr);
    }
    vantor::testing::FatalToException fatal_;
};

TEST_P(AllocationSweep, EveryFailureEndsAsSpecified) {
    const Scenario& s = GetParam();
    const double start = seconds();
    uint32_t completed = 0, allocation_errors = 0, archive_errors = 0, held = 0;
    uint32_t n = 1;
    for (;; ++n) {
        allocation_faults::fail_nth(n);
        Ending ending = Ending::Wrong;
        std::string error;
        try {
            ending = s.run();
        } catch (const RuntimeError& e) {
            error = e.what();
        }
        const bool injected = allocation_faults::failed();
        allocation_faults::fail_nth(0);
        const uint32_t left = release_held();
        if (!injected) {
            EXPECT_EQ(ending, Ending::Completed) << s.name << " without a failure: " << error;
            EXPECT_EQ(left, 0u) << s.name << " leaves blocks of the runtime allocator";
            break;
        }
        const std::string at = std::string(s.name) + ", allocation " + std::to_string(n);
        if (!error.empty()) {
            EXPECT_NE(s.ends, Ends::ArchiveError) << at << ": " << error;
            char expected[64];
            std::snprintf(expected, sizeof expected, "分配 %d 字节内存失败!",
                          int(int32_t(uint32_t(g_failed_size))));
            EXPECT_EQ(error, expected) << at;
            ++allocation_errors;
            held += left;
        } else if (ending == Ending::ArchiveError && s.ends != Ends::AllocationError) {
            ++archive_errors;
            EXPECT_EQ(left, 0u) << at << ": the failed read leaves blocks";
        } else {
            EXPECT_EQ(ending, Ending::Completed) << at;
            EXPECT_EQ(left, 0u) << at << ": the run leaves blocks";
            ++completed;
        }
        if (::testing::Test::HasFailure())
            break;
    }
    const auto ms = static_cast<long long>((seconds() - start) * 1000);
    std::printf("sweep %s: %u allocation points; %u completed, %u allocation error, %u archive "
                "load error; %u runtime blocks held at the failures; %lld ms\n",
                s.name, n - 1, completed, allocation_errors, archive_errors, held, ms);
    EXPECT_GT(n, 1u) << s.name << " allocates nothing";
}

INSTANTIATE_TEST_SUITE_P(Scenarios, AllocationSweep, ::testing::ValuesIn(kScenarios),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
