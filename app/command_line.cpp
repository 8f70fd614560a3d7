#include "app/command_line.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace vantor::app {

namespace {

enum class Kind { Box, Limit, Flag };

using LimitField = std::optional<uint32_t> CommandLine::*;
using FlagField = bool CommandLine::*;

struct OptionSpec {
    const char* name;
    Kind kind;
    int box;          // OptionBox of a Box option
    LimitField limit; // the field of a Limit option
    FlagField flag;   // the flag a Flag option sets
};

constexpr OptionSpec kOptions[] = {
    {"count", Kind::Box, int(OptionBox::Count), nullptr, nullptr},
    {"width", Kind::Box, int(OptionBox::Width), nullptr, nullptr},
    {"height", Kind::Box, int(OptionBox::Height), nullptr, nullptr},
    {"dpi", Kind::Box, int(OptionBox::Dpi), nullptr, nullptr},
    {"path", Kind::Box, int(OptionBox::Path), nullptr, nullptr},
    {"appearlimit", Kind::Limit, -1, &CommandLine::appear_limit_s, nullptr},
    {"closelimit", Kind::Limit, -1, &CommandLine::close_limit_s, nullptr},
    {"start", Kind::Flag, -1, nullptr, &CommandLine::start},
    {"exit", Kind::Flag, -1, nullptr, &CommandLine::exit},
};

constexpr const char* kAcceptedOptions =
    "/count:N  /width:W  /height:H  /dpi:D\r\n/path:\"...\"  /appearlimit:S  /closelimit:S\r\n"
    "/start  /exit";

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool same_name(std::string_view given, const char* name) {
    if (given.size() != std::strlen(name))
        return false;
    for (size_t i = 0; i < given.size(); ++i) {
        if (lower(given[i]) != name[i])
            return false;
    }
    return true;
}

// The program name ends at its closing quote when it starts with one, else at
// the first blank. (No byte after a character's first is below 0x30: never a
// blank, quote or colon.)
const char* skip_program_name(const char* p) {
    if (*p == '"') {
        const char* end = std::strchr(p + 1, '"');
        return end ? end + 1 : p + std::strlen(p);
    }
    while (*p && !is_blank(*p))
        ++p;
    return p;
}

struct Argument {
    std::string text;  // quotes dropped
    bool open = false; // a quote was still open at the end of the line
};

// The arguments after the program name; quotes group and are dropped.
std::vector<Argument> split_arguments(const char* p) {
    std::vector<Argument> arguments;
    for (;;) {
        while (is_blank(*p))
            ++p;
        if (!*p)
            return arguments;
        Argument argument;
        for (; *p && (argument.open || !is_blank(*p)); ++p) {
            if (*p == '"')
                argument.open = !argument.open;
            else
                argument.text += *p;
        }
        arguments.push_back(std::move(argument));
    }
}

// True when one of the blank-separated words of `text` is /exit.
bool names_exit(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && is_blank(text[i]))
            ++i;
        size_t end = i;
        while (end < text.size() && !is_blank(text[end]))
            ++end;
        if (same_name(text.substr(i, end - i), "/exit"))
            return true;
        i = end;
    }
    return false;
}

// A whole number of seconds from 1 to kMaxLimitSeconds, else nothing.
std::optional<uint32_t> limit_seconds(std::string_view value) {
    uint32_t seconds = 0;
    for (char c : value) {
        if (c < '0' || c > '9' || seconds > kMaxLimitSeconds)
            return std::nullopt;
        seconds = seconds * 10 + uint32_t(c - '0');
    }
    if (value.empty() || seconds == 0 || seconds > kMaxLimitSeconds)
        return std::nullopt;
    return seconds;
}

const OptionSpec* find_option(std::string_view name) {
    for (const OptionSpec& s : kOptions) {
        if (same_name(name, s.name))
            return &s;
    }
    return nullptr;
}

// The option name of an argument ("/path:..." gives "path"), or empty.
std::string_view option_name(std::string_view argument) {
    if (argument.empty() || argument[0] != '/')
        return {};
    return argument.substr(1, argument.find(':') - 1);
}

// Applies one argument; the error it makes, if any.
OptionError apply(const Argument& argument, CommandLine& result) {
    const std::string_view text = argument.text;
    const size_t colon = text.find(':');
    const OptionSpec* option = find_option(option_name(text));
    if (argument.open)
        return OptionError::OpenQuote;
    if (text.empty())
        return OptionError::EmptyArgument;
    if (!option || (option->kind == Kind::Flag && colon != std::string_view::npos))
        return OptionError::Unknown;
    if (option->kind == Kind::Flag) {
        result.*option->flag = true;
        return OptionError::None;
    }
    if (colon == std::string_view::npos || colon + 1 == text.size())
        return OptionError::MissingValue;
    const std::string_view value = text.substr(colon + 1);
    if (option->kind == Kind::Box) {
        result.values[option->box] = std::string(value);
        return OptionError::None;
    }
    const std::optional<uint32_t> seconds = limit_seconds(value);
    if (!seconds)
        return OptionError::BadValue;
    result.*option->limit = seconds;
    return OptionError::None;
}

// The option an error names: an empty argument its place (counted from 1
// after the program name); an open quote the option it belongs to (the rest of
// the line is in it: its first word up to a colon), or the quote itself when
// no word follows it; any other error the argument as given.
std::string named_option(const Argument& argument, size_t place, OptionError error) {
    if (error == OptionError::EmptyArgument)
        return "\"\"（第 " + std::to_string(place + 1) + " 个参数）";
    if (error != OptionError::OpenQuote)
        return argument.text;
    const size_t start = std::min(argument.text.find_first_not_of(" \t"), argument.text.size());
    const size_t end = std::min(argument.text.find_first_of(": \t", start), argument.text.size());
    return end > start ? argument.text.substr(start, end - start) : "\"";
}

} // namespace

bool CommandLine::empty() const {
    for (const auto& v : values) {
        if (v)
            return false;
    }
    return !appear_limit_s && !close_limit_s && !start && !exit && error == OptionError::None;
}

CommandLine parse_command_line(const char* command_line) {
    CommandLine result;
    if (!command_line)
        return result;
    const std::vector<Argument> arguments = split_arguments(skip_program_name(command_line));
    for (size_t i = 0; i < arguments.size(); ++i) {
        const OptionError error = apply(arguments[i], result);
        if (error == OptionError::None)
            continue;
        CommandLine failed;
        failed.error = error;
        failed.bad_option = named_option(arguments[i], i, error);
        for (size_t k = 0; k < arguments.size() && !failed.exit; ++k)
            failed.exit = names_exit(arguments[k].text);
        return failed;
    }
    return result;
}

std::string option_error_message(const CommandLine& parsed) {
    // By OptionError; None never reaches here and reads as Unknown.
    static constexpr const char* kWhat[] = {
        "无法识别的命令行选项：",     "无法识别的命令行选项：",
        "命令行选项缺少值：",         "命令行选项的值无效（应为 1 到 86400 之间的整数秒）：",
        "命令行选项的引号没有闭合：", "命令行中有空参数：",
    };
    static_assert(std::size(kWhat) == size_t(OptionError::EmptyArgument) + 1);
    return std::string(kWhat[size_t(parsed.error)]) + parsed.bad_option +
           "\r\n\r\n可用的选项：\r\n" + kAcceptedOptions;
}

} // namespace vantor::app
