// Leaner C++ library support for Vantor.exe: the statically linked C++ library
// would otherwise bring, for handlers that only ever end the process, its
// symbol demangler (the default terminate handler prints the demangled type of
// the exception) and its exception classes built on the reference-counted
// string with everything that one pulls in: about 100 KB of the image.
//
// The launcher catches no exception, so a length, logic or range error has
// always ended the process through std::terminate and abort; it still does,
// with its message on the standard error output. Allocation failures, and the
// helpers that throw std::bad_alloc, are the runtime's
// (runtime/cxx_allocation.cpp): they end in its allocation error.
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void end_with(const char* what) {
    std::fputs("Vantor: ", stderr);
    std::fputs(what ? what : "C++ library error", stderr);
    std::fputc('\n', stderr);
    std::abort();
}

} // namespace

// The default terminate handler of the C++ library, without demangling.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    end_with("terminate called");
}
} // namespace __gnu_cxx

// The C++ library's throw helpers that the launcher's code and its string
// routines use (a link that needs another one fails with a duplicate symbol,
// so none is missed silently).
namespace std {
void __throw_length_error(const char* what) {
    end_with(what);
}
void __throw_logic_error(const char* what) {
    end_with(what);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    end_with(format);
}
} // namespace std
