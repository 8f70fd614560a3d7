// Soak (slower tier, run on request: VANTOR_TEST_SOAK=1 bash tools/test.sh):
// screen-reader reads of the launcher's window, as a user with a screen reader
// meets them, while every core is kept busy by programs beside it. Rounds of:
// press 启动 and read while the sequence runs, until its four launches are
// logged and it is over; five more reads; end the stand-ins; the window must
// answer. A read does what a screen reader does for each of the ten boxes and
// labels (AccessibleObjectFromWindow, the name and the role of the object
// itself, Release) and has a bound: a read that does not end within it while
// the window no longer answers is a freeze, which the driver notes with the
// backtrace of every thread of Vantor (winedbg) before it starts Vantor anew
// and goes on. At the end it reports the reads, the freezes, and Vantor's
// memory after the first round and at the end.
//   VANTOR_SOAK_READS   reads to make (default 2000)
//   VANTOR_SOAK_BUSY    busy programs beside it (default: one per core)
//   VANTOR_SOAK_EXE     the Vantor.exe to read (default: the build tree's)
#include <windows.h>
// After windows.h, whose types they use.
#include <oleacc.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "runtime/win32/system_text.h"
#include "tests/support/launcher.h"

using namespace vantor::testing;

namespace {

constexpr DWORD kReadMs = 20000;     // a read, beside busy cores
constexpr DWORD kAnswerMs = 5000;    // the window, to a sent message
constexpr DWORD kLateReadMs = 60000; // a read past its bound while the window answers

int setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

// One control as a reader should find it.
struct Target {
    HWND hwnd;
    std::wstring name;
    LONG role;
};

std::vector<Target> targets_of(const Launcher& vantor) {
    std::vector<Target> targets;
    for (const LabelledBox& r : kLabelledBoxes) {
        const std::wstring caption = vantor::system_text::to_wide(r.caption);
        targets.push_back({vantor.control(r.box), caption, ROLE_SYSTEM_TEXT});
        targets.push_back({vantor.control(r.label), caption, ROLE_SYSTEM_STATICTEXT});
    }
    return targets;
}

// A screen reader's thread: reads on request, in an apartment of its own. A
// read that never ends leaves the thread behind (its call returns when Vantor
// is ended); the state it shares with the driver lives as long as either.
class Reader {
  public:
    explicit Reader(std::vector<Target> targets) : shared_(std::make_shared<Shared>()) {
        shared_->targets = std::move(targets);
        auto* hold = new std::shared_ptr<Shared>(shared_);
        HANDLE thread = CreateThread(nullptr, 0, &Reader::run, hold, 0, nullptr);
        if (thread)
            CloseHandle(thread);
        else
            delete hold;
    }
    ~Reader() {
        shared_->stop = true;
        SetEvent(shared_->go);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Starts a read.
    void begin() {
        shared_->answers = 0;
        SetEvent(shared_->go);
    }
    // Whether the read begun ended within `ms`.
    bool wait(DWORD ms) { return WaitForSingleObject(shared_->done, ms) == WAIT_OBJECT_0; }
    // Right answers (name and role of one control) of the last read so far.
    int answers() const { return int(InterlockedCompareExchange(&shared_->answers, 0, 0)); }

  private:
    struct Shared {
        std::vector<Target> targets;
        HANDLE go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        LONG answers = 0;
        volatile bool stop = false;
        ~Shared() {
            CloseHandle(go);
            CloseHandle(done);
        }
    };

    static DWORD WINAPI run(void* parameter) {
        std::unique_ptr<std::shared_ptr<Shared>> hold(
            static_cast<std::shared_ptr<Shared>*>(parameter));
        Shared& s = **hold;
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        while (WaitForSingleObject(s.go, INFINITE) == WAIT_OBJECT_0 && !s.stop) {
            for (const Target& t : s.targets) {
                LONG role = 0;
                if (accessible_name(t.hwnd, &role) == t.name && role == t.role)
                    InterlockedIncrement(&s.answers);
            }
            SetEvent(s.done);
        }
        CoUninitialize();
        return 0;
    }

    std::shared_ptr<Shared> shared_;
};

// Whether the thread of `window` answers a sent message (WM_GETTEXT) within
// kAnswerMs; a thread that has not taken a message for 5 s is given up at once.
bool answers(HWND window) {
    wchar_t title[64];
    DWORD_PTR length = 0;
    return SendMessageTimeoutW(window, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(title),
                               SMTO_ABORTIFHUNG, kAnswerMs, &length) != 0;
}

// Vantor's memory, kB: resident (working set) and private (pagefile use).
struct Memory {
    double resident_kb = 0;
    double private_kb = 0;
};

Memory memory_of(const Launcher& vantor) {
    Memory m;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, vantor.pid());
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (process && GetProcessMemoryInfo(process, &counters, sizeof counters)) {
        m.resident_kb = double(counters.WorkingSetSize) / 1024;
        m.private_kb = double(counters.PagefileUsage) / 1024;
    }
    if (process)
        CloseHandle(process);
    return m;
}

// The backtrace of every thread of process `pid` (winedbg), into `file`.
void write_backtrace(DWORD pid, const std::string& file) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(vantor::system_text::to_wide(file).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return;
    Program winedbg;
    if (winedbg.start("winedbg --command \"bt all\" " + std::to_string(pid), nullptr, out))
        winedbg.wait_exit(60000);
    CloseHandle(out);
}

// A program that keeps one core busy until it is ended.
int spin() {
    volatile unsigned long long n = 0;
    for (;;)
        n = n + 1;
}

} // namespace

