// Windows bitmap files as LoadImage reads them: BITMAPFILEHEADER, a 40-byte
// BITMAPINFOHEADER, 24 bits per pixel, BI_RGB, rows bottom-up padded to four bytes.
#pragma once

#include "tools/artwork/Bytes.h"
#include "tools/artwork/Image.h"

namespace art {

inline constexpr std::uint32_t kBitmapInfoHeaderSize = 40;

// Throws std::invalid_argument for a picture with transparent pixels, which a 24-bit
// bitmap cannot hold.
Bytes EncodeBmp(const CImage& image);

// The BITMAPINFOHEADER fields shared with icon images.
void PutBitmapInfoHeader(Bytes& out, int width, int height, int bitsPerPixel,
                         std::uint32_t imageSize);

}  // namespace art
