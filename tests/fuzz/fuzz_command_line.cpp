// libFuzzer target over Vantor's command line for scripts: the input is a
// whole command line (program name first, up to its first 0 byte). Besides the
// sanitizers it checks the parser's promises and aborts when one is broken:
//   - a line it accepts, printed back in the documented syntax (each value in
//     double quotes), parses to the same values;
//   - a line it rejects applies nothing and names the option at fault, a part
//     of the line (an empty argument by its place), and its message holds that
//     name.
#include <string>

#include "app/command_line.h"
#include "tests/fuzz/promise.h"

using namespace vantor::app;

namespace {

constexpr const char* kBoxNames[kOptionBoxCount] = {"count", "width", "height", "dpi", "path"};

std::string printed(const CommandLine& c) {
    std::string line = "Vantor.exe";
    for (int box = 0; box < kOptionBoxCount; ++box) {
        if (c.values[box])
            line += std::string(" /") + kBoxNames[box] + ":\"" + *c.values[box] + "\"";
    }
    if (c.appear_limit_s)
        line += " /appearlimit:" + std::to_string(*c.appear_limit_s);
    if (c.close_limit_s)
        line += " /closelimit:" + std::to_string(*c.close_limit_s);
    if (c.start)
        line += " /start";
    if (c.exit)
        line += " /exit";
    return line;
}

bool same(const CommandLine& a, const CommandLine& b) {
    for (int box = 0; box < kOptionBoxCount; ++box) {
        if (a.values[box] != b.values[box])
            return false;
    }
    return a.appear_limit_s == b.appear_limit_s && a.close_limit_s == b.close_limit_s &&
           a.start == b.start && a.exit == b.exit && a.error == b.error;
}

bool applies_nothing(const CommandLine& c) {
    for (const auto& value : c.values) {
        if (value)
            return false;
    }
    return !c.appear_limit_s && !c.close_limit_s && !c.start;
}

std::string without_quotes(std::string text) {
    std::erase(text, '"');
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // What the parser sees: the bytes up to the first 0.
    const std::string line = std::string(reinterpret_cast<const char*>(data), size).c_str();
    const CommandLine parsed = parse_command_line(line.c_str());
    if (parsed.error == OptionError::None) {
        const std::string again = printed(parsed);
        require(same(parsed, parse_command_line(again.c_str())),
                "an accepted line printed back parses to the same values", again);
        return 0;
    }
    const std::string& name = parsed.bad_option;
    require(applies_nothing(parsed), "a rejected line applies nothing", name);
    require(!name.empty(), "a rejected line names the option at fault");
    const bool from_line = parsed.error == OptionError::EmptyArgument
                               ? name.starts_with("\"\"")
                               : without_quotes(line).find(name) != std::string::npos ||
                                     line.find(name) != std::string::npos;
    require(from_line, "the option named is a part of the line", name);
    require(option_error_message(parsed).find(name) != std::string::npos,
            "the message names the option", name);
    return 0;
}
