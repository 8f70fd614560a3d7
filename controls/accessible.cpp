#include "controls/accessible.h"

// After windows.h, whose types they use.
#include <oleacc.h>
#include <oleauto.h>

#include <new>

#include "controls/on_demand.h"

namespace vantor::controls {

namespace {

void disconnect_all(void*);

// The accessibility library, the automation one (BSTRs, late-bound calls) and
// COM's marshalling are looked up on the first query: most runs meet no
// screen reader. Before the end sequence frees the accessibility library it
// disconnects the objects of controls still alive, so that none is left for
// COM's own end to tear down.
template <class Fn> Fn oleacc_function(const char* name) {
    return on_demand<Fn>("oleacc.dll", name, disconnect_all);
}
template <class Fn> Fn oleaut_function(const char* name) {
    return on_demand<Fn>("oleaut32.dll", name);
}
template <class Fn> Fn ole_function(const char* name) {
    return on_demand<Fn>("ole32.dll", name);
}

LONG g_alive = 0;

bool is_self(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The standard object with the kind's facts. It holds a reference to the
// standard object and to the library whose code that is: a screen reader may
// release its last reference after the end sequence has released the library.
class KindAccessible final : public IAccessible, public IOleWindow {
  public:
    KindAccessible(IAccessible* standard, HMODULE library, HWND hwnd, const AccessibleFacts& facts)
        : standard_(standard), library_(library), hwnd_(hwnd), facts_(facts) {
        InterlockedIncrement(&g_alive);
    }
    KindAccessible(const KindAccessible&) = delete;
    KindAccessible& operator=(const KindAccessible&) = delete;

    // ---- IUnknown: one identity; other interfaces of the standard object
    // (a marshaller among them) are not handed out as this object's.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible)
            *out = static_cast<IAccessible*>(this);
        else if (iid == IID_IOleWindow)
            *out = static_cast<IOleWindow*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return ULONG(left);
    }

    // ---- IOleWindow: the window, for WindowFromAccessibleObject.
    STDMETHODIMP GetWindow(HWND* hwnd) override {
        if (!hwnd)
            return E_POINTER;
        *hwnd = hwnd_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // ---- IDispatch: late-bound calls reach this object's answers through the
    // standard object's type description; without one, the standard object's.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override {
        return standard_->GetIDsOfNames(iid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* wrong_argument) override {
        ITypeInfo* info = nullptr;
        const auto invoke = oleaut_function<decltype(&DispInvoke)>("DispInvoke");
        if (invoke && SUCCEEDED(standard_->GetTypeInfo(0, lcid, &info)) && info) {
            const HRESULT hr = invoke(static_cast<IAccessible*>(this), info, id, flags, params,
                                      result, exception, wrong_argument);
            info->Release();
            return hr;
        }
        return standard_->Invoke(id, iid, lcid, flags, params, result, exception, wrong_argument);
    }

    // ---- IAccessible: the kind's name, role and state of the control itself.
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        std::wstring text;
        if (!is_self(child) || !facts_.name || !facts_.name(hwnd_, text))
            return standard_->get_accName(child, name);
        if (!name)
            return E_POINTER;
        *name = nullptr;
        if (text.empty())
            return S_FALSE;
        const auto allocate = oleaut_function<decltype(&SysAllocStringLen)>("SysAllocStringLen");
        *name = allocate ? allocate(text.data(), UINT(text.size())) : nullptr;
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        if (!is_self(child) || facts_.role == 0)
            return standard_->get_accRole(child, role);
        if (!role)
            return E_POINTER;
        role->vt = VT_I4;
        role->lVal = facts_.role;
        return S_OK;
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        const HRESULT hr = standard_->get_accState(child, state);
        if (SUCCEEDED(hr) && is_self(child) && state && state->vt == VT_I4)
            state->lVal = (state->lVal & ~facts_.state_clear) | facts_.state_set;
        return hr;
    }

    // ---- IAccessible: the standard object's answers.
    STDMETHODIMP get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    STDMETHODIMP get_accChildCount(LONG* count) override {
        return standard_->get_accChildCount(count);
    }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override {
        return standard_->get_accChild(child, out);
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
        return standard_->get_accDescription(child, text);
    }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* text) override {
        return standard_->get_accHelp(child, text);
    }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    STDMETHODIMP get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    STDMETHODIMP get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    STDMETHODIMP accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                             VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

  private:
    ~KindAccessible() {
        standard_->Release();
        FreeLibrary(library_);
        InterlockedDecrement(&g_alive);
    }

