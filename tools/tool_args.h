// The form tools' command line, argument by argument. -h/--help prints the
// usage to stdout (exit code 0); a mistake prints "TOOL: message" and the usage
// to stderr (exit code 2).
#pragma once

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::tools {

class ToolArgs {
  public:
    ToolArgs(int argc, char** argv, const char* tool, const char* usage)
        : argc_(argc), argv_(argv), tool_(tool), usage_(usage) {}

    // Reads the next argument into `arg`, and the one after it into `value` when
    // `arg` is one of `with_value`. False after the last argument, and also after
    // -h/--help or an option without its value: `status` then holds the exit code.
    bool next(std::string& arg, std::string& value,
              std::initializer_list<std::string_view> with_value) {
        if (next_ >= argc_)
            return false;
        arg = argv_[next_++];
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage_, stdout);
            status = 0;
            return false;
        }
        if (std::find(with_value.begin(), with_value.end(), arg) == with_value.end())
            return true;
        if (next_ >= argc_) {
            status = error(arg + " needs a value");
            return false;
        }
        value = argv_[next_++];
        return true;
    }
    std::optional<int> status;

    // Takes `arg` as the tool's one operand (named `what` in errors). 0, or the
    // exit code after an unknown option or a second operand.
    int operand(const std::string& arg, std::string& out, const char* what) const {
        if (!arg.empty() && arg[0] == '-')
            return error("unknown option " + arg);
        if (!out.empty())
            return error(std::string("more than one ") + what + " given");
        out = arg;
        return 0;
    }

    // Prints "TOOL: message" and the usage; returns the exit code 2.
    int error(const std::string& message) const {
        std::fprintf(stderr, "%s: %s\n%s", tool_, message.c_str(), usage_);
        return 2;
    }

  private:
    int argc_;
    char** argv_;
    const char* tool_;
    const char* usage_;
    int next_ = 1;
};

} // namespace vantor::tools
