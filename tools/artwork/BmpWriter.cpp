#include "tools/artwork/BmpWriter.h"

#include <stdexcept>

namespace art {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

}  // namespace

void PutBitmapInfoHeader(Bytes& out, int width, int height, int bitsPerPixel,
                         std::uint32_t imageSize) {
    PutLe32(out, kBitmapInfoHeaderSize);
    PutLe32(out, static_cast<std::uint32_t>(width));
    PutLe32(out, static_cast<std::uint32_t>(height));  // positive: rows run bottom-up
    PutLe16(out, 1);                                   // planes
    PutLe16(out, static_cast<std::uint32_t>(bitsPerPixel));
    PutLe32(out, 0);  // BI_RGB
    PutLe32(out, imageSize);
    PutLe32(out, kPixelsPerMetre);
    PutLe32(out, kPixelsPerMetre);
    PutLe32(out, 0);  // no colour table
    PutLe32(out, 0);
}

Bytes EncodeBmp(const CImage& image) {
    if (!image.Opaque()) {
        throw std::invalid_argument("a 24-bit bitmap cannot hold transparent pixels");
    }
    const auto width = static_cast<std::uint32_t>(image.Width());
    const auto height = static_cast<std::uint32_t>(image.Height());
    const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
    const std::uint32_t imageSize = stride * height;
    const std::uint32_t offset = kFileHeaderSize + kBitmapInfoHeaderSize;

    Bytes out;
    out.reserve(offset + imageSize);
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, offset + imageSize);
    PutLe32(out, 0);  // two reserved words
    PutLe32(out, offset);
    PutBitmapInfoHeader(out, image.Width(), image.Height(), 24, imageSize);
    for (int y = image.Height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Rgba c = image.At(x, y);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        for (std::uint32_t pad = width * 3; pad < stride; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

}  // namespace art
