// Runtime errors as exceptions, for tests of the paths that raise them: while a
// FatalToException lives, the fatal-error path throws RuntimeError instead of
// ending the process.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "runtime/fatal.h"

namespace vantor::testing {

struct RuntimeError : std::runtime_error {
    int32_t code;
    RuntimeError(const char* message, int32_t c)
        : std::runtime_error(message ? message : ""), code(c) {}
};

class FatalToException {
  public:
    FatalToException() : previous_(set_fatal_hook(&raise)) {}
    ~FatalToException() { set_fatal_hook(previous_); }
    FatalToException(const FatalToException&) = delete;
    FatalToException& operator=(const FatalToException&) = delete;

  private:
    static void raise(const char* message, int32_t code) { throw RuntimeError(message, code); }
    FatalHook previous_;
};

// The runtime error `action` raises; a test failure, and code -1, when it
// raises none (`what` names the action in the message).
template <class F> RuntimeError raised_by(F&& action, const std::string& what) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return e;
    }
    ADD_FAILURE() << what << " raised no runtime error";
    return RuntimeError("", -1);
}

} // namespace vantor::testing
