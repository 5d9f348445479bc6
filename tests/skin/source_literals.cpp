#include "source_literals.h"

#include <cctype>
#include <regex>

namespace skintest {

namespace {

bool isIdentChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool endsWithPng(std::string_view text)
{
    constexpr std::string_view suffix = ".png";
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Translates printf / QString::arg placeholders into a regular expression. Returns false
// when the literal has no placeholder at all.
bool patternToRegex(std::string_view pattern, std::string& regex)
{
    bool placeholder = false;
    regex.clear();
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size()) {
            size_t j = i + 1;
            if (pattern[j] == '%') {
                regex += '%';
                i = j;
                continue;
            }
            if (pattern[j] == 'L') {
                ++j;
            }
            size_t digits = j;
            while (digits < pattern.size() &&
                   std::isdigit(static_cast<unsigned char>(pattern[digits]))) {
                ++digits;
            }
            if (digits < pattern.size() &&
                (pattern[digits] == 'd' || pattern[digits] == 'i' || pattern[digits] == 'u')) {
                regex += "[0-9]+";
                i = digits;
                placeholder = true;
                continue;
            }
            if (digits == j && j < pattern.size() && pattern[j] == 's') {
                regex += ".+";
                i = j;
                placeholder = true;
                continue;
            }
            if (digits > j && pattern[j] != '0') {
                regex += ".+";
                i = digits - 1;
                placeholder = true;
                continue;
            }
        }
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) {
            regex += '\\';
        }
        regex += c;
    }
    return placeholder;
}

} // namespace

std::vector<PngLiteral> pngLiterals(std::string_view src)
{
    std::vector<PngLiteral> found;
    int line = 1;
    size_t i = 0;
    const size_t n = src.size();
    auto countLines = [&](size_t from, size_t to) {
        for (size_t k = from; k < to && k < n; ++k) {
            line += src[k] == '\n';
        }
    };

    while (i < n) {
        const char c = src[i];
        if (c == '/' && i + 1 < n && src[i + 1] == '/') {
            while (i < n && src[i] != '\n') {
                ++i;
            }
        } else if (c == '/' && i + 1 < n && src[i + 1] == '*') {
            const size_t end = src.find("*/", i + 2);
            const size_t stop = end == std::string_view::npos ? n : end + 2;
            countLines(i, stop);
            i = stop;
        } else if (c == '\'') {
            // A digit separator (1'000) or a character literal.
            if (i > 0 && std::isdigit(static_cast<unsigned char>(src[i - 1]))) {
                ++i;
                continue;
            }
            size_t j = i + 1;
            while (j < n && src[j] != '\'' && src[j] != '\n') {
                j += src[j] == '\\' ? 2 : 1;
            }
            i = j + 1;
        } else if (c == '"') {
            const bool raw = i > 0 && src[i - 1] == 'R' &&
                             (i == 1 || !isIdentChar(src[i - 2]) || src[i - 2] == 'u' ||
                              src[i - 2] == 'U' || src[i - 2] == 'L' || src[i - 2] == '8');
            const int startLine = line;
            std::string_view text;
            if (raw) {
                const size_t open = src.find('(', i + 1);
                if (open == std::string_view::npos) {
                    break;
                }
                const std::string close = ")" + std::string(src.substr(i + 1, open - i - 1)) + "\"";
                const size_t end = src.find(close, open + 1);
                const size_t stop = end == std::string_view::npos ? n : end;
                text = src.substr(open + 1, stop - open - 1);
                countLines(i, stop);
                i = stop == n ? n : stop + close.size();
            } else {
                size_t j = i + 1;
                while (j < n && src[j] != '"' && src[j] != '\n') {
                    j += src[j] == '\\' ? 2 : 1;
                }
                j = std::min(j, n);
                text = src.substr(i + 1, j - i - 1);
                i = j < n && src[j] == '"' ? j + 1 : j;
            }
            if (endsWithPng(text)) {
                found.push_back({std::string(text), startLine});
            }
        } else {
            line += c == '\n';
            ++i;
        }
    }
    return found;
}

LiteralKind classify(std::string_view literal)
{
    if (literal.starts_with(":/")) {
        return LiteralKind::Resource;
    }
    if (literal.starts_with('/') || literal.starts_with('.')) {
        return LiteralKind::SavedFileSuffix;
    }
    std::string regex;
    return patternToRegex(literal, regex) ? LiteralKind::Pattern : LiteralKind::Name;
}

bool patternMatches(std::string_view pattern, std::string_view name)
{
    std::string regex;
    if (!patternToRegex(pattern, regex)) {
        return pattern == name;
    }
    return std::regex_match(name.begin(), name.end(), std::regex(regex));
}

} // namespace skintest
