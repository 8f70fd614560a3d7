// The edit box and transparent label kinds as assistive technology meets them:
// names from the labels' captions as shown, none for a box without a label on
// its row or above; one object for each control a reader asks, also when
// marshalled to another apartment (as to a screen reader's process), alive as
// long as the control and no longer; and no reader's release that makes the
// window's thread wait on another thread.
#include <windows.h>
// After windows.h, whose types it uses.
#include <oleacc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <memory>
#include <thread>

#include "controls/accessible.h"
#include "tests/support/test_form.h"

using namespace vantor;
using namespace vantor::testing;

namespace {

// Pumps this thread's messages, so that its apartment answers calls, until
// `event` is set (10 s at most).
void pump_until(HANDLE event) {
    while (MsgWaitForMultipleObjects(1, &event, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        pump(0);
}

void nothing_meanwhile() {}

// Runs `read` on a thread of another apartment while this thread's apartment
// answers its calls, after `meanwhile` (which pumps as long as it needs).
template <class F, class G = void (*)()>
void read_from_another_apartment(F read, G meanwhile = nothing_meanwhile) {
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread reader([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        read();
        CoUninitialize();
        SetEvent(done);
    });
    meanwhile();
    pump_until(done);
    reader.join();
    CloseHandle(done);
}

// Wine's COM ends an export on its apartment's thread, and when no other
// export of its interface is left it unregisters the interface from the RPC
// runtime waiting for the calls in flight on it (RpcServerUnregisterIf with
// WaitForCallsToComplete): a wait on other threads, which rpcrt4 can leave
// unanswered for ever. The test counts those waits on the window's thread
// through combase's import of the function.
using Unregister = RPC_STATUS(RPC_ENTRY*)(RPC_IF_HANDLE, UUID*, UINT);
Unregister g_unregister = nullptr;
DWORD g_window_thread = 0;
std::atomic<int> g_waits{0};

RPC_STATUS RPC_ENTRY counting_unregister(RPC_IF_HANDLE if_handle, UUID* type, UINT wait) {
    if (wait && GetCurrentThreadId() == g_window_thread)
        ++g_waits;
    return g_unregister(if_handle, type, wait);
}

// Points the imports of `target` in `module` at `replacement`; whether there was one.
bool patch_import(HMODULE module, void* target, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    bool patched = false;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && d->Name; ++d) {
        for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function;
             ++t) {
            if (reinterpret_cast<void*>(t->u1.Function) != target)
                continue;
            DWORD was = 0;
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, PAGE_READWRITE, &was);
            t->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, was, &was);
            patched = true;
        }
    }
    return patched;
}

} // namespace

TEST(Accessible, NamesFollowTheLabelsAsShownOneObjectEachControlForItsLife) {
    OleInitialize(nullptr); // as the runtime's start-up does
    const ControlDesc box_left{forms::kind::EditBox, 100, 20, 80, 24, {}};
    const ControlDesc box_alone{forms::kind::EditBox, 100, 100, 80, 24, {}};
    auto form = std::make_unique<TestForm>(
        window_props("Accessible"), RECT{50, 50, 320, 220},
        std::vector<ControlDesc>{box_left, label(10, 24, 80, 16, "&Name && more"), box_alone,
                                 label(190, 100, 60, 24, "right"),
                                 label(100, 140, 80, 24, "below")});
    ASSERT_TRUE(form->ok());
    form->show();
    struct Row {
        const wchar_t* name;
        LONG role;
    } rows[] = {{L"Name & more", ROLE_SYSTEM_TEXT},
                {L"Name & more", ROLE_SYSTEM_STATICTEXT},
                {L"(none)", ROLE_SYSTEM_TEXT},
                {L"right", ROLE_SYSTEM_STATICTEXT}};
    for (size_t i = 0; i < std::size(rows); ++i) {
        LONG role = 0;
        EXPECT_EQ(rows[i].name, accessible_name(form->control_hwnd(i), &role)) << i;
        EXPECT_EQ(rows[i].role, role) << i;
    }
    // A new caption names at once; a hidden label names nothing.
    form->write_text(form->control(1), props::trans_label::Caption, "年龄");
    EXPECT_EQ(L"年龄", accessible_name(form->control_hwnd(0)));
    ShowWindow(form->control_hwnd(1), SW_HIDE);
    EXPECT_EQ(L"(none)", accessible_name(form->control_hwnd(0)));

    for (int i = 0; i < 1000; ++i)
        accessible_name(form->control_hwnd(size_t(i % 4)));
    std::atomic<int> named{0};
    read_from_another_apartment([&, label = form->control_hwnd(3)] {
        for (int i = 0; i < 100; ++i)
            named += accessible_name(label) == L"right" ? 1 : 0;
    });
    EXPECT_EQ(100, named);
    EXPECT_EQ(4, controls::accessible_objects_alive()) << "one for each control asked";
    form.reset();
    EXPECT_EQ(0, controls::accessible_objects_alive());
}

