// A stand-in for a library planted beside a program (a downloads folder): named
// mpr.dll like the system's, exporting one of its functions. Loading it at all
// leaves a mark in the process's environment, so a test sees any load.
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        SetEnvironmentVariableA("VANTOR_PLANTED_LOADED", "1");
    return TRUE;
}

DWORD __stdcall WNetGetConnectionA(LPCSTR, LPSTR, LPDWORD) {
    return 0xBAD;
}

} // extern "C"
