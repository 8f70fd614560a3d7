#include "tools/form_lexer.h"

namespace vantor::tools {

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

// Reads the quoted string starting at line[i] == '"'; i ends after the quote.
Token lex_string(std::string_view line, size_t& i, int line_no, bool glued) {
    Token t{Token::String, {}, {}, glued};
    auto add = [&](bool raw, std::string_view bytes) {
        if (t.segments.empty() || t.segments.back().raw != raw)
            t.segments.push_back({raw, {}});
        t.segments.back().bytes.append(bytes);
        t.text.append(bytes);
    };
    for (++i; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            ++i;
            return t;
        }
        if (c != '\\') {
            add(false, line.substr(i, 1));
            continue;
        }
        if (++i >= line.size())
            break;
        // \" \\ \n \r \t stand for one character; \xHH for one raw byte.
        static constexpr std::string_view kFrom = "\"\\nrt", kTo = "\"\\\n\r\t";
        if (size_t e = kFrom.find(line[i]); e != std::string_view::npos) {
            add(false, kTo.substr(e, 1));
            continue;
        }
        if (line[i] != 'x')
            throw SourceError{line_no, std::string("unknown escape '\\") + line[i] + "' in text"};
        int hi = i + 1 < line.size() ? hex_digit(line[i + 1]) : -1;
        int lo = i + 2 < line.size() ? hex_digit(line[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            throw SourceError{line_no, "\\x must be followed by two hex digits"};
        char byte = static_cast<char>(hi * 16 + lo);
        add(true, std::string_view(&byte, 1));
        i += 2;
    }
    throw SourceError{line_no, "text is not closed by '\"'"};
}

Value read_value(const std::vector<Token>& t, size_t& i, int line_no) {
    Value v;
    if (t[i].type == Token::Equals)
        throw SourceError{line_no, "unexpected '='"};
    if (t[i].type == Token::String) {
        v.str = t[i++];
        return v;
    }
    v.word = t[i++];
    if (!v.word->text.empty() && v.word->text.back() == ':' && i < t.size() &&
        t[i].type == Token::String && t[i].glued)
        v.str = t[i++];
    return v;
}

} // namespace

std::vector<Token> tokenize(std::string_view line, int line_no) {
    std::vector<Token> tokens;
    size_t i = 0;
    bool glued = false;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            glued = false;
            continue;
        }
        if (c == '#')
            break;
        if (c == '"') {
            tokens.push_back(lex_string(line, i, line_no, glued));
        } else if (c == '=') {
            tokens.push_back({Token::Equals, "=", {}, glued});
            ++i;
        } else {
            size_t end = line.find_first_of(" \t\r\"=#", i);
            if (end == std::string_view::npos)
                end = line.size();
            tokens.push_back({Token::Word, std::string(line.substr(i, end - i)), {}, glued});
            i = end;
        }
        glued = true;
    }
    return tokens;
}

std::vector<Item> split_items(const std::vector<Token>& t, int line_no) {
    std::vector<Item> items;
    size_t i = 0;
    while (i < t.size()) {
        Item item;
        if (t[i].type == Token::Word && i + 1 < t.size() && t[i + 1].type == Token::Equals &&
            t[i + 1].glued) {
            item.key = t[i].text;
            i += 2;
            if (i >= t.size() || !t[i].glued)
                throw SourceError{line_no, "missing value after '" + item.key + "='"};
        }
        item.value = read_value(t, i, line_no);
        items.push_back(std::move(item));
    }
    return items;
}
} // namespace vantor::tools
