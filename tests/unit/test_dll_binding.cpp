// Resolution order of declared functions, over a fake loader that logs every call.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "runtime/dll_binding.h"
#include "runtime/fatal.h"
#include "tests/unit/fatal_error.h"

using namespace vantor;
using vantor::testing::FatalToException;
using vantor::testing::raised_by;
using vantor::testing::RuntimeError;

namespace {

void* fake_address(uintptr_t n) {
    return reinterpret_cast<void*>(n);
}

// A file system of libraries: path -> exports. Handles are 1-based indexes into
// `libraries`; every call is logged as one line and load counts are kept, so a
// test sees the order of attempts and any handle released twice or never.
class FakeLoader : public DllLoader {
  public:
    struct Library {
        std::string path;
        std::map<std::string, uintptr_t> by_name;
        std::map<uint16_t, uintptr_t> by_ordinal;
        int references = 0;
    };

    Library& add(const std::string& path) { return libraries.emplace_back(Library{path}); }
    void* handle_of(const std::string& path) const {
        for (size_t i = 0; i < libraries.size(); ++i)
            if (libraries[i].path == path)
                return fake_address(i + 1);
        return nullptr;
    }
    int references(const std::string& path) { return library(handle_of(path)).references; }

    void* load(const char* path) override { return open(path, std::string("load ") + path); }
    void* get_proc(void* module, const char* name) override {
        return find(module, library(module).by_name, name, name);
    }
    void* get_proc_ordinal(void* module, uint16_t ordinal) override {
        return find(module, library(module).by_ordinal, ordinal, "@" + std::to_string(ordinal));
    }
    void release(void* module) override {
        log.push_back("release " + library(module).path);
        --library(module).references;
    }
    // The system directory, when set, holds the files in `files`; libraries
    // loaded from it are those added under its joined path.
    const char* system_directory() override { return system.c_str(); }
    bool file_exists(const char* path) override {
        const bool exists = files.count(path) > 0;
        log.push_back(std::string("exists ") + path + (exists ? "" : " (no)"));
        return exists;
    }
    bool can_load_from_system() override { return system_search; }
    void* load_from_system(const char* name) override {
        return open(system + "\\" + name, std::string("load-system ") + name);
    }

    std::vector<Library> libraries;
    std::vector<std::string> log;
    std::string system;         // empty: not known
    bool system_search = false; // LOAD_LIBRARY_SEARCH_SYSTEM32 available
    std::set<std::string> files;

  private:
    Library& library(void* module) {
        uintptr_t index = reinterpret_cast<uintptr_t>(module);
        if (index == 0 || index > libraries.size())
            throw std::logic_error("bad module handle");
        return libraries[index - 1];
    }
    void* open(const std::string& path, const std::string& line) {
        void* module = handle_of(path);
        log.push_back(line + (module ? "" : " (missing)"));
        if (module)
            ++library(module).references;
        return module;
    }
    template <class Key>
    void* find(void* module, const std::map<Key, uintptr_t>& exports, std::type_identity_t<Key> key,
               const std::string& shown) {
        log.push_back("find " + library(module).path + " " + shown);
        auto it = exports.find(key);
        return it == exports.end() ? nullptr : fake_address(it->second);
    }
};

using Log = std::vector<std::string>;

// One program's declarations; the tables are released on teardown like at shutdown.
class DllBindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kSystemLibraries)
            loader.add(name);
    }
    void TearDown() override {
        release_dll_tables(tables, loader);
        for (const auto& lib : loader.libraries)
            EXPECT_EQ(lib.references, 0) << lib.path << " leaked or released too often";
    }

    void declare(std::vector<const char*> libs, std::vector<const char*> functions) {
        libs_ = std::move(libs);
        functions_ = std::move(functions);
        create_dll_tables(tables, uint32_t(libs_.size()), libs_.data(), functions_.data());
    }
    void* resolve(uint32_t i, const char* dir = "C:\\App") {
        return resolve_dll_function(tables, i, loader, dir);
    }
    // The text of the runtime error (code 0) raised by resolving i; a failure when none is.
    std::string error_text(uint32_t i) {
        RuntimeError e = raised_by([&] { resolve(i); }, "resolving " + std::to_string(i));
        EXPECT_EQ(e.code, 0);
        return e.what();
    }

    FakeLoader loader;
    DllTables tables{};

  private:
    std::vector<const char*> libs_, functions_;
    FatalToException fatal_;
};

} // namespace

