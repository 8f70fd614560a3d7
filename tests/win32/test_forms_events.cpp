// Event dispatch: handlers found through the live unit table and the event
// source chain, the event lock, the current event window, handler results
// and the argument words of the typed form.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "forms/win32/dispatch.h"
#include "forms/win32/engine.h"
#include "runtime/call.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/forms_harness.h"
#include "tests/support/sequence.h"
#include "tests/support/test_kinds.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

class FormsEvents : public FormsTest {
  protected:
    void SetUp() override {
        FormsTest::SetUp();
        ASSERT_TRUE(load(ids::Events));
        clear_log();
    }
};

// Raises `event` of a unit through request 2008 as a unit object does.
bool raise(uint32_t unit, int32_t event, forms::EventRecord* out = nullptr) {
    forms::EventRecord record{};
    record.window_id = ids::Events;
    record.unit_id = unit;
    record.event = event;
    bool ran = library_request(Library::Base, 2008, uint32_t(uintptr_t(&record)), 0) != 0;
    if (out)
        *out = record;
    return ran;
}

} // namespace

TEST_F(FormsEvents, EventsAreDroppedWhileBlockedAndDeliveredAfterwards) {
    runtime_request(2009, 0, 0);
    runtime_request(2009, 0, 0);
    EXPECT_FALSE(raise(ids::EvA, 0));
    runtime_request(2010, 0, 0);
    EXPECT_FALSE(raise(ids::EvA, 0)) << "blocked twice, unblocked once";
    runtime_request(2010, 0, 0);
    runtime_request(2010, 0, 0);
    EXPECT_EQ(kernel().events_blocked(), false) << "unblock never goes below 0";
    EXPECT_TRUE(raise(ids::EvA, 0));
    static const Step expected[] = {{"EvA event 0"}, {nullptr}};
    EXPECT_SEQUENCE(expected);
}

TEST_F(FormsEvents, HandlersComeFromTheEventSourceChainOfTheSameKind) {
    struct Row {
        uint32_t unit;
        const char* line; // handler ev<n> logs "event <n>" under the raising unit
    };
    const Row rows[] = {
        {ids::EvA, "EvA event 0"},               // its first binding of event 0
        {ids::EvChain1, "Chain1 event 0"},       // EvA's binding, not its own ev3
        {ids::EvChain2, "Chain2 event 0"},       // through Chain1 to EvA
        {ids::EvOtherKind, "OtherKind event 4"}, // a source of another kind is not followed
    };
    for (const Row& r : rows) {
        EXPECT_TRUE(raise(r.unit, 0)) << r.line;
        auto log = take_log();
        ASSERT_EQ(log.size(), 1u) << r.line;
        EXPECT_EQ(log[0], r.line);
    }
    EXPECT_TRUE(raise(ids::EvLoop1, 0)) << "a source loop ends";
    EXPECT_EQ(take_log().size(), 1u);
}

TEST_F(FormsEvents, CurrentEventWindowIsSetWhileAHandlerRunsAndClearedAfter) {
    static uint32_t seen_window, seen_unit, after_inner;
    g_event_hook = [](uint32_t, uint32_t, int32_t event) {
        if (event != 0)
            return;
        seen_window = kernel().current_event_window();
        seen_unit = kernel().current_event_unit();
        raise(ids::EvA, 5); // a nested event, as while a handler pumps messages
        after_inner = kernel().current_event_window();
    };
    EXPECT_TRUE(raise(ids::EvChain1, 0));
    EXPECT_EQ(seen_window, ids::Events);
    EXPECT_EQ(seen_unit, ids::EvChain1) << "the raising unit, not its event source";
    EXPECT_EQ(after_inner, 0u) << "the inner handler clears it for the outer one";
    EXPECT_EQ(kernel().current_event_window(), 0u);
    EXPECT_EQ(kernel().current_event_unit(), 0u);
    static const Step nested[] = {{"Chain1 event 0"}, {"EvA event 5"}, {nullptr}};
    EXPECT_SEQUENCE(nested);
}

