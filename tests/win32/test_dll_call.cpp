// Declared functions called for real: the Win32 loader, the dispatch entry and
// the stack check, against system libraries and the project's vantortest.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/dll_binding.h"
#include "runtime/fatal.h"
#include "runtime/win32/dll_call_win32.h"
#include "tests/unit/fatal_error.h"

using namespace vantor;
using vantor::testing::FatalToException;
using vantor::testing::RuntimeError;

namespace {

// The Win32 loader with a log of every load and release, in order.
class RecordingLoader : public DllLoader {
  public:
    void* load(const char* path) override {
        return noted("load ", path, win32_dll_loader().load(path));
    }
    void* get_proc(void* module, const char* name) override {
        return win32_dll_loader().get_proc(module, name);
    }
    void* get_proc_ordinal(void* module, uint16_t ordinal) override {
        return win32_dll_loader().get_proc_ordinal(module, ordinal);
    }
    void release(void* module) override {
        log.push_back("release " + paths[module]);
        win32_dll_loader().release(module);
    }
    const char* system_directory() override { return win32_dll_loader().system_directory(); }
    bool file_exists(const char* path) override { return win32_dll_loader().file_exists(path); }
    bool can_load_from_system() override { return win32_dll_loader().can_load_from_system(); }
    void* load_from_system(const char* name) override {
        return noted("load-system ", name, win32_dll_loader().load_from_system(name));
    }
    // Logs a load of `what` and remembers the module's name for its release.
    void* noted(const char* how, const char* what, void* module) {
        log.push_back(how + std::string(what) + (module ? "" : " (failed)"));
        if (module)
            paths[module] = what;
        return module;
    }
    // How a system library of the list is loaded: by name with the search flag,
    // else by its path in the system directory.
    std::string system_load(const std::string& name) {
        return can_load_from_system() ? "load-system " + name
                                      : "load " + std::string(system_directory()) + "\\" + name;
    }
    std::vector<std::string> log;
    std::map<void*, std::string> paths;
};

using Log = std::vector<std::string>;

std::string program_directory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\'));
}

// The declarations of one test, attached to the dispatch entry like the
// kernel's at start-up and released like at shutdown.
class DllCallTest : public ::testing::Test {
  protected:
    enum : uint32_t {
        kMsgWait,     // (empty) MsgWaitForMultipleObjects
        kThreadId,    // kernel32 GetCurrentThreadId
        kAdd2,        // vantortest.dll Add2
        kSub2,        // vantortest.dll #7
        kSub2Wrapped, // vantortest.dll #65543
        kDigits4,     // vantortest.dll Digits4
        kAdd2Cdecl,   // vantortest.dll Add2Cdecl
        kAbsolute,    // <dir>\dllsub\vantortest.dll Add2
        kMissing,     // vantortest.dll Mul2
        kCount
    };

    void SetUp() override {
        dir_ = program_directory();
        absolute_ = dir_ + "\\dllsub\\vantortest.dll";
        const char* libs[kCount] = {"",
                                    "kernel32",
                                    "vantortest.dll",
                                    "vantortest.dll",
                                    "vantortest.dll",
                                    "vantortest.dll",
                                    "vantortest.dll",
                                    absolute_.c_str(),
                                    "vantortest.dll"};
        const char* functions[kCount] = {"MsgWaitForMultipleObjects",
                                         "GetCurrentThreadId",
                                         "Add2",
                                         "#7",
                                         "#65543",
                                         "Digits4",
                                         "Add2Cdecl",
                                         "Add2",
                                         "Mul2"};
        create_dll_tables(tables_, kCount, libs, functions);
        attach_dll_tables(&tables_, dir_.c_str(), &loader_);
    }
    void TearDown() override {
        attach_dll_tables(nullptr, nullptr);
        release_dll_tables(tables_, loader_);
    }

    uint32_t call(uint32_t index, std::vector<uint32_t> args) {
        return call_declared(index, uint32_t(args.size()), args.data());
    }
    // The runtime error raised by the call (fails the test if none is raised).
    RuntimeError call_error(uint32_t index, std::vector<uint32_t> args) {
        return vantor::testing::raised_by([&] { call(index, std::move(args)); },
                                          "call of " + std::to_string(index));
    }

    RecordingLoader loader_;
    DllTables tables_{};
    std::string dir_, absolute_;

  private:
    FatalToException fatal_;
};

int32_t as_int(uint32_t word) {
    return int32_t(word);
}

