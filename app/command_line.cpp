#include "app/command_line.h"

#include <cstring>
#include <vector>

namespace vantor::app {

namespace {

struct OptionSpec {
    const char* name;
    int box;                 // OptionBox of an option with a value, else -1
    bool CommandLine::*flag; // the flag an option without value sets
};

constexpr OptionSpec kOptions[] = {
    {"count", int(OptionBox::Count), nullptr},
    {"width", int(OptionBox::Width), nullptr},
    {"height", int(OptionBox::Height), nullptr},
    {"dpi", int(OptionBox::Dpi), nullptr},
    {"path", int(OptionBox::Path), nullptr},
    {"start", -1, &CommandLine::start},
    {"exit", -1, &CommandLine::exit},
};

constexpr const char* kAcceptedOptions =
    "/count:N  /width:W  /height:H  /dpi:D\r\n/path:\"...\"  /start  /exit";

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool same_name(const std::string& given, const char* name) {
    if (given.size() != std::strlen(name))
        return false;
    for (size_t i = 0; i < given.size(); ++i) {
        if (lower(given[i]) != name[i])
            return false;
    }
    return true;
}

// The program name ends at its closing quote when it starts with one, else at
// the first blank. (GBK trail bytes are 0x40 and above: never a blank or quote.)
const char* skip_program_name(const char* p) {
    if (*p == '"') {
        const char* end = std::strchr(p + 1, '"');
        return end ? end + 1 : p + std::strlen(p);
    }
    while (*p && !is_blank(*p))
        ++p;
    return p;
}

// The arguments after the program name; quotes group and are dropped.
std::vector<std::string> split_arguments(const char* p) {
    std::vector<std::string> arguments;
    for (;;) {
        while (is_blank(*p))
            ++p;
        if (!*p)
            return arguments;
        std::string argument;
        bool quoted = false;
        for (; *p && (quoted || !is_blank(*p)); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                argument += *p;
        }
        arguments.push_back(std::move(argument));
    }
}

CommandLine failed(OptionError error, const std::string& option) {
    CommandLine result;
    result.error = error;
    result.bad_option = option;
    return result;
}

} // namespace

bool CommandLine::empty() const {
    for (const auto& v : values) {
        if (v)
            return false;
    }
    return !start && !exit && error == OptionError::None;
}

CommandLine parse_command_line(const char* command_line) {
    CommandLine result;
    if (!command_line)
        return result;
    for (const std::string& argument : split_arguments(skip_program_name(command_line))) {
        const size_t colon = argument.find(':');
        const std::string name =
            argument[0] == '/' ? argument.substr(1, colon == std::string::npos ? colon : colon - 1)
                               : std::string();
        const OptionSpec* option = nullptr;
        for (const OptionSpec& s : kOptions) {
            if (same_name(name, s.name))
                option = &s;
        }
        if (!option || (option->flag && colon != std::string::npos))
            return failed(OptionError::Unknown, argument);
        if (option->flag) {
            result.*option->flag = true;
            continue;
        }
        if (colon == std::string::npos || colon + 1 == argument.size())
            return failed(OptionError::MissingValue, argument);
        result.values[option->box] = argument.substr(colon + 1);
    }
    return result;
}

std::string option_error_message(const CommandLine& parsed) {
    const char* what =
        parsed.error == OptionError::MissingValue ? "命令行选项缺少值：" : "无法识别的命令行选项：";
    return std::string(what) + parsed.bad_option + "\r\n\r\n可用的选项：\r\n" + kAcceptedOptions;
}

} // namespace vantor::app
