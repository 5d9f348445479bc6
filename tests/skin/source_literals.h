// Finds the image names the program's sources refer to, so tests can hold them against the
// skin manifest.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skintest {

struct PngLiteral {
    std::string text; // as written between the quotes
    int line = 0;
};

// String literals in C++ source text whose contents end in ".png". Comments are skipped;
// plain, prefixed (u8, u, L, ...) and raw literals are understood.
std::vector<PngLiteral> pngLiterals(std::string_view source);

enum class LiteralKind {
    SavedFileSuffix, // "/%1.png", ".png": the tail of a file the program writes
    Resource,        // ":/icons/x.png": compiled into the binary, not a skin image
    Pattern,         // "calibration1-%d.png", "arrow%1.png": a family of skin images
    Name,            // "set/set.png": one skin image
};

LiteralKind classify(std::string_view literal);

// True when a pattern literal ("%d", "%02d", "%1", "%s" placeholders) can produce the name.
bool patternMatches(std::string_view pattern, std::string_view name);

} // namespace skintest