// Calls vantor_call_declared with known values in every callee-saved register
// and names those that came back changed ("" when all four were kept).
std::string registers_changed_by_call(uint32_t index, uint32_t argc, const uint32_t* args,
                                      uint32_t& result) {
    uint32_t changed;
    uint32_t scratch = reinterpret_cast<uint32_t>(args);
    asm volatile("pushl %%ebx\n\t"
                 "pushl %%esi\n\t"
                 "pushl %%edi\n\t"
                 "pushl %%ebp\n\t"
                 "movl $0xB0B0B0B0, %%ebx\n\t"
                 "movl $0x51515151, %%esi\n\t"
                 "movl $0xD1D1D1D1, %%edi\n\t"
                 "movl $0xEBEBEBEB, %%ebp\n\t"
                 "pushl %%edx\n\t"
                 "pushl %%ecx\n\t"
                 "pushl %%eax\n\t"
                 "call _vantor_call_declared\n\t"
                 "addl $12, %%esp\n\t"
                 "xorl %%ecx, %%ecx\n\t"
                 "cmpl $0xB0B0B0B0, %%ebx\n\t"
                 "je 1f\n\t"
                 "orl $1, %%ecx\n"
                 "1:\n\t"
                 "cmpl $0x51515151, %%esi\n\t"
                 "je 2f\n\t"
                 "orl $2, %%ecx\n"
                 "2:\n\t"
                 "cmpl $0xD1D1D1D1, %%edi\n\t"
                 "je 3f\n\t"
                 "orl $4, %%ecx\n"
                 "3:\n\t"
                 "cmpl $0xEBEBEBEB, %%ebp\n\t"
                 "je 4f\n\t"
                 "orl $8, %%ecx\n"
                 "4:\n\t"
                 "popl %%ebp\n\t"
                 "popl %%edi\n\t"
                 "popl %%esi\n\t"
                 "popl %%ebx"
                 : "=a"(result), "=c"(changed), "+d"(scratch)
                 : "a"(index), "c"(argc)
                 : "memory", "cc");
    std::string names;
    const char* regs[] = {"ebx", "esi", "edi", "ebp"};
    for (int bit = 0; bit < 4; ++bit)
        if (changed & (1u << bit))
            names += std::string(names.empty() ? "" : " ") + regs[bit];
    return names;
}

} // namespace

TEST_F(DllCallTest, NoLibraryFindsMsgWaitInUser32AfterReleasingKernel32AndGdi32) {
    // No handles, no time-out, no input queued: the wait times out at once.
    EXPECT_EQ(call(kMsgWait, {0, 0, FALSE, 0, QS_ALLINPUT}), uint32_t(WAIT_TIMEOUT));
    const std::string kernel32 = loader_.system_load("Kernel32.dll");
    const std::string gdi32 = loader_.system_load("Gdi32.dll");
    EXPECT_EQ(loader_.log, (Log{kernel32, "release " + kernel32.substr(kernel32.find(' ') + 1),
                                gdi32, "release " + gdi32.substr(gdi32.find(' ') + 1),
                                loader_.system_load("User32.dll")}));
    EXPECT_EQ(tables_.modules[kMsgWait], GetModuleHandleA("user32.dll"));
    EXPECT_EQ(tables_.addresses[kMsgWait],
              reinterpret_cast<void*>(
                  GetProcAddress(GetModuleHandleA("user32.dll"), "MsgWaitForMultipleObjects")));

    EXPECT_EQ(call(kMsgWait, {0, 0, FALSE, 0, QS_ALLINPUT}), uint32_t(WAIT_TIMEOUT));
    EXPECT_EQ(loader_.log.size(), 5u) << "the second call loaded a library again";
}

TEST_F(DllCallTest, NamedSystemLibraryIsLoadedFromTheSystemDirectoryOnly) {
    EXPECT_EQ(call(kThreadId, {}), GetCurrentThreadId());
    EXPECT_EQ(loader_.log, (Log{"load " + std::string(loader_.system_directory()) + "\\kernel32"}));
    EXPECT_EQ(tables_.modules[kThreadId], GetModuleHandleA("kernel32.dll"));
}

TEST_F(DllCallTest, OwnLibraryIsFoundInTheProgramDirectoryByNameAndOrdinal) {
    EXPECT_EQ(as_int(call(kAdd2, {40, 2})), 42);
    EXPECT_EQ(as_int(call(kAdd2, {uint32_t(-7), 3})), -4);
    EXPECT_EQ(as_int(call(kSub2, {10, 3})), 7);         // ordinal 7
    EXPECT_EQ(as_int(call(kSub2Wrapped, {3, 10})), -7); // 65543 & 0xFFFF = 7
    EXPECT_EQ(as_int(call(kDigits4, {1, 2, 3, 4})), 1234) << "arguments out of order";
    std::string local = "load " + dir_ + "\\vantortest.dll";
    EXPECT_EQ(loader_.log, (Log{local, local, local, local}));
    EXPECT_EQ(tables_.addresses[kSub2], tables_.addresses[kSub2Wrapped]);
    EXPECT_NE(tables_.addresses[kSub2], tables_.addresses[kAdd2]);
}