TEST(OrdinalNames, LowSixteenBitsOfTheDecimalNumber) {
    // 2^32 + 5: no 32-bit overflow changes the low bits.
    const std::pair<const char*, uint16_t> cases[] = {
        {"#5", 5},   {"#65541", 5}, {"#65535", 65535}, {"#0", 0},
        {"#007", 7}, {"#", 0},      {"#12x", 12},      {"#4294967301", 5}};
    for (auto [name, expected] : cases) {
        uint16_t ordinal = 0xBEEF;
        EXPECT_TRUE(parse_ordinal_name(name, ordinal)) << name;
        EXPECT_EQ(ordinal, expected) << name;
    }
    for (const char* name : {"Add2", "", "5", " #5"}) {
        uint16_t ordinal = 0xBEEF;
        EXPECT_FALSE(parse_ordinal_name(name, ordinal)) << '"' << name << '"';
    }
    uint16_t unused = 0;
    EXPECT_FALSE(parse_ordinal_name(nullptr, unused));
}

TEST_F(DllBindingTest, NoLibrarySearchesTheSystemListInOrderReleasingMisses) {
    loader.libraries[2].by_name["MsgWaitForMultipleObjects"] = 0x7000; // User32.dll
    declare({""}, {"MsgWaitForMultipleObjects"});

    EXPECT_EQ(resolve(0), fake_address(0x7000));
    EXPECT_EQ(loader.log, (Log{"load Kernel32.dll", "find Kernel32.dll MsgWaitForMultipleObjects",
                               "release Kernel32.dll", "load Gdi32.dll",
                               "find Gdi32.dll MsgWaitForMultipleObjects", "release Gdi32.dll",
                               "load User32.dll", "find User32.dll MsgWaitForMultipleObjects"}));
    EXPECT_EQ(tables.modules[0], loader.handle_of("User32.dll"));
    EXPECT_EQ(loader.references("User32.dll"), 1); // kept until shutdown
}

TEST_F(DllBindingTest, SystemLibraryThatDoesNotLoadIsSkipped) {
    loader.libraries[0].path = "gone"; // Kernel32.dll cannot be loaded
    loader.libraries[1].by_name["CreateWaitableTimerA"] = 0x1234;
    declare({""}, {"CreateWaitableTimerA"});

    EXPECT_EQ(resolve(0), fake_address(0x1234));
    EXPECT_EQ(loader.log, (Log{"load Kernel32.dll (missing)", "load Gdi32.dll",
                               "find Gdi32.dll CreateWaitableTimerA"}));
}

TEST_F(DllBindingTest, SecondCallUsesTheCacheWithoutLoading) {
    loader.libraries[0].by_name["CloseHandle"] = 0x42;
    declare({"", "kernel32"}, {"CloseHandle", "CloseHandle"});
    loader.add("kernel32").by_name["CloseHandle"] = 0x43;

    EXPECT_EQ(resolve(0), fake_address(0x42));
    EXPECT_EQ(resolve(1), fake_address(0x43));
    size_t calls = loader.log.size();
    EXPECT_EQ(resolve(0), fake_address(0x42));
    EXPECT_EQ(resolve(1), fake_address(0x43));
    EXPECT_EQ(loader.log.size(), calls) << "cached functions reached the loader again";
}

