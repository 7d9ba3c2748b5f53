#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>
#include <stdexcept>

#include "tests/support/TempPath.h"
#include "tests/tools/artwork/TestSupport.h"
#include "tools/artwork/BmpWriter.h"
#include "tools/artwork/IcoWriter.h"
#include "tools/artwork/JpegTables.h"
#include "tools/artwork/JpegWriter.h"

using namespace art;
using arttest::Be16;
using arttest::Le16;
using arttest::Le32;

namespace {

// Every pixel different, so that a swapped channel, row or column shows.
CImage Pattern(int width, int height) {
    CImage image(width, height, Rgb{});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.Set(x, y,
                      WithAlpha(Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                    static_cast<std::uint8_t>(x * 7 + y * 13)}));
        }
    }
    return image;
}

}  // namespace

TEST(BmpWriter, WritesHeadersAndPaddedBottomUpRows) {
    for (const int width : {12, 271}) {
        SCOPED_TRACE(width);
        const CImage image = Pattern(width, 3);
        const Bytes bmp = EncodeBmp(image);
        const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
        EXPECT_EQ(stride % 4, 0u);
        ASSERT_EQ(bmp.size(), 54 + stride * 3);
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(Le32(bmp, 2), bmp.size());
        EXPECT_EQ(Le32(bmp, 6), 0u);
        EXPECT_EQ(Le32(bmp, 10), 54u);
        EXPECT_EQ(Le32(bmp, 14), 40u);
        EXPECT_EQ(Le32(bmp, 18), static_cast<std::uint32_t>(width));
        EXPECT_EQ(Le32(bmp, 22), 3u);  // positive: bottom-up
        EXPECT_EQ(Le16(bmp, 26), 1u);
        EXPECT_EQ(Le16(bmp, 28), 24u);
        EXPECT_EQ(Le32(bmp, 30), 0u);  // BI_RGB
        EXPECT_EQ(Le32(bmp, 34), stride * 3);
        EXPECT_EQ(Le32(bmp, 46), 0u);  // no colour table
        for (int row = 0; row < 3; ++row) {
            const size_t at = 54 + stride * static_cast<size_t>(row);
            const int y = 2 - row;
            const Rgba last = image.At(width - 1, y);
            EXPECT_EQ(bmp[at], image.At(0, y).b);
            EXPECT_EQ(bmp[at + 1], image.At(0, y).g);
            EXPECT_EQ(bmp[at + 2], image.At(0, y).r);
            EXPECT_EQ(bmp[at + static_cast<size_t>(width) * 3 - 1], last.r);
            for (size_t pad = static_cast<size_t>(width) * 3; pad < stride; ++pad) {
                EXPECT_EQ(bmp[at + pad], 0);
            }
        }
    }
    EXPECT_THROW(EncodeBmp(CImage(2, 2, Rgba{1, 2, 3, 128})), std::invalid_argument);
}

TEST(IcoWriter, WritesDirectoryImagesAndMasks) {
    CImage small(16, 16, Rgba{0, 0, 0, 0});
    small.Set(3, 0, Rgba{10, 20, 30, 255});
    small.Set(4, 0, Rgba{10, 20, 30, 1});  // faint but not clear: no mask bit
    CImage large(48, 48, Rgba{200, 100, 50, 255});
    large.Set(47, 47, Rgba{9, 9, 9, 0});  // clear: written black, mask bit set
    const Bytes ico = EncodeIco({small, large});

    EXPECT_EQ(Le16(ico, 0), 0u);
    EXPECT_EQ(Le16(ico, 2), 1u);
    EXPECT_EQ(Le16(ico, 4), 2u);
    const std::uint32_t sizes[] = {40 + 16 * 16 * 4 + 4 * 16, 40 + 48 * 48 * 4 + 8 * 48};
    std::uint32_t offset = 6 + 2 * 16;
    for (size_t i = 0; i < 2; ++i) {
        const size_t entry = 6 + 16 * i;
        const int side = i == 0 ? 16 : 48;
        EXPECT_EQ(ico[entry], side);
        EXPECT_EQ(ico[entry + 1], side);
        EXPECT_EQ(Le16(ico, entry + 4), 1u);
        EXPECT_EQ(Le16(ico, entry + 6), 32u);
        EXPECT_EQ(Le32(ico, entry + 8), sizes[i]);
        EXPECT_EQ(Le32(ico, entry + 12), offset);
        EXPECT_EQ(Le32(ico, offset), 40u);
        EXPECT_EQ(Le32(ico, offset + 8), static_cast<std::uint32_t>(2 * side));  // XOR + AND
        EXPECT_EQ(Le16(ico, offset + 14), 32u);
        offset += sizes[i];
    }
    ASSERT_EQ(ico.size(), offset);

    // The small image's top row is the last of its 16 rows of pixels, then of its masks.
    const size_t smallPixels = 6 + 32 + 40;
    const size_t topRow = smallPixels + 15 * 16 * 4;
    EXPECT_EQ(ico[topRow + 3 * 4], 30);  // blue first
    EXPECT_EQ(ico[topRow + 3 * 4 + 3], 255);
    const size_t topMask = smallPixels + 16 * 16 * 4 + 15 * 4;
    EXPECT_EQ(ico[topMask], 0xE7);  // pixels 3 and 4 are not clear
    EXPECT_EQ(ico[topMask + 1], 0xFF);
    // The large image's bottom row comes first: its last pixel is clear and black.
    const size_t largePixels = 6 + 32 + sizes[0] + 40;
    EXPECT_EQ(ico[largePixels + 47 * 4], 0);
    EXPECT_EQ(ico[largePixels + 47 * 4 + 3], 0);
    const size_t largeMask = largePixels + 48 * 48 * 4;
    EXPECT_EQ(ico[largeMask + 5], 0x01);
    EXPECT_EQ(ico[largeMask + 6], 0);  // row padding
    EXPECT_EQ(ico[largeMask + 4], 0);

    EXPECT_THROW(EncodeIco({}), std::invalid_argument);
    EXPECT_THROW(EncodeIco({CImage(257, 16, Rgba{})}), std::invalid_argument);
}