TEST(Accessible, NoReleaseMakesTheWindowsThreadWaitAndTheControlsEndCutsReadersOff) {
    OleInitialize(nullptr);
    g_window_thread = GetCurrentThreadId();
    g_unregister = reinterpret_cast<Unregister>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"rpcrt4.dll"), "RpcServerUnregisterIf")));
    bool patched = false;
    for (const wchar_t* module : {L"combase.dll", L"ole32.dll"}) {
        if (HMODULE m = GetModuleHandleW(module); m && g_unregister)
            patched = patch_import(m, reinterpret_cast<void*>(g_unregister),
                                   reinterpret_cast<void*>(&counting_unregister)) ||
                      patched;
    }
    if (!patched && !GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "this system's COM does not unregister interfaces as it ends exports";
    ASSERT_TRUE(patched) << "Wine's COM no longer imports RpcServerUnregisterIf";
    // The count sees such a wait: an export made and ended on this thread.
    IStream* stream = nullptr;
    IStream* marshalled = nullptr;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &marshalled));
    ASSERT_EQ(S_OK, CoMarshalInterface(marshalled, IID_IStream, stream, MSHCTX_LOCAL, nullptr,
                                       MSHLFLAGS_NORMAL));
    marshalled->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    CoReleaseMarshalData(marshalled);
    marshalled->Release();
    stream->Release();
    ASSERT_EQ(1, g_waits.exchange(0));

    auto form = std::make_unique<TestForm>(
        window_props("Accessible"), RECT{50, 50, 320, 220},
        std::vector<ControlDesc>{ControlDesc{forms::kind::EditBox, 100, 20, 80, 24, {}},
                                 label(10, 24, 80, 16, "Name")});
    ASSERT_TRUE(form->ok());
    form->show();
    // Readers of both apartments, each releasing its last reference every read;
    // the other apartment's keeps one object past the control's end.
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(L"Name", accessible_name(form->control_hwnd(i % 2)));
    HANDLE holding = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HRESULT read_after_end = S_OK;
    std::atomic<int> named{0};
    read_from_another_apartment(
        [&, box = form->control_hwnd(0), label = form->control_hwnd(1)] {
            for (int i = 0; i < 50; ++i)
                named += accessible_name(i % 2 ? label : box) == L"Name" ? 1 : 0;
            IAccessible* kept = nullptr;
            AccessibleObjectFromWindow(label, DWORD(OBJID_CLIENT), IID_IAccessible,
                                       reinterpret_cast<void**>(&kept));
            SetEvent(holding);
            if (!kept)
                return;
            WaitForSingleObject(ended, 10000);
            VARIANT self{};
            self.vt = VT_I4; // CHILDID_SELF
            BSTR name = nullptr;
            read_after_end = kept->get_accName(self, &name);
            SysFreeString(name);
            kept->Release();
        },
        [&] {
            pump_until(holding);
            EXPECT_EQ(50, named);
            EXPECT_EQ(0, g_waits.load()) << "releases that waited on other threads";
            form.reset();
            EXPECT_EQ(0, controls::accessible_objects_alive()) << "an object outlives its control";
            SetEvent(ended);
        });
    EXPECT_TRUE(FAILED(read_after_end))
        << "read through an ended control: " << std::hex << read_after_end;
    EXPECT_EQ(0, g_waits.load()) << "the control's end waited on other threads";
    CloseHandle(holding);
    CloseHandle(ended);
}