TEST_F(DllBindingTest, OrdinalNamesAreLookedUpByOrdinal) {
    auto& user32 = loader.add("user32");
    user32.by_ordinal[5] = 0x505;
    user32.by_name["#5"] = 0xBAD; // must not be asked for by name
    declare({"user32", "user32"}, {"#5", "#65541"});

    EXPECT_EQ(resolve(0), fake_address(0x505));
    EXPECT_EQ(resolve(1), fake_address(0x505));
    EXPECT_EQ(loader.log, (Log{"load C:\\App\\user32 (missing)", "load user32", "find user32 @5",
                               "load C:\\App\\user32 (missing)", "load user32", "find user32 @5"}));
}

TEST_F(DllBindingTest, RelativeNamesTryTheProgramDirectoryIfAnyFirst) {
    loader.add("C:\\App\\local.dll").by_name["F"] = 0x10;
    loader.add("local.dll").by_name["F"] = 0x20; // the system's search would find this one
    loader.add("other.dll").by_name["G"] = 0x30;
    declare({"local.dll", "other.dll", "other.dll", "other.dll"}, {"F", "G", "G", "G"});

    EXPECT_EQ(resolve(0), fake_address(0x10));
    EXPECT_EQ(tables.modules[0], loader.handle_of("C:\\App\\local.dll"));
    EXPECT_EQ(resolve(1), fake_address(0x30));
    EXPECT_EQ(tables.modules[1], loader.handle_of("other.dll"));
    EXPECT_EQ(loader.log,
              (Log{"load C:\\App\\local.dll", "find C:\\App\\local.dll F",
                   "load C:\\App\\other.dll (missing)", "load other.dll", "find other.dll G"}));
    // Without a program directory only the name is loaded.
    loader.log.clear();
    EXPECT_EQ(resolve(2, nullptr), fake_address(0x30));
    EXPECT_EQ(resolve(3, ""), fake_address(0x30));
    EXPECT_EQ(loader.log,
              (Log{"load other.dll", "find other.dll G", "load other.dll", "find other.dll G"}));
}

TEST_F(DllBindingTest, NamesWithAColonAreLoadedAsTheyStandOnly) {
    loader.add("D:\\libs\\abs.dll").by_name["F"] = 0x11;
    loader.add("C:\\App\\D:\\gone.dll").by_name["F"] = 0xBAD; // a joined path must not be tried
    loader.add("gone.dll").by_name["F"] = 0xBAD;
    declare({"D:\\libs\\abs.dll", "D:\\gone.dll"}, {"F", "F"});

    EXPECT_EQ(resolve(0), fake_address(0x11));
    error_text(1);
    EXPECT_EQ(loader.log, (Log{"load D:\\libs\\abs.dll", "find D:\\libs\\abs.dll F",
                               "load D:\\gone.dll (missing)"}));
}

TEST_F(DllBindingTest, MissingExportsAndLibrariesAreReportedAsDeclaredAndReleased) {
    loader.add("C:\\App\\vantortest.dll").by_name["Add2"] = 0x1;
    loader.add("user32");
    declare({"vantortest.dll", "user32", "nowhere.dll"}, {"Mul2", "#65541", "F"});

    // GBK bytes: 无法找到指定DLL库文件“vantortest.dll”中的输出命令“Mul2”
    EXPECT_EQ(error_text(0), "\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xD6\xB8\xB6\xA8"
                             "DLL\xBF\xE2\xCE\xC4\xBC\xFE\xA1\xB0"
                             "vantortest.dll\xA1\xB1\xD6\xD0\xB5\xC4\xCA\xE4\xB3\xF6"
                             "\xC3\xFC\xC1\xEE\xA1\xB0Mul2\xA1\xB1");
    EXPECT_EQ(loader.log.back(), "release C:\\App\\vantortest.dll");
    EXPECT_EQ(tables.modules[0], nullptr);
    EXPECT_EQ(tables.addresses[0], nullptr);

    EXPECT_EQ(error_text(1), "无法找到指定DLL库文件“user32”中的输出命令“#65541”");
    EXPECT_EQ(loader.log.back(), "release user32");
    loader.log.clear();
    // A library that cannot be loaded is not released.
    EXPECT_EQ(error_text(2), "无法找到指定DLL库文件“nowhere.dll”中的输出命令“F”");
    EXPECT_EQ(loader.log,
              (Log{"load C:\\App\\nowhere.dll (missing)", "load nowhere.dll (missing)"}));
}