TEST_F(DllCallTest, AbsolutePathIsLoadedAsItStands) {
    EXPECT_EQ(as_int(call(kAbsolute, {20, 22})), 42);
    EXPECT_EQ(loader_.log, (Log{"load " + absolute_}));
    EXPECT_EQ(tables_.modules[kAbsolute], GetModuleHandleA(absolute_.c_str()));

    call(kAdd2, {1, 1}); // the copy next to the program is a module of its own
    EXPECT_NE(tables_.modules[kAdd2], tables_.modules[kAbsolute]);
}

TEST_F(DllCallTest, MissingExportRaisesTheBindingErrorAndReleasesTheLibrary) {
    RuntimeError e = call_error(kMissing, {1, 2});
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(std::string(e.what()), "无法找到指定DLL库文件“vantortest.dll”中的输出命令“Mul2”");
    std::string local = dir_ + "\\vantortest.dll";
    EXPECT_EQ(loader_.log, (Log{"load " + local, "release " + local}));
    EXPECT_EQ(GetModuleHandleA("vantortest.dll"), nullptr) << "the library was not released";
    // The error unwound through the dispatch entry: calls still work afterwards.
    EXPECT_EQ(as_int(call(kAdd2, {2, 3})), 5);
}

TEST_F(DllCallTest, WrongArgumentCountIsStackErrorSixAndTheStackSurvives) {
    volatile uint32_t guard = 0x600DF00D; // lives in this frame, above the call
    EXPECT_EQ(as_int(call(kAdd2, {1, 2})), 3);

    RuntimeError too_few = call_error(kAdd2, {1}); // Add2 removes 8 bytes, 4 were pushed
    EXPECT_EQ(too_few.code, 6);
    EXPECT_EQ(std::string(too_few.what()), "调用DLL命令后发现堆栈错误");

    RuntimeError too_many = call_error(kAdd2, {1, 2, 3});
    EXPECT_EQ(too_many.code, 6);

    RuntimeError not_removed = call_error(kAdd2Cdecl, {1, 2}); // cdecl leaves its arguments
    EXPECT_EQ(not_removed.code, 6);

    EXPECT_EQ(as_int(call(kDigits4, {4, 3, 2, 1})), 4321);
    EXPECT_EQ(guard, 0x600DF00Du);
}

TEST_F(DllCallTest, CalleeSavedRegistersSurviveResolutionAndCachedCalls) {
    const uint32_t args[] = {5, 6, 7, 8};
    uint32_t result = 0;
    EXPECT_EQ(registers_changed_by_call(kDigits4, 4, args, result), "") << "first call";
    EXPECT_EQ(result, 5678u);
    EXPECT_EQ(registers_changed_by_call(kDigits4, 4, args, result), "") << "cached call";
    EXPECT_EQ(result, 5678u);
    EXPECT_EQ(registers_changed_by_call(kThreadId, 0, nullptr, result), "") << "no arguments";
    EXPECT_EQ(result, GetCurrentThreadId());
}

TEST_F(DllCallTest, DispatchEntryIsTheInterfaceSlot) {
    // Application code calls the slot with the index pushed last and checks the
    // stack itself; a stdcall function pointer type models that call.
    using Slot1 = uint32_t(__stdcall*)(uint32_t index, uint32_t a, uint32_t b);
    auto slot = reinterpret_cast<Slot1>(&vantor_dll_dispatch);
    EXPECT_EQ(slot(kAdd2, 30, 12), 42u);
    EXPECT_EQ(slot(kSub2, 30, 12), 18u);
}

TEST_F(DllCallTest, ShutdownReleasesTheKeptLibraries) {
    call(kAdd2, {1, 1});
    call(kAbsolute, {1, 1});
    ASSERT_NE(GetModuleHandleA(absolute_.c_str()), nullptr);
    loader_.log.clear();
    release_dll_tables(tables_, loader_);
    EXPECT_EQ(loader_.log, (Log{"release " + dir_ + "\\vantortest.dll", "release " + absolute_}));
    EXPECT_EQ(GetModuleHandleA(absolute_.c_str()), nullptr);
    EXPECT_EQ(GetModuleHandleA((dir_ + "\\vantortest.dll").c_str()), nullptr);
}
