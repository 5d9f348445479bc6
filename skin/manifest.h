// The skin manifest: which images exist and how large they are at the 1920 skin.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skin {

struct ImageEntry {
    std::string path; // relative to a skin folder, e.g. "set/set.png"
    int width = 0;    // size at the 1920 skin
    int height = 0;
    int line = 0; // line in the manifest, for messages
};

// One skin folder and its scale against the 1920 skin, as an exact fraction.
struct SkinSize {
    int folder;
    int num;
    int den;
};

inline constexpr SkinSize kSkins[] = {{1024, 3, 5}, {1440, 3, 4}, {1920, 1, 1}};

// Scales a 1920-skin length to another skin, rounding to the nearest pixel.
int scaled(int length, const SkinSize& skin);

struct Manifest {
    std::vector<ImageEntry> entries;
    std::string error; // empty when the whole manifest was read
    bool ok() const { return error.empty(); }
};

// Reads "relative/path.png WIDTH HEIGHT" lines; '#' starts a comment. Stops at the first
// bad line, with an error naming it ("<sourceName>:<line>: ...").
Manifest parseManifest(std::string_view text, std::string_view sourceName);

// True when the path is a plain relative file name ending in ".png" (no "..", no leading
// '/', no empty parts, only letters, digits and "_-." in names).
bool isValidImagePath(std::string_view path);

} // namespace skin
