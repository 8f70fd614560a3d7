// The lexer of form source lines: words, quoted texts and '=', and the items
// (KEY=VALUE or a positional VALUE) a statement is made of.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::tools {

// Internal failure carrying the source line; turned into a Diagnostic at the API.
struct SourceError {
    int line;
    std::string message;
};

struct Segment {
    bool raw; // from \xHH: copied as is, not converted to GBK
    std::string bytes;
};

struct Token {
    enum Type { Word, String, Equals } type;
    std::string text; // Word: as written; String: the segments joined
    std::vector<Segment> segments;
    bool glued; // no blank before it
};

// Value of one hex digit; -1 for any other character.
int hex_digit(char c);

// Splits one line (without its newline) into tokens; '#' outside quotes ends it.
std::vector<Token> tokenize(std::string_view line, int line_no);

// A value: a bare word, a quoted text, or a prefix word glued to a quoted text
// (file:"x", hex:"00 11").
struct Value {
    std::optional<Token> word;
    std::optional<Token> str;

    std::string describe() const {
        std::string s = word ? word->text : "";
        if (str)
            s += "\"" + str->text + "\"";
        return s;
    }
};

struct Item {
    std::string key; // empty for a positional item
    Value value;
};

// Groups the tokens of one line into items.
std::vector<Item> split_items(const std::vector<Token>& t, int line_no);

} // namespace vantor::tools