    LONG references_ = 1;
    IAccessible* standard_;
    HMODULE library_;
    HWND hwnd_;
    AccessibleFacts facts_;
};

// The interfaces a reader reaches this process through: the object's own, and
// IDispatch, as which the standard object's navigation (parent, siblings)
// hands out objects of its own. Marshalled table-strong, each stays exported
// as long as the control lives, whatever a reader releases.
const IID* const kExported[] = {&IID_IAccessible, &IID_IDispatch};

// The standard object of `hwnd` told `facts`, with one reference, and in
// `table` its table-strong marshals; null when the system cannot give it.
IAccessible* make_object(HWND hwnd, const AccessibleFacts& facts, IStream*& table) {
    const auto create =
        oleacc_function<decltype(&CreateStdAccessibleObject)>("CreateStdAccessibleObject");
    const auto make_stream =
        ole_function<decltype(&CreateStreamOnHGlobal)>("CreateStreamOnHGlobal");
    const auto marshal = ole_function<decltype(&CoMarshalInterface)>("CoMarshalInterface");
    HMODULE library = nullptr;
    if (!create || !make_stream || !marshal ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(create), &library))
        return nullptr;
    IAccessible* standard = nullptr;
    if (FAILED(create(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard))) ||
        !standard) {
        FreeLibrary(library);
        return nullptr;
    }
    IAccessible* object = new (std::nothrow) KindAccessible(standard, library, hwnd, facts);
    if (!object) {
        standard->Release();
        FreeLibrary(library);
        return nullptr;
    }
    table = nullptr;
    bool held = SUCCEEDED(make_stream(nullptr, TRUE, &table)) && table;
    for (const IID* iid : kExported) {
        held = held && SUCCEEDED(marshal(table, *iid, object, MSHCTX_LOCAL, nullptr,
                                         MSHLFLAGS_TABLESTRONG));
    }
    if (!held) {
        // Nothing of it may stay exported: the release below must end it.
        if (const auto cut = ole_function<decltype(&CoDisconnectObject)>("CoDisconnectObject"))
            cut(object, 0);
        if (table)
            table->Release();
        table = nullptr;
        object->Release();
        return nullptr;
    }
    return object;
}

} // namespace

// What a control holds of its object, listed for the end sequence (window's
// thread only, as every query and destruction).
struct AccessibleExport::Held {
    IAccessible* object = nullptr; // one reference, until disconnected
    IStream* table = nullptr;      // the table-strong marshals
    Held* previous = nullptr;
    Held* next = nullptr;

    // Cuts every reader off (their calls fail from now on; a call already
    // running ends first) and releases the object and its marshals. Once.
    void disconnect();
};

namespace {

AccessibleExport::Held* g_held = nullptr; // the list

void disconnect_all(void*) {
    for (AccessibleExport::Held* h = g_held; h; h = h->next)
        h->disconnect();
}

} // namespace

void AccessibleExport::Held::disconnect() {
    if (!object)
        return;
    if (const auto cut = ole_function<decltype(&CoDisconnectObject)>("CoDisconnectObject"))
        cut(object, 0);
    // The disconnection has dropped the table's references with the rest.
    if (table)
        table->Release();
    object->Release();
    object = nullptr;
    table = nullptr;
}

AccessibleExport::~AccessibleExport() {
    if (!held_)
        return;
    held_->disconnect();
    (held_->previous ? held_->previous->next : g_held) = held_->next;
    if (held_->next)
        held_->next->previous = held_->previous;
    delete held_;
}

bool AccessibleExport::answer(HWND hwnd, WPARAM wp, LPARAM lp, const AccessibleFacts& facts,
                              LRESULT& result) {
    if (LONG(lp) != OBJID_CLIENT)
        return false;
    const auto hand_over = oleacc_function<decltype(&LresultFromObject)>("LresultFromObject");
    if (!hand_over)
        return false;
    if (!held_) {
        held_ = new (std::nothrow) Held;
        if (!held_)
            return false;
        held_->next = g_held;
        if (g_held)
            g_held->previous = held_;
        g_held = held_;
    }
    if (!held_->object)
        held_->object = make_object(hwnd, facts, held_->table);
    if (!held_->object)
        return false;
    result = hand_over(IID_IAccessible, wp, held_->object);
    return SUCCEEDED(HRESULT(result));
}

long accessible_objects_alive() {
    return InterlockedCompareExchange(&g_alive, 0, 0);
}

} // namespace vantor::controls