TEST_F(DllBindingTest, ExportInNoSystemLibraryTriesAllSixAndNamesOnlyTheExport) {
    declare({nullptr}, {"NoSuchExport"}); // a null library name counts as empty

    // GBK bytes: 无法找到指定DLL库文件中的输出命令“NoSuchExport”
    EXPECT_EQ(error_text(0), "\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xD6\xB8\xB6\xA8"
                             "DLL\xBF\xE2\xCE\xC4\xBC\xFE\xD6\xD0\xB5\xC4\xCA\xE4\xB3\xF6"
                             "\xC3\xFC\xC1\xEE\xA1\xB0NoSuchExport\xA1\xB1");
    Log expected;
    for (const char* name : kSystemLibraries) {
        expected.push_back(std::string("load ") + name);
        expected.push_back(std::string("find ") + name + " NoSuchExport");
        expected.push_back(std::string("release ") + name);
    }
    EXPECT_EQ(loader.log, expected);
}

// ---- libraries of the system are taken from the system directory -----------------------

constexpr const char* kSystem = "C:\\Windows\\System32";

std::string in_system(const std::string& name) {
    return std::string(kSystem) + "\\" + name;
}

TEST(LibraryFileName, AddsTheDefaultExtensionAsTheLoaderDoes) {
    const std::pair<const char*, const char*> cases[] = {{"kernel32", "kernel32.dll"},
                                                         {"USER32.DLL", "USER32.DLL"},
                                                         {"x.ocx", "x.ocx"},
                                                         {"lib.", "lib"},
                                                         {"a.b\\c", "a.b\\c.dll"},
                                                         {"dir/x", "dir/x.dll"},
                                                         {"C:\\W\\mpr", "C:\\W\\mpr.dll"}};
    for (auto [name, file] : cases)
        EXPECT_EQ(library_file_name(name), file) << name;
}

TEST_F(DllBindingTest, DeclaredLibraryInTheSystemDirectoryIsLoadedFromThereOnly) {
    loader.system = kSystem;
    loader.files = {in_system("kernel32.dll"), in_system("user32.dll")};
    loader.add("C:\\App\\kernel32").by_name["CloseHandle"] = 0xBAD; // planted beside the program
    loader.add(in_system("kernel32")).by_name["CloseHandle"] = 0x43;
    loader.add("C:\\App\\local.dll").by_name["F"] = 0x10;
    loader.add("C:\\App\\user32").by_name["FindWindowExA"] = 0xBAD;
    declare({"kernel32", "local.dll", "D:\\libs\\abs.dll", "user32"},
            {"CloseHandle", "F", "G", "FindWindowExA"});

    EXPECT_EQ(resolve(0), fake_address(0x43));
    EXPECT_EQ(tables.modules[0], loader.handle_of(in_system("kernel32")));
    EXPECT_EQ(resolve(1), fake_address(0x10)) << "other names: the program directory first";
    error_text(2);
    // The system's file that cannot be loaded is not replaced by the planted one.
    EXPECT_EQ(error_text(3), "无法找到指定DLL库文件“user32”中的输出命令“FindWindowExA”");
    EXPECT_EQ(
        loader.log,
        (Log{"exists " + in_system("kernel32.dll"), "load " + in_system("kernel32"),
             "find " + in_system("kernel32") + " CloseHandle",
             "exists " + in_system("local.dll") + " (no)", "load C:\\App\\local.dll",
             "find C:\\App\\local.dll F", "load D:\\libs\\abs.dll (missing)",
             "exists " + in_system("user32.dll"), "load " + in_system("user32") + " (missing)"}));
}

