#include "tools/artwork/IcoWriter.h"

#include <stdexcept>

#include "tools/artwork/BmpWriter.h"

namespace art {

namespace {

constexpr std::uint32_t kDirectorySize = 6;
constexpr std::uint32_t kEntrySize = 16;

std::uint32_t MaskStride(int width) {
    return (static_cast<std::uint32_t>(width) + 31) / 32 * 4;
}

std::uint32_t ImageBytes(const CImage& image) {
    const auto width = static_cast<std::uint32_t>(image.Width());
    const auto height = static_cast<std::uint32_t>(image.Height());
    return kBitmapInfoHeaderSize + width * height * 4 + MaskStride(image.Width()) * height;
}

void PutImage(Bytes& out, const CImage& image) {
    const int width = image.Width();
    const int height = image.Height();
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(width * height) * 4;
    const std::uint32_t maskBytes = MaskStride(width) * static_cast<std::uint32_t>(height);
    PutBitmapInfoHeader(out, width, height * 2, 32, pixelBytes + maskBytes);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Rgba c = image.At(x, y);
            const bool clear = c.a == 0;
            out.push_back(clear ? 0 : c.b);
            out.push_back(clear ? 0 : c.g);
            out.push_back(clear ? 0 : c.r);
            out.push_back(c.a);
        }
    }
    for (int y = height - 1; y >= 0; --y) {
        Bytes row(MaskStride(width), 0);
        for (int x = 0; x < width; ++x) {
            if (image.At(x, y).a == 0) {
                row[static_cast<size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

}  // namespace

Bytes EncodeIco(const std::vector<CImage>& images) {
    if (images.empty() || images.size() > 0xFFFF) {
        throw std::invalid_argument("an icon holds 1 to 65535 images");
    }
    Bytes out;
    PutLe16(out, 0);  // reserved
    PutLe16(out, 1);  // icon (2 would be a cursor)
    PutLe16(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = kDirectorySize + kEntrySize * static_cast<std::uint32_t>(images.size());
    for (const CImage& image : images) {
        if (image.Width() > 256 || image.Height() > 256) {
            throw std::invalid_argument("icon images are at most 256 pixels a side");
        }
        out.push_back(static_cast<std::uint8_t>(image.Width() & 0xFF));  // 0 means 256
        out.push_back(static_cast<std::uint8_t>(image.Height() & 0xFF));
        out.push_back(0);  // no palette
        out.push_back(0);  // reserved
        PutLe16(out, 1);   // planes
        PutLe16(out, 32);  // bits per pixel
        PutLe32(out, ImageBytes(image));
        PutLe32(out, offset);
        offset += ImageBytes(image);
    }
    for (const CImage& image : images) {
        PutImage(out, image);
    }
    return out;
}

}  // namespace art
