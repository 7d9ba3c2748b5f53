// Icon files: an ICONDIR, one ICONDIRENTRY per image, then each image as a
// BITMAPINFOHEADER (height doubled) with 32-bit BGRA pixels and the 1-bit AND mask.
#pragma once

#include <vector>

#include "tools/artwork/Bytes.h"
#include "tools/artwork/Image.h"

namespace art {

// Images of 1 to 256 pixels a side. A mask bit is set (transparent) only where alpha is 0,
// and such pixels are written black, so that a renderer that ignores the alpha channel
// and uses the masks still sees the background there.
Bytes EncodeIco(const std::vector<CImage>& images);

}  // namespace art