TEST(DllBinding, SystemListIsLoadedFromTheSystemDirectory) {
    for (bool search_flag : {true, false}) {
        SCOPED_TRACE(search_flag ? "with the search flag" : "by joined path");
        FakeLoader fake;
        fake.system = kSystem;
        fake.system_search = search_flag;
        for (const char* name : kSystemLibraries) {
            fake.add(name).by_name["WNetGetConnectionA"] = 0xBAD; // found by the plain search
            fake.add(in_system(name));
        }
        fake.libraries[fake.libraries.size() - 3].by_name["WNetGetConnectionA"] = 0x77; // Mpr.dll
        std::vector<const char*> libs = {""}, functions = {"WNetGetConnectionA"};
        DllTables t{};
        create_dll_tables(t, 1, libs.data(), functions.data());
        EXPECT_EQ(resolve_dll_function(t, 0, fake, "C:\\App"), fake_address(0x77));
        Log expected;
        for (const char* name :
             {"Kernel32.dll", "Gdi32.dll", "User32.dll", "Advapi32.dll", "Mpr.dll"}) {
            expected.push_back(search_flag ? std::string("load-system ") + name
                                           : "load " + in_system(name));
            expected.push_back("find " + in_system(name) + " WNetGetConnectionA");
            expected.push_back("release " + in_system(name));
        }
        expected.pop_back(); // Mpr.dll, which has the export, is kept
        EXPECT_EQ(fake.log, expected);
        release_dll_tables(t, fake);
    }
}

TEST_F(DllBindingTest, ShutdownReleasesEachKeptHandleOnce) {
    loader.libraries[2].by_name["FindWindowExA"] = 0x2;
    auto& k32 = loader.add("kernel32");
    k32.by_name["CloseHandle"] = 0x3;
    k32.by_name["OpenProcess"] = 0x4;
    declare({"", "kernel32", "kernel32", "kernel32"},
            {"FindWindowExA", "CloseHandle", "OpenProcess", "TerminateProcess"});
    resolve(0);
    resolve(1);
    resolve(2); // declaration 3 is never called: nothing to release for it
    EXPECT_EQ(loader.references("kernel32"), 2);

    loader.log.clear();
    release_dll_tables(tables, loader);
    EXPECT_EQ(loader.log, (Log{"release User32.dll", "release kernel32", "release kernel32"}));
    EXPECT_EQ(tables.count, 0u);
    EXPECT_EQ(tables.modules, nullptr);
    EXPECT_EQ(tables.addresses, nullptr);
    release_dll_tables(tables, loader); // and once more on teardown: nothing left to release
    EXPECT_EQ(loader.log.size(), 3u);
}

TEST(DllTables, ACountBeyondMemoryFailsAsAnAllocationInsteadOfWrapping) {
    FatalToException fatal;
    DllTables tables{};
    RuntimeError e = raised_by([&] { create_dll_tables(tables, 0x40000001u, nullptr, nullptr); },
                               "a table of 2^30 + 1 entries");
    EXPECT_STREQ(e.what(), "分配 -1 字节内存失败!");
    EXPECT_EQ(tables.count, 0u);
}

TEST(StackError, IsErrorSixWithItsMessage) {
    FatalToException fatal;
    RuntimeError e = raised_by([] { raise_stack_error(); }, "the stack error");
    EXPECT_EQ(e.code, 6);
    EXPECT_EQ(std::string(e.what()), "\xB5\xF7\xD3\xC3"
                                     "DLL\xC3\xFC\xC1\xEE\xBA\xF3\xB7\xA2"
                                     "\xCF\xD6\xB6\xD1\xD5\xBB\xB4\xED\xCE\xF3");
}
