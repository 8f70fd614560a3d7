// Vantor's command line for scripts (portable: no platform headers):
//   Vantor.exe [/count:N] [/width:W] [/height:H] [/dpi:D] [/path:"..."]
//              [/appearlimit:S] [/closelimit:S] [/start] [/exit]
// Values are kept as the text given, as typing them would; the launch sequence
// converts them as usual. Option names ignore letter case; of a repeated
// option the last one counts. Double quotes group blanks into a value and are
// not part of it; a quote left open is an error. Backslashes are plain
// characters, so a folder path may end in one. An empty argument ("", what cmd
// passes for a quoted variable that is empty) is an error: no argument may be
// empty, and skipping it would hide a variable that was meant to hold an option.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantor::app {

// The boxes an option fills, in the order the options are listed.
enum class OptionBox { Count, Width, Height, Dpi, Path };
inline constexpr int kOptionBoxCount = 5;

enum class OptionError { None, Unknown, MissingValue, BadValue, OpenQuote, EmptyArgument };

// Limits of the window waits, in whole seconds (/appearlimit, /closelimit).
inline constexpr uint32_t kMaxLimitSeconds = 86400;

struct CommandLine {
    std::optional<std::string> values[kOptionBoxCount]; // by OptionBox
    std::optional<uint32_t> appear_limit_s;             // /appearlimit:S
    std::optional<uint32_t> close_limit_s;              // /closelimit:S
    bool start = false;                                 // /start: press 启动 once shown
    bool exit = false; // /exit: close when that ends; also set beside an error
    OptionError error = OptionError::None;
    // The option as given (quotes removed) when error != None; an empty
    // argument is named "" with its place after the program name.
    std::string bad_option;

    bool empty() const;
    const std::optional<std::string>& value(OptionBox box) const { return values[int(box)]; }
};

// Parses a whole command line as the system hands it over (GBK bytes): the
// program name first, then the options. The first bad option stops parsing:
// the result then carries only the error, and `exit` when /exit stands
// anywhere on the line as a word of its own (inside an open quote too), so
// that a script is not left waiting. Null is an empty command line.
CommandLine parse_command_line(const char* command_line);

// The message for a bad option: what is wrong, the option, and every option
// that is accepted (GBK text, several lines).
std::string option_error_message(const CommandLine& parsed);

} // namespace vantor::app
