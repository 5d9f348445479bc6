#include "skin/manifest.h"

#include <charconv>
#include <set>
#include <sstream>

namespace skin {

namespace {

constexpr int kMaxLength = 8192;

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// Parses a whole token as a positive pixel length.
bool parseLength(std::string_view token, int& value)
{
    if (token.empty() || token.front() == '+' || token.front() == '-') {
        return false;
    }
    const char* end = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(token.data(), end, value);
    return ec == std::errc() && ptr == end && value > 0 && value <= kMaxLength;
}

std::vector<std::string_view> splitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

} // namespace

int scaled(int length, const SkinSize& skin)
{
    return (length * skin.num * 2 + skin.den) / (skin.den * 2);
}

bool isValidImagePath(std::string_view path)
{
    constexpr std::string_view suffix = ".png";
    if (path.size() <= suffix.size() || path.substr(path.size() - suffix.size()) != suffix) {
        return false;
    }
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) {
            slash = path.size();
        }
        const std::string_view part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        if (slash == path.size() && part.size() <= suffix.size()) {
            return false; // a bare ".png" file name
        }
        for (char c : part) {
            if (!isNameChar(c)) {
                return false;
            }
        }
        start = slash + 1;
    }
    return true;
}

Manifest parseManifest(std::string_view text, std::string_view sourceName)
{
    Manifest manifest;
    std::set<std::string, std::less<>> seen;
    int lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) {
            eol = text.size();
        }
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;

        if (const size_t hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const auto words = splitWords(line);
        if (words.empty()) {
            continue;
        }

        auto fail = [&](std::string_view why) {
            std::ostringstream out;
            out << sourceName << ':' << lineNo << ": " << why;
            manifest.entries.clear();
            manifest.error = out.str();
            return manifest;
        };
        if (words.size() != 3) {
            return fail("expected \"relative/path.png WIDTH HEIGHT\"");
        }
        if (!isValidImagePath(words[0])) {
            return fail("\"" + std::string(words[0]) + "\" is not a relative .png path");
        }
        ImageEntry entry;
        entry.path = std::string(words[0]);
        entry.line = lineNo;
        if (!parseLength(words[1], entry.width) || !parseLength(words[2], entry.height)) {
            return fail("width and height must be whole numbers from 1 to " +
                        std::to_string(kMaxLength));
        }
        if (!seen.insert(entry.path).second) {
            return fail("\"" + entry.path + "\" is listed twice");
        }
        manifest.entries.push_back(std::move(entry));
    }
    return manifest;
}

} // namespace skin
