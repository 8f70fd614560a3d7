#include "app/sequence_report.h"

#include "runtime/gb18030.h"

namespace vantor::app {

namespace {

constexpr const char* kEllipsis = "…";

// Byte offsets where the characters of `text` begin, and its length last: a
// two- or four-byte sequence is one character, never cut.
std::vector<size_t> character_starts(std::string_view text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); i += gb18030::char_length(text.substr(i)))
        starts.push_back(i);
    starts.push_back(text.size());
    return starts;
}

// The first `head` and the last `tail` characters around the ellipsis.
std::string cut(std::string_view text, const std::vector<size_t>& starts, size_t head,
                size_t tail) {
    const size_t characters = starts.size() - 1;
    return std::string(text.substr(0, starts[head])) + kEllipsis +
           std::string(text.substr(starts[characters - tail]));
}

std::string number_list(const std::vector<int32_t>& numbers) {
    std::string list;
    for (size_t i = 0; i < numbers.size() && i < kListedInstances; ++i)
        list += (i ? "、" : "") + std::to_string(numbers[i]);
    if (numbers.size() > kListedInstances)
        list += "…（共 " + std::to_string(numbers.size()) + " 个）";
    return list;
}

std::string seconds(uint32_t ms) {
    return std::to_string((ms + 999) / 1000);
}

} // namespace

int exit_code_of(const SequenceReport& report) {
    if (report.end == SequenceEnd::LaunchFailed)
        return kExitLaunchFailed;
    if (report.end == SequenceEnd::Closed)
        return kExitClosedEarly;
    if (!report.never_appeared.empty())
        return kExitNeverAppeared;
    if (!report.never_closed.empty())
        return kExitNeverClosed;
    if (!report.already_running.empty())
        return kExitAlreadyRunning;
    return kExitDone;
}

std::string overdue_message(const SequenceReport& report, const WaitLimits& limits) {
    std::string text;
    if (!report.never_appeared.empty()) {
        text += "模拟器 " + number_list(report.never_appeared) + " 的窗口在 " +
                seconds(limits.appear_ms) + " 秒内没有出现，没有被结束。";
    }
    if (!report.never_closed.empty()) {
        text += std::string(text.empty() ? "" : "\r\n") + "模拟器 " +
                number_list(report.never_closed) + " 的窗口在结束后 " +
                seconds(limits.disappear_ms) + " 秒内没有关闭。";
    }
    if (!report.already_running.empty()) {
        text += std::string(text.empty() ? "" : "\r\n") + "模拟器 " +
                number_list(report.already_running) + " 已在运行，没有重新启动。";
    }
    return text;
}

std::string launch_failure_message(std::string_view command_line) {
    return "无法启动模拟器：\r\n" + std::string(command_line);
}

std::string one_line(std::string_view text) {
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
        } else if (i == 0 || (text[i - 1] != '\r' && text[i - 1] != '\n')) {
            line += ' ';
        }
    }
    return line;
}

std::string shorten_to_fit(std::string_view text,
                           const std::function<bool(std::string_view)>& fits) {
    if (fits(text))
        return std::string(text);
    const std::vector<size_t> starts = character_starts(text);
    const size_t characters = starts.size() - 1;
    // Binary search for the most characters kept; fewer kept never fit worse.
    size_t low = 0, high = characters; // `low` kept always qualifies (0: the ellipsis alone)
    while (low + 1 < high) {
        const size_t kept = low + (high - low) / 2;
        if (fits(cut(text, starts, kept - kept / 2, kept / 2)))
            low = kept;
        else
            high = kept;
    }
    return cut(text, starts, low - low / 2, low / 2);
}

} // namespace vantor::app
