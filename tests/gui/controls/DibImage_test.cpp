// Loading bitmaps from the resources and from .bmp files, and what a bad file gives.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gui/controls/DibImage.h"
#include "gui/res/resource.h"
#include "tests/support/TempPath.h"

namespace {

// A .bmp file: file header, an info header of iHeaderSize bytes, iBits of pixel data.
std::string BmpBytes(uint32_t uHeaderSize, int32_t iWidth, int32_t iHeight, uint16_t uBitCount,
                     size_t nPixelBytes) {
    std::vector<uint8_t> bytes(14 + uHeaderSize + nPixelBytes, 0);
    const auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
        }
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 14 + uHeaderSize);
    put32(14, uHeaderSize);
    if (uHeaderSize >= 40) {
        put32(18, static_cast<uint32_t>(iWidth));
        put32(22, static_cast<uint32_t>(iHeight));
        bytes[26] = 1;
        bytes[28] = static_cast<uint8_t>(uBitCount);
    }
    return std::string(bytes.begin(), bytes.end());
}

std::string LoadError(const std::string& strBytes) {
    CTempPath file("dib");
    file.WriteFile(strBytes);
    CDibImage image;
    EXPECT_FALSE(image.LoadFromFile(file.String()));
    EXPECT_FALSE(image.IsValid());
    return image.LastError();
}

TEST(DibImage, ResourceBitmapsLoadAtTheirOwnSize) {
    CDibImage banner;
    ASSERT_TRUE(banner.LoadFromResource(IDB_BANNER));
    EXPECT_EQ(banner.Width(), 271);
    EXPECT_EQ(banner.Height(), 91);
    EXPECT_EQ(banner.BitsPerPixel(), 24);
    EXPECT_EQ(banner.LastError(), "");
}

TEST(DibImage, AFileSavedLoadsBackTheSame) {
    CDibImage glyphs;
    ASSERT_TRUE(glyphs.LoadFromResource(IDB_CHECK_GLYPHS));
    CTempPath file("dib");
    ASSERT_TRUE(glyphs.SaveToFile(file.String()));
    CDibImage copy;
    ASSERT_TRUE(copy.LoadFromFile(file.String()));
    EXPECT_EQ(copy.Width(), 64);
    EXPECT_EQ(copy.Height(), 54);
    CTempPath again("dib");
    ASSERT_TRUE(copy.SaveToFile(again.String()));
    EXPECT_EQ(std::filesystem::file_size(file.Path()), std::filesystem::file_size(again.Path()));
}

TEST(DibImage, FilesThatAreNotDibsAreRefused) {
    EXPECT_EQ(LoadError(""), CDibImage::kNotDib);
    EXPECT_EQ(LoadError("GIF89a this is no bitmap at all"), CDibImage::kNotDib);
    EXPECT_EQ(LoadError(BmpBytes(12, 0, 0, 0, 16)), CDibImage::kOs2Format);
    EXPECT_EQ(LoadError(BmpBytes(108, 4, 4, 24, 64)), CDibImage::kNotDib);
    // Pixel data shorter than the header promises: never read past the file.
    EXPECT_EQ(LoadError(BmpBytes(40, 100, 100, 24, 50)), CDibImage::kNotDib);
    EXPECT_EQ(LoadError(BmpBytes(40, -4, 4, 24, 64)), CDibImage::kNotDib);
    EXPECT_EQ(LoadError(BmpBytes(40, 4, 4, 7, 64)), CDibImage::kNotDib);
}

TEST(DibImage, AValidSmallFileLoads) {
    CTempPath file("dib");
    file.WriteFile(BmpBytes(40, 3, 2, 24, 2 * 12));
    CDibImage image;
    ASSERT_TRUE(image.LoadFromFile(file.String()));
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
}

}  // namespace
