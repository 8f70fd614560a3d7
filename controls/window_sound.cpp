// A window's background sound: WAVE through PlaySoundW from memory, MIDI through
// the MCI sequencer, which plays only from a file.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>

#include "controls/on_demand.h"
#include "controls/window_kind.h"

namespace vantor::controls {

namespace {

std::wstring alias_of(const BackSoundPlayer* player) {
    wchar_t alias[32];
    std::swprintf(alias, std::size(alias), L"vantor_bgm_%p", static_cast<const void*>(player));
    return alias;
}

constexpr const char* kSoundLibrary = "winmm.dll";

template <class Fn> Fn export_of(void* module, const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name)));
}

// Runs before the end sequence frees the sound library: nothing may still
// play from it then (a runtime error ends the program with windows open).
void stop_all_sound(void* module) {
    if (auto play = export_of<decltype(&PlaySoundW)>(module, "PlaySoundW"))
        play(nullptr, nullptr, 0);
    if (auto send = export_of<decltype(&mciSendStringW)>(module, "mciSendStringW"))
        send(L"close all", nullptr, 0, nullptr);
}

template <class Fn> Fn sound_function(const char* name) {
    return on_demand<Fn>(kSoundLibrary, name, stop_all_sound);
}

bool mci(const std::wstring& command, HWND notify = nullptr) {
    const auto send = sound_function<decltype(&mciSendStringW)>("mciSendStringW");
    return send && send(command.c_str(), nullptr, 0, notify) == 0;
}

BOOL play_sound(LPCWSTR sound, DWORD flags) {
    const auto play = sound_function<decltype(&PlaySoundW)>("PlaySoundW");
    return play && play(sound, nullptr, flags);
}

MCIDEVICEID mci_device(const std::wstring& alias) {
    const auto device_id = sound_function<decltype(&mciGetDeviceIDW)>("mciGetDeviceIDW");
    return device_id ? device_id(alias.c_str()) : 0;
}

// A temporary file holding `data`; empty on failure.
std::wstring write_temp_file(const std::vector<uint8_t>& data) {
    wchar_t dir[MAX_PATH], path[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, dir);
    if (n == 0 || n >= MAX_PATH || !GetTempFileNameW(dir, L"vmd", 0, path))
        return {};
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        DeleteFileW(path);
        return {};
    }
    DWORD written = 0;
    bool ok =
        WriteFile(f, data.data(), DWORD(data.size()), &written, nullptr) && written == data.size();
    CloseHandle(f);
    if (!ok) {
        DeleteFileW(path);
        return {};
    }
    return path;
}

} // namespace

BackSoundPlayer::Format BackSoundPlayer::format_of(const std::vector<uint8_t>& d) {
    if (d.size() >= 36 && std::memcmp(d.data(), "RIFF", 4) == 0 &&
        std::memcmp(d.data() + 8, "WAVE", 4) == 0)
        return Format::Wave;
    if (d.size() >= 4 && std::memcmp(d.data(), "MThd", 4) == 0)
        return Format::Midi;
    return Format::None;
}

void BackSoundPlayer::start(const std::vector<uint8_t>& data, int32_t mode, HWND notify) {
    stop();
    namespace sound = forms::choice::SoundMode;
    if (mode != sound::Repeat && mode != sound::Once)
        return;
    repeat_ = mode == sound::Repeat;
    notify_ = notify;
    switch (format_of(data)) {
    case Format::Wave: {
        wave_ = data;
        DWORD flags = SND_MEMORY | SND_ASYNC | SND_NODEFAULT | (repeat_ ? SND_LOOP : 0);
        if (play_sound(reinterpret_cast<LPCWSTR>(wave_.data()), flags))
            playing_ = Format::Wave;
        break;
    }
    case Format::Midi: {
        midi_file_ = write_temp_file(data);
        if (midi_file_.empty())
            return;
        const std::wstring alias = alias_of(this);
        if (mci(L"open \"" + midi_file_ + L"\" type sequencer alias " + alias)) {
            playing_ = Format::Midi;
            midi_device_ = mci_device(alias);
            if (mci(L"play " + alias + L" notify", notify_))
                return;
        }
        stop();
        break;
    }
    case Format::None:
        break;
    }
}

void BackSoundPlayer::stop() {
    if (playing_ == Format::Wave)
        play_sound(nullptr, 0);
    if (playing_ == Format::Midi)
        mci(L"close " + alias_of(this));
    if (!midi_file_.empty())
        DeleteFileW(midi_file_.c_str());
    midi_file_.clear();
    midi_device_ = 0;
    playing_ = Format::None;
}

void BackSoundPlayer::on_mci_notify(WPARAM flags, LPARAM device) {
    if (playing_ == Format::Midi && repeat_ && flags == MCI_NOTIFY_SUCCESSFUL &&
        UINT(device) == midi_device_)
        mci(L"play " + alias_of(this) + L" from 0 notify", notify_);
}

} // namespace vantor::controls