TEST(JpegTables, HuffmanTablesCodeEverySymbolOnce) {
    std::set<int> acSymbols = {0x00, 0xF0};
    for (int run = 0; run < 16; ++run) {
        for (int size = 1; size <= 10; ++size) {
            acSymbols.insert(run << 4 | size);
        }
    }
    const std::set<int> dcSymbols = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const struct {
        const jpeg::HuffmanTable* huffman;
        const std::set<int>* expected;
    } tables[] = {{&jpeg::kDcLuminance, &dcSymbols},
                  {&jpeg::kDcChrominance, &dcSymbols},
                  {&jpeg::kAcLuminance, &acSymbols},
                  {&jpeg::kAcChrominance, &acSymbols}};
    for (const auto& table : tables) {
        size_t counted = 0;
        for (std::uint8_t n : table.huffman->counts) {
            counted += n;
        }
        EXPECT_EQ(counted, table.huffman->symbols.size());
        EXPECT_EQ(std::set<int>(table.huffman->symbols.begin(), table.huffman->symbols.end()),
                  *table.expected);
    }
    const auto& zigzag = jpeg::ZigZag();
    EXPECT_EQ(std::set<int>(zigzag.begin(), zigzag.end()).size(), 64u);
    EXPECT_EQ(zigzag[2], 8);
    EXPECT_EQ(zigzag[3], 16);
    EXPECT_EQ(zigzag[63], 63);
    EXPECT_EQ(jpeg::ScaledQuant(jpeg::kLuminanceQuant, 90)[0], 3);
    EXPECT_EQ(jpeg::ScaledQuant(jpeg::kLuminanceQuant, 100)[63], 1);
}

namespace {

// Decodes through ImageMagick; an empty picture when it is not installed.
std::vector<Rgb> DecodeWithImageMagick(const Bytes& jpeg, int width, int height) {
    const CTempPath file("artwork-jpeg");
    arttest::WriteFile(file.Path(), jpeg);
    const std::string ppm = arttest::Capture("convert '" + file.String() + "' ppm:- 2>/dev/null");
    std::istringstream in(ppm);
    std::string magic;
    int w = 0;
    int h = 0;
    int maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    in.get();
    if (magic != "P6" || w != width || h != height || maxValue != 255) {
        return {};
    }
    std::vector<Rgb> pixels(static_cast<size_t>(w * h));
    for (Rgb& p : pixels) {
        p.r = static_cast<std::uint8_t>(in.get());
        p.g = static_cast<std::uint8_t>(in.get());
        p.b = static_cast<std::uint8_t>(in.get());
    }
    return in ? pixels : std::vector<Rgb>{};
}

double Psnr(const CImage& source, const std::vector<Rgb>& decoded) {
    double squares = 0;
    for (int y = 0; y < source.Height(); ++y) {
        for (int x = 0; x < source.Width(); ++x) {
            const Rgb a = source.At(x, y).Opaque();
            const Rgb b = decoded[static_cast<size_t>(y * source.Width() + x)];
            squares +=
                (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
        }
    }
    const double mse = squares / (3.0 * source.Width() * source.Height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Soft shapes and gradients like the artwork's, in saturated colours.
CImage Sample(int width, int height) {
    CImage image(width, height, Rgb{255, 255, 255});
    image.FillRect(0, 0, width, height,
                   Paint::Vertical(0, Rgb{220, 233, 246}, height, Rgb{31, 78, 121}));
    image.Fill(Disc(P(width * 0.4, height * 0.5), F(height * 0.3)), Rgb{255, 0, 0});
    image.Fill(Line(P(0, 0), P(width, height), F(3)), Rgb{0, 0, 255});
    image.Fill(Rect(P(width * 0.6, 2), P(width - 2.0, height * 0.4)), Rgb{255, 255, 0});
    return image;
}

}  // namespace

TEST(JpegWriter, DecodesCloseToTheSourceAtAnySize) {
    if (arttest::Capture("command -v convert").empty()) {
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    }
    for (const auto& [width, height] : {std::pair{53, 48}, std::pair{8, 8}, std::pair{1, 1},
                                        std::pair{67, 35}, std::pair{300, 9}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const CImage image = Sample(width, height);
        const Bytes jpeg = EncodeJpeg(image, 90);
        EXPECT_EQ(Be16(jpeg, 0), 0xFFD8u);
        EXPECT_EQ(Be16(jpeg, jpeg.size() - 2), 0xFFD9u);
        const auto decoded = DecodeWithImageMagick(jpeg, width, height);
        ASSERT_FALSE(decoded.empty());
        EXPECT_GT(Psnr(image, decoded), 30.0);
    }
    EXPECT_THROW(EncodeJpeg(CImage(2, 2, Rgba{}), 90), std::invalid_argument);
    EXPECT_THROW(EncodeJpeg(CImage(2, 2, Rgb{}), 0), std::invalid_argument);
}
