// Keyboard handling of a window for the keys pressed in it or its controls:
// Tab order, Enter and the default button, Esc, F1 help and Alt mnemonics.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

#include "controls/kinds.h"
#include "controls/window_kind.h"
#include "forms/record.h"
#include "forms/win32/engine.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

namespace {

using TabKey = std::pair<uint32_t, uint32_t>; // tab order, then control order

TabKey key_of(const TabEntry& e) {
    return {e.tab_order, e.index};
}

bool can_take_focus(const UnitObject* u) {
    const forms::UnitTypeRecord* t = u->type();
    return !t || (t->flags & (forms::type_flag::NoTabFocus | forms::type_flag::NeverShown)) == 0;
}

bool takes_mnemonics(const UnitObject* u) {
    return u->type() == &kButtonType || u->type() == &kTransLabelType;
}

template <class Routine> Routine routine_of(const UnitObject* u, int32_t number) {
    const forms::UnitTypeRecord* t = u->type();
    if (!t || !t->routine)
        return nullptr;
    return reinterpret_cast<Routine>(t->routine(number));
}

bool is_default_button(UnitObject* u) {
    auto query = routine_of<forms::IsDefaultButtonRoutine>(u, forms::routine::IsDefaultButton);
    return query && query(u);
}

// "&x" marks x; "&&" is a literal ampersand. The caption is the system's wide
// text, so a character is never mistaken for a letter whatever its encoding.
bool has_mnemonic(const wchar_t* caption, char key) {
    for (const wchar_t* p = caption; *p;) {
        if (*p == L'&') {
            if (p[1] == L'&') {
                p += 2;
                continue;
            }
            if (p[1] < 0x80 && p[1] && std::toupper(int(p[1])) == key)
                return true;
            ++p;
            continue;
        }
        ++p;
    }
    return false;
}

BOOL CALLBACK collect_unit(HWND hwnd, LPARAM lp) {
    if (auto* u = dynamic_cast<UnitObject*>(WindowObject::from_handle(hwnd)))
        reinterpret_cast<std::vector<UnitObject*>*>(lp)->push_back(u);
    return TRUE;
}

bool is_candidate(UnitObject* u, bool tab_stop) {
    HWND h = u->handle();
    return tab_stop && IsWindowVisible(h) && IsWindowEnabled(h) && can_take_focus(u);
}

} // namespace

std::vector<TabEntry> WindowUnit::units() const {
    std::vector<TabEntry> out;
    HWND hwnd = handle();
    if (!hwnd)
        return out;
    std::vector<UnitObject*> live;
    EnumChildWindows(hwnd, collect_unit, reinterpret_cast<LPARAM>(&live));

    const std::vector<forms::UnitInfo> stored = forms::window_units(window_id());
    if (!stored.empty()) {
        for (const forms::UnitInfo& unit : stored) {
            if (unit.index == 0) // the window's own unit
                continue;
            auto it = std::find_if(live.begin(), live.end(),
                                   [&](UnitObject* u) { return u->unit_id() == unit.id; });
            if (it == live.end())
                continue;
            bool tab_stop = (unit.state & forms::state_bit::TabStop) != 0;
            out.push_back({*it, unit.index, unit.tab_order, is_candidate(*it, tab_stop)});
        }
        return out;
    }
    // Not in the window table (created on its own): the children in stacking
    // order, which the load makes the stored order, with their tab-stop style.
    uint32_t i = 1;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT), ++i) {
        auto* u = dynamic_cast<UnitObject*>(WindowObject::from_handle(c));
        if (!u)
            continue;
        bool tab_stop = (GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) != 0;
        out.push_back({u, i, i, is_candidate(u, tab_stop)});
    }
    return out;
}

UnitObject* WindowUnit::focused_unit() const {
    HWND hwnd = handle();
    for (HWND h = GetFocus(); h && h != hwnd; h = GetParent(h)) {
        if (!IsChild(hwnd, h))
            return nullptr;
        if (auto* u = dynamic_cast<UnitObject*>(WindowObject::from_handle(h)))
            return u;
    }
    return nullptr;
}

bool WindowUnit::key_wanted(UnitObject* unit, const MSG& msg) const {
    auto wanted = routine_of<forms::KeyWantedRoutine>(unit, forms::routine::KeyWanted);
    return wanted && wanted(unit, &msg);
}

