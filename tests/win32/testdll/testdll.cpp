// A DLL of the project's own, called through the declared-function path in the
// Win32 tests. stdcall functions remove their own arguments; Add2Cdecl does
// not, which is what a mismatched declaration looks like to the stack check.
#include <cstdint>

extern "C" {

int32_t __stdcall Add2(int32_t a, int32_t b) {
    return a + b;
}

// Order-sensitive: each argument lands in its own decimal digit.
int32_t __stdcall Digits4(int32_t a, int32_t b, int32_t c, int32_t d) {
    return a * 1000 + b * 100 + c * 10 + d;
}

// Exported by ordinal only.
int32_t __stdcall Sub2(int32_t a, int32_t b) {
    return a - b;
}

int32_t __cdecl Add2Cdecl(int32_t a, int32_t b) {
    return a + b;
}

} // extern "C"
