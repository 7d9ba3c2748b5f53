// Baseline sequential JPEG (SOF0) with a JFIF header: 8-bit YCbCr, no subsampling, the
// standard's example tables. Integer arithmetic throughout, so the bytes do not depend on
// the compiler.
#pragma once

#include "tools/artwork/Bytes.h"
#include "tools/artwork/Image.h"

namespace art {

// quality 1-100; throws std::invalid_argument for a picture with transparent pixels.
Bytes EncodeJpeg(const CImage& image, int quality);

}  // namespace art