// Focus to the candidate after (or before) `from` in Tab order, wrapping; from
// nothing, to the first (or last).
bool WindowUnit::focus_after(const TabEntry* from, bool forward) {
    std::optional<TabKey> start;
    if (from)
        start = key_of(*from);
    std::vector<TabEntry> list = units();
    std::vector<TabEntry> candidates;
    for (const TabEntry& e : list)
        if (e.candidate)
            candidates.push_back(e);
    if (candidates.empty())
        return false;
    std::sort(candidates.begin(), candidates.end(),
              [](const TabEntry& a, const TabEntry& b) { return key_of(a) < key_of(b); });
    const TabEntry* target = nullptr;
    if (start && forward) {
        for (const TabEntry& e : candidates)
            if (key_of(e) > *start) {
                target = &e;
                break;
            }
    } else if (start) {
        for (auto it = candidates.rbegin(); it != candidates.rend(); ++it)
            if (key_of(*it) < *start) {
                target = &*it;
                break;
            }
    }
    if (!target)
        target = forward ? &candidates.front() : &candidates.back();
    SetFocus(target->unit->handle());
    return true;
}

bool WindowUnit::move_focus(bool forward) {
    UnitObject* focused = focused_unit();
    std::vector<TabEntry> list = units();
    auto it = std::find_if(list.begin(), list.end(),
                           [focused](const TabEntry& e) { return e.unit == focused; });
    return focus_after(it == list.end() ? nullptr : &*it, forward);
}

bool WindowUnit::focus_first_candidate() {
    return focus_after(nullptr, true);
}

bool WindowUnit::pre_translate(MSG& msg) {
    HWND hwnd = handle();
    if (!hwnd || design_mode_ != 0)
        return false;
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return false;
    if (msg.hwnd != hwnd && !IsChild(hwnd, msg.hwnd))
        return false;
    return on_key(msg);
}

bool WindowUnit::on_key(const MSG& msg) {
    UnitObject* focused = focused_unit();
    if (focused && key_wanted(focused, msg))
        return false;
    if (msg.message == WM_SYSKEYDOWN) {
        const bool alt = (msg.lParam & (1 << 29)) != 0;
        const WPARAM k = msg.wParam;
        if (alt && ((k >= 'A' && k <= 'Z') || (k >= '0' && k <= '9')))
            return on_mnemonic(char(k));
        return false;
    }
    switch (msg.wParam) {
    case VK_TAB:
        if (GetKeyState(VK_CONTROL) & 0x8000)
            return false;
        return move_focus((GetKeyState(VK_SHIFT) & 0x8000) == 0);
    case VK_RETURN:
        return on_enter(focused);
    case VK_ESCAPE:
        if (props_.EscCloses == 0)
            return false;
        SendMessageW(handle(), WM_CLOSE, 0, 0);
        return true;
    case VK_F1:
        if (props_.F1OpensHelp == 0)
            return false;
        open_help();
        return true;
    default:
        return false;
    }
}

bool WindowUnit::on_enter(UnitObject* focused) {
    if (focused && is_default_button(focused)) {
        focused->raise_event(event::Click);
        return true;
    }
    if (props_.EnterMovesFocus != 0) {
        move_focus(true);
        return true;
    }
    // A disabled default button is not clicked: the user could not click it either.
    for (const TabEntry& e : units()) {
        if (IsWindowEnabled(e.unit->handle()) && is_default_button(e.unit)) {
            e.unit->raise_event(event::Click);
            return true;
        }
    }
    return false;
}

bool WindowUnit::on_mnemonic(char key) {
    std::vector<TabEntry> list = units();
    for (const TabEntry& e : list) {
        HWND h = e.unit->handle();
        if (!takes_mnemonics(e.unit) || !IsWindowVisible(h) || !IsWindowEnabled(h))
            continue;
        wchar_t caption[1024];
        GetWindowTextW(h, caption, int(std::size(caption)));
        if (!has_mnemonic(caption, key))
            continue;
        if (e.unit->type() == &kButtonType)
            e.unit->raise_event(event::Click);
        else
            focus_after(&e, true);
        return true;
    }
    return false;
}

void WindowUnit::open_help() {
    std::wstring file = system_text::to_wide(props_.HelpFile);
    if (file.empty()) {
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH)
            return;
        // The program's path with the extension of its last component replaced.
        file = path;
        const size_t name = file.find_last_of(L'\\');
        const size_t dot = file.find_last_of(L'.');
        if (dot != std::wstring::npos && (name == std::wstring::npos || dot > name))
            file.resize(dot);
        file += L".hlp";
    }
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    const UINT command = props_.HelpContext != 0 ? HELP_CONTEXT : HELP_FINDER;
    WinHelpW(handle(), file.c_str(), command, ULONG_PTR(uint32_t(props_.HelpContext)));
    help_open_ = true;
    help_file_ = file;
}

} // namespace vantor::controls