TEST(AccessibleSoak, ReadsBesideBusyCoresNeverFreezeTheWindow) {
    const int wanted = setting("VANTOR_SOAK_READS", 2000);
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const int busy_count = setting("VANTOR_SOAK_BUSY", int(system.dwNumberOfProcessors));
    std::vector<std::unique_ptr<Program>> busy;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    for (int i = 0; i < busy_count; ++i) {
        busy.push_back(std::make_unique<Program>());
        ASSERT_TRUE(busy.back()->start("\"" + std::string(self) + "\" --busy"));
    }

    StandinLog log;
    const LaunchSettings settings = example_settings("2");
    int reads = 0, rounds = 0, freezes = 0, late = 0, wrong = 0;
    double read_ms_total = 0, read_ms_most = 0;
    // The memory of the last Vantor started: after its first round and at the end.
    Memory first, last;
    int reads_at_first = 0;
    while (reads < wanted) {
        // A Vantor of its own after each freeze.
        const char* exe = std::getenv("VANTOR_SOAK_EXE");
        Launcher vantor(exe && *exe ? std::string(exe) : vantor_exe());
        ASSERT_TRUE(vantor.ready()) << "no window titled Vantor";
        // Typing waits for each box to follow; busy cores may outlast that.
        auto filled = vantor.fill(settings);
        for (int tries = 1; !filled && tries < 3; ++tries)
            filled = vantor.fill(settings);
        ASSERT_TRUE(filled);
        auto reader = std::make_unique<Reader>(targets_of(vantor));
        size_t starts = entries_of(log.entries(), "start").size();
        bool frozen = false;
        int own_rounds = 0;
        // One bounded read; false when Vantor froze.
        auto read = [&] {
            const double began = now_ms();
            reader->begin();
            bool ended = reader->wait(kReadMs);
            if (!ended && answers(vantor.window())) {
                ++late;
                ended = reader->wait(kLateReadMs);
            }
            ++reads;
            if (!ended) {
                ++freezes;
                const std::string file =
                    artifact_directory() + "soak-freeze-" + std::to_string(freezes) + ".txt";
                write_backtrace(vantor.pid(), file);
                ADD_FAILURE() << "read " << reads << " (round " << rounds + 1 << ") got "
                              << reader->answers() << " of 10 answers and never ended, the "
                              << "window does not answer; the threads' backtrace: " << file;
                return false;
            }
            const double took = now_ms() - began;
            read_ms_total += took;
            read_ms_most = std::max(read_ms_most, took);
            if (reader->answers() != 10) {
                ++wrong;
                ADD_FAILURE() << "read " << reads << ": " << reader->answers() << " of 10 answers";
            }
            return true;
        };
        while (!frozen && reads < wanted) {
            ++rounds;
            ++own_rounds;
            vantor.press_start();
            // Reads while the sequence runs, until its four launches and its end.
            const DWORD began = GetTickCount();
            while (!frozen && (entries_of(log.entries(), "start").size() < starts + 4 ||
                               !vantor.wait_sequence_over(0))) {
                frozen = !read();
                ASSERT_LT(GetTickCount() - began, 4 * kSequenceMs) << "round " << rounds;
            }
            for (int i = 0; i < 5 && !frozen; ++i)
                frozen = !read();
            log.end_running();
            starts = entries_of(log.entries(), "start").size();
            if (!frozen) {
                ASSERT_TRUE(answers(vantor.window())) << "round " << rounds;
            }
            last = memory_of(vantor);
            if (own_rounds == 1) {
                first = last;
                reads_at_first = reads;
            }
            if (rounds % 10 == 0) {
                std::printf("soak: round %d, %d reads, %d froze, %.0f kB private\n", rounds, reads,
                            freezes, last.private_kb);
                std::fflush(stdout);
            }
        }
        // A reader left in a read that never ended gets its answer when this
        // Vantor is ended, and then ends.
        log.end_running();
    }
    std::printf("soak: %d reads (%d queries) in %d rounds beside %d busy programs: %d froze, "
                "%d late, %d with wrong answers\n",
                reads, reads * 10, rounds, busy_count, freezes, late, wrong);
    std::printf("soak: a read took %.0f ms on average, %.0f ms at most\n",
                reads ? read_ms_total / reads : 0.0, read_ms_most);
    const int queries = (reads - reads_at_first) * 10;
    std::printf("soak: Vantor's memory after its first round %.0f kB resident, %.0f kB private; "
                "%d queries later %.0f kB resident, %.0f kB private (%.3f and %.3f kB a query)\n",
                first.resident_kb, first.private_kb, queries, last.resident_kb, last.private_kb,
                queries ? (last.resident_kb - first.resident_kb) / queries : 0.0,
                queries ? (last.private_kb - first.private_kb) / queries : 0.0);
    EXPECT_EQ(0, freezes);
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--busy") == 0)
        return spin();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
