// Start-up benchmark baseline: a plain Win32 program that does nothing but links
// the same system libraries as the runtime (user32, gdi32, ole32), so that the
// loader's and the window system's start-up costs are on both sides.
#include <windows.h>
#include <ole2.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Referenced, never called: the imports must be there for the loader.
    volatile void* imports[] = {reinterpret_cast<void*>(&GetDesktopWindow),
                                reinterpret_cast<void*>(&GetStockObject),
                                reinterpret_cast<void*>(&OleInitialize)};
    (void)imports;
    return 0;
}
