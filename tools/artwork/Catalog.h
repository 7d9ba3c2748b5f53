// The list of files artgen writes: each picture's file name, size and how it is made.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/artwork/Bytes.h"
#include "tools/artwork/Pictures.h"

namespace art {

struct ArtworkFile {
    std::string name;
    std::function<Bytes()> encode;
};

const std::vector<ArtworkFile>& Catalog();

struct BackgroundEntry {
    std::string name;
    BackgroundLayout layout;
};

// The dialog and page backgrounds among the files.
const std::vector<BackgroundEntry>& Backgrounds();

inline constexpr int kJpegQuality = 90;
// The pictures a page carries inside itself: every byte is in every block page sent.
inline constexpr int kInlineJpegQuality = 75;

}  // namespace art