TEST_F(FormsEvents, HandlerResultsReachTheirOwnRecordOnly) {
    forms::EventRecord record{};
    EXPECT_TRUE(raise(ids::EvA, 0, &record));
    EXPECT_EQ(record.has_result, 0u) << "a handler that returns nothing";

    g_event_hook = [](uint32_t, uint32_t, int32_t event) {
        if (event == 0) {
            forms::set_handler_result(0); // the logical false
            forms::EventRecord inner{};
            inner.window_id = ids::Events;
            inner.unit_id = ids::EvA;
            inner.event = 5;
            forms::raise_event(inner);
            EXPECT_EQ(inner.has_result, 0u) << "the outer result is not the inner's";
        }
    };
    EXPECT_TRUE(raise(ids::EvA, 0, &record));
    EXPECT_EQ(record.has_result, 1u);
    EXPECT_EQ(record.result, 0u);

    g_event_hook = [](uint32_t, uint32_t, int32_t) {
        TypedValue arg = make_int(77);
        call_command(forms::handler_result_command, 1, &arg); // as application code returns
    };
    EXPECT_TRUE(raise(ids::EvA, 0, &record));
    EXPECT_EQ(record.has_result, 1u);
    EXPECT_EQ(record.result, 77u);
    forms::set_handler_result(5); // outside a handler: ignored
}

TEST_F(FormsEvents, TypedFormPassesWordsByTypeAndFlags) {
    struct Row {
        const char* name;
        forms::TypedArgument arg;
        uint32_t words[2];
        uint32_t count;
    };
    const Row rows[] = {
        {"Byte zero-extended", {0x1FF, 7, type::Byte, 0}, {0xFF}, 1},
        {"Short sign-extended", {0x1FFFE, 7, type::Short, 0}, {0xFFFFFFFE}, 1},
        {"Int low word", {5, 7, type::Int, 0}, {5}, 1},
        {"Long both words", {1, 2, type::Long, 0}, {1, 2}, 2},
        {"Double both words", {3, 4, type::Double, 0}, {3, 4}, 2},
        {"DateTime both words", {3, 4, type::DateTime, 0}, {3, 4}, 2},
        {"8-byte pair both words", {3, 4, type::Pair64, 0}, {3, 4}, 2},
        {"library type 0x00010003 both words", {8, 9, 0x00010003, 0}, {8, 9}, 2},
        {"by reference: the address alone", {0x1234, 9, type::Long, 1}, {0x1234}, 1},
        {"flag bit 1: both words", {0x1FF, 9, type::Byte, 2}, {0x1FF, 9}, 2},
        {"Text low word", {0x5678, 9, type::Text, 0}, {0x5678}, 1},
    };
    forms::TypedEventRecord record{};
    record.window_id = ids::Events;
    record.unit_id = ids::EvWords;
    record.event = 9;
    record.argc = sizeof rows / sizeof rows[0];
    uint32_t expected[24];
    uint32_t count = 0;
    for (uint32_t i = 0; i < record.argc; ++i) {
        record.args[i] = rows[i].arg;
        for (uint32_t k = 0; k < rows[i].count; ++k)
            expected[count++] = rows[i].words[k];
    }
    ASSERT_LE(count, 24u);
    g_event_hook = [](uint32_t, uint32_t, int32_t) {
        forms::set_handler_result64(0x1122334455667788ull);
    };
    EXPECT_TRUE(runtime_request(2031, uint32_t(uintptr_t(&record)), 0));
    // The handler records its first 12 words.
    uint32_t word = 0;
    for (uint32_t i = 0; i < record.argc && word < 12; ++i) {
        for (uint32_t k = 0; k < rows[i].count && word < 12; ++k, ++word) {
            EXPECT_EQ(g_words[word], expected[word]) << rows[i].name;
        }
    }
    EXPECT_EQ(record.has_result, 1u);
    EXPECT_EQ(record.result_low, 0x55667788u);
    EXPECT_EQ(record.result_high, 0x11223344u);
}

TEST_F(FormsEvents, UnitZeroRaisesForTheWindowsOwnUnit) {
    ASSERT_TRUE(load(ids::Main));
    uint32_t unit = 0;
    g_event_hook = [&](uint32_t, uint32_t u, int32_t) { unit = u; };
    forms::EventRecord record{ids::Main, 0, 12, 0, {}, 0, 0};
    EXPECT_TRUE(forms::raise_event(record));
    EXPECT_EQ(unit, ids::MainW);
}

TEST_F(FormsEvents, ClickRunsTheBoundHandlerAndNothingWithoutBinding) {
    SendMessageA(handle_of(ids::Events, ids::EvA), BM_CLICK, 0, 0);
    SendMessageA(handle_of(ids::Events, ids::EvUnbound), BM_CLICK, 0, 0); // handler offset -1
    pump();
    std::string events;
    for (const auto& line : take_log()) {
        if (line.find(" event ") != std::string::npos)
            events += line + ";";
    }
    EXPECT_EQ(events, "EvA event 0;");
    EXPECT_FALSE(raise(ids::EvA, 9)) << "no binding for the event";
}
