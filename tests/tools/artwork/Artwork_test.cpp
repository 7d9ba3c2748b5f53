#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "tests/support/TempPath.h"
#include "tests/tools/artwork/TestSupport.h"
#include "tools/artwork/Catalog.h"
#include "tools/artwork/Pictures.h"

using namespace art;
using arttest::Be16;
using arttest::Le16;
using arttest::Le32;

namespace {

struct Expected {
    int width;
    int height;
};

// The resource script's bitmaps and the block page's pictures; icons are checked apart.
const std::map<std::string, Expected>& ExpectedSizes() {
    static const std::map<std::string, Expected> sizes = {
        {"scroll_up.bmp", {12, 26}},
        {"scroll_down.bmp", {12, 26}},
        {"scroll_track.bmp", {12, 1}},
        {"scroll_thumb.bmp", {12, 26}},
        {"check_glyphs.bmp", {64, 54}},
        {"legend_blocked.bmp", {16, 16}},
        {"legend_allowed.bmp", {16, 16}},
        {"login.bmp", {271, 436}},
        {"administration.bmp", {271, 436}},
        {"create_user.bmp", {371, 436}},
        {"categories_settings.bmp", {471, 486}},
        {"select_user.bmp", {435, 450}},
        {"recent_blocks.bmp", {475, 450}},
        {"profile_editor.bmp", {491, 555}},
        {"tab_container.bmp", {491, 379}},
        {"page_advanced.bmp", {463, 339}},
        {"page_category.bmp", {463, 339}},
        {"page_user.bmp", {463, 339}},
        {"advanced_settings.bmp", {471, 506}},
        {"personal_settings.bmp", {335, 382}},
        {"page_category_default.bmp", {463, 339}},
        {"page_user_admin.bmp", {463, 339}},
        {"banner.bmp", {271, 91}},
        {"access-quillon-logo.jpg", {53, 48}},
        {"block-page-background.jpg", {960, 600}},
    };
    return sizes;
}

Expected JpegSize(const Bytes& jpeg) {
    for (size_t at = 2; at + 9 < jpeg.size();) {
        if (jpeg[at] != 0xFF) {
            break;
        }
        if (jpeg[at + 1] == 0xC0) {
            return {static_cast<int>(Be16(jpeg, at + 7)), static_cast<int>(Be16(jpeg, at + 5))};
        }
        at += 2 + Be16(jpeg, at + 2);
    }
    return {0, 0};
}

std::map<std::string, Bytes> RunArtgen(const std::filesystem::path& folder) {
    int status = -1;
    arttest::Capture("'" + std::string(ARTGEN_PATH) + "' '" + folder.string() + "'", &status);
    EXPECT_EQ(status, 0);
    std::map<std::string, Bytes> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files[entry.path().filename().string()] = arttest::ReadFile(entry.path());
    }
    return files;
}

bool SameRow(const CImage& image, int a, int b) {
    for (int x = 0; x < image.Width(); ++x) {
        if (!(image.At(x, a) == image.At(x, b))) {
            return false;
        }
    }
    return true;
}

bool SameColumn(const CImage& image, int a, int b) {
    for (int y = 0; y < image.Height(); ++y) {
        if (!(image.At(a, y) == image.At(b, y))) {
            return false;
        }
    }
    return true;
}

// The checksums as this file lists them.
std::string ChecksumTable(const std::map<std::string, std::uint64_t>& checksums) {
    std::string table;
    for (const auto& [name, checksum] : checksums) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(checksum));
        table += "{\"" + name + "\", 0x" + hex + "ull},\n";
    }
    return table;
}

}  // namespace

// Checked against g++ 12 -O2 and clang 14 (sanitized, unoptimised) builds, which agree.
// A deliberate change of the artwork changes them; the failure prints the new table.
const std::map<std::string, std::uint64_t> kGoldenFnv1a = {
    {"Quillon-block-image.jpg", 0x5ffb0b9aeef551a7ull},
    {"access-quillon-logo.jpg", 0xb84e67bcd3ae109aull},
    {"administration.bmp", 0xc71a267fd9002b02ull},
    {"advanced_settings.bmp", 0x42716a1b9089d136ull},
    {"app.ico", 0x087d14e99a9dbd2cull},
    {"banner.bmp", 0x0098c4b73cf14d28ull},
    {"block-page-background.jpg", 0x8873bd69eed5b081ull},
    {"categories_settings.bmp", 0xb130d611dee4cc0eull},
    {"check_glyphs.bmp", 0x289aa3927ce4479eull},
    {"create_user.bmp", 0xb0c4df1af206ff5eull},
    {"legend_allowed.bmp", 0xa218330693197d0full},
    {"legend_blocked.bmp", 0x4f56c56df0edb70full},
    {"login.bmp", 0xbb1f9862ced30c9cull},
    {"page_advanced.bmp", 0x84afc1c29e1f0f04ull},
    {"page_category.bmp", 0xe66fa512ce67501cull},
    {"page_category_default.bmp", 0x164b4c7df256706aull},
    {"page_user.bmp", 0x2fe429c7fe493e82ull},
    {"page_user_admin.bmp", 0xfc55edf1d2d3883aull},
    {"personal_settings.bmp", 0xf7ae4f6a2f7061bfull},
    {"profile_editor.bmp", 0x7e01a9dc4cb9ecc8ull},
    {"recent_blocks.bmp", 0xce1e481256e320bdull},
    {"scroll_down.bmp", 0xbccb786cf70d0bb2ull},
    {"scroll_thumb.bmp", 0xd679dd093be0e7d7ull},
    {"scroll_track.bmp", 0x4e830fd3f72274a8ull},
    {"scroll_up.bmp", 0x887dd4439895c9e6ull},
    {"select_user.bmp", 0xa1f343186e4c6c53ull},
    {"tab_container.bmp", 0x26bda91def50db9cull},
    {"warning.ico", 0x8208580a137b6c96ull},
};

TEST(Artgen, WritesEveryFileWithItsSizeAndTheSameBytesEachRun) {
    const CTempPath first("artgen");
    const CTempPath second("artgen");
    const auto files = RunArtgen(first.Path());
    EXPECT_EQ(files.size(), ExpectedSizes().size() + 3);  // two icons and the page background
    for (const auto& [name, size] : ExpectedSizes()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(files.count(name));
        const Bytes& bytes = files.at(name);
        const Expected actual =
            name.ends_with(".jpg")
                ? JpegSize(bytes)
                : Expected{static_cast<int>(Le32(bytes, 18)), static_cast<int>(Le32(bytes, 22))};
        EXPECT_EQ(actual.width, size.width);
        EXPECT_EQ(actual.height, size.height);
    }
    for (const char* icon : {"app.ico", "warning.ico"}) {
        SCOPED_TRACE(icon);
        ASSERT_TRUE(files.count(icon));
        const Bytes& bytes = files.at(icon);
        ASSERT_EQ(Le16(bytes, 4), 3u);
        EXPECT_EQ(bytes[6], 16);
        EXPECT_EQ(bytes[22], 32);
        EXPECT_EQ(bytes[38], 48);
    }
    ASSERT_TRUE(files.count("Quillon-block-image.jpg"));
    EXPECT_GE(JpegSize(files.at("Quillon-block-image.jpg")).width, 1600);

    EXPECT_EQ(RunArtgen(second.Path()), files);
    std::map<std::string, std::uint64_t> checksums;
    for (const auto& [name, bytes] : files) {
        checksums[name] = arttest::Fnv1a(bytes);
    }
    EXPECT_EQ(checksums, kGoldenFnv1a) << "now:\n" << ChecksumTable(checksums);
}

TEST(Artgen, FailsWithAMessageWhenItCannotWrite) {
    int status = 0;
    const std::string output = arttest::Capture(
        "'" + std::string(ARTGEN_PATH) + "' /proc/version/cannot-be-a-folder 2>&1", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(output.find("artgen:"), std::string::npos);
}

TEST(Backgrounds, StayLightWithPlainEdgesAndFaintDecoration) {
    const double base = arttest::Luminance(palette::kBase);
    for (const BackgroundEntry& entry : Backgrounds()) {
        SCOPED_TRACE(entry.name);
        const CImage image = Background(entry.layout);
        const int plainTop = entry.layout.underBanner ? kBannerHeight + kPlainEdge : kPlainEdge;
        bool decorated = false;
        for (int y = 0; y < image.Height(); ++y) {
            for (int x = 0; x < image.Width(); ++x) {
                const Rgb c = image.At(x, y).Opaque();
                const bool edge = x < kPlainEdge || y < plainTop ||
                                  x >= image.Width() - kPlainEdge ||
                                  y >= image.Height() - kPlainEdge;
                if (edge && !(c == palette::kBase)) {
                    FAIL() << "not the base colour at " << x << "," << y;
                }
                ASSERT_LT(std::abs(arttest::Luminance(c) - base), 0.06) << x << "," << y;
                decorated = decorated || !(c == palette::kBase);
            }
        }
        EXPECT_TRUE(decorated);
    }
}

TEST(TabContainer, FramesThePageWithPlainSides) {
    const CImage image = TabContainer();
    ASSERT_EQ(image.Width(), 491);
    for (int y = 0; y < image.Height(); ++y) {
        for (int x : {0, 5, 485, 490}) {
            EXPECT_EQ(image.At(x, y).Opaque(), palette::kBase) << x << "," << y;
        }
    }
    for (int x = 0; x < image.Width(); ++x) {
        EXPECT_EQ(image.At(x, 5).Opaque(), palette::kBase) << x;
    }
    EXPECT_EQ(image.At(200, 39).Opaque(), palette::kBorder);  // under the tabs
    EXPECT_EQ(image.At(200, 40).Opaque(), palette::kBorder);
    EXPECT_EQ(image.At(13, 200).Opaque(), palette::kBorder);
    EXPECT_EQ(image.At(477, 200).Opaque(), palette::kBorder);
    EXPECT_EQ(image.At(200, 378).Opaque(), palette::kBorder);
    EXPECT_EQ(image.At(12, 200).Opaque(), palette::kBase);
    EXPECT_EQ(image.At(478, 200).Opaque(), palette::kBase);
    EXPECT_NE(image.At(13, 40).Opaque(), palette::kBorder);  // rounded corner
}

TEST(Banner, StretchesFromTheRightWithoutDistortion) {
    const CImage banner = Banner();
    ASSERT_EQ(banner.Width(), kBannerWidth);
    ASSERT_EQ(banner.Height(), kBannerHeight);
    for (int x = kBannerArtEnd; x < kBannerWidth; ++x) {
        ASSERT_TRUE(SameColumn(banner, x, kBannerWidth - 1)) << x;
    }
    EXPECT_FALSE(SameColumn(banner, 100, kBannerWidth - 1));  // the name
    EXPECT_EQ(banner.At(270, 0).Opaque(), palette::kDeepBlue);
    EXPECT_EQ(banner.At(270, 88).Opaque(), palette::kMidBlue);
    for (int x = 0; x < kBannerWidth; ++x) {
        EXPECT_EQ(banner.At(x, 89).Opaque(), palette::kLightBlue);
        EXPECT_EQ(banner.At(x, 90).Opaque(), palette::kLightBlue);
    }
}

TEST(ScrollBar, ThumbStretchesBetweenItsCaps) {
    const CImage thumb = ScrollThumb();
    for (int y = 6; y <= 20; ++y) {
        EXPECT_TRUE(SameRow(thumb, 5, y)) << y;
    }
    EXPECT_FALSE(SameRow(thumb, 5, 2));
    EXPECT_FALSE(SameRow(thumb, 5, 23));
    const CImage track = ScrollTrack();
    for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(thumb.At(x, 0), track.At(x, 0)) << x;  // the thumb sits on the track
    }
    EXPECT_FALSE(SameRow(ScrollUpButton(), 0, 12));  // the arrow
}

TEST(CheckGlyphs, CellsOnMagentaWithRoundCornersAndMatchingLegends) {
    const CImage glyphs = CheckGlyphs();
    const Rgb magenta = palette::kMagenta;
    for (int y = 0; y < glyphs.Height(); ++y) {
        for (int x = 0; x < glyphs.Width(); ++x) {
            const int cx = x % kCheckCell;
            const int cy = y % kCheckCell;
            const bool inBox = y < 2 * kCheckCell && cx >= 1 && cx <= 14 && cy >= 1 && cy <= 14;
            const bool corner = (cx == 1 || cx == 14) && (cy == 1 || cy == 14);
            if (!inBox || corner) {
                ASSERT_EQ(glyphs.At(x, y).Opaque(), magenta) << x << "," << y;
            } else {
                ASSERT_NE(glyphs.At(x, y).Opaque(), magenta) << x << "," << y;
            }
        }
    }
    // The four enabled cells differ; disabled ones differ from them and ignore hover.
    std::vector<std::vector<Rgba>> cells;
    for (int i = 0; i < 8; ++i) {
        std::vector<Rgba> cell;
        for (int y = 0; y < kCheckCell; ++y) {
            for (int x = 0; x < kCheckCell; ++x) {
                cell.push_back(glyphs.At(i % 4 * kCheckCell + x, i / 4 * kCheckCell + y));
            }
        }
        cells.push_back(cell);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(std::count(cells.begin(), cells.begin() + 4, cells[static_cast<size_t>(i)]), 1)
            << i;
        EXPECT_EQ(std::count(cells.begin(), cells.begin() + 4, cells[static_cast<size_t>(i + 4)]),
                  0)
            << i;
    }
    EXPECT_EQ(cells[4], cells[6]);
    EXPECT_EQ(cells[5], cells[7]);
    EXPECT_NE(cells[4], cells[5]);
    const CImage blocked = LegendBlocked();
    const CImage allowed = LegendAllowed();
    for (int y = 0; y < kCheckCell; ++y) {
        for (int x = 0; x < kCheckCell; ++x) {
            const Rgba checkedCell = glyphs.At(kCheckCell + x, y);
            const Rgba uncheckedCell = glyphs.At(x, y);
            // Where the glyph shows magenta the legend has the box's faint anti-aliased edge.
            if (checkedCell.Opaque() != magenta) {
                EXPECT_EQ(blocked.At(x, y), checkedCell) << x << "," << y;
            }
            if (uncheckedCell.Opaque() != magenta) {
                EXPECT_EQ(allowed.At(x, y), uncheckedCell) << x << "," << y;
            }
        }
    }
}

TEST(BlockPage, EveryPixelLightEnoughForDarkText) {
    const CImage page = BlockPageBackground();
    double darkest = 1;
    for (int y = 0; y < page.Height(); ++y) {
        for (int x = 0; x < page.Width(); ++x) {
            darkest = std::min(darkest, arttest::Luminance(page.At(x, y).Opaque()));
        }
    }
    EXPECT_GT(darkest, 0.75);
    EXPECT_EQ(page.At(0, page.Height() - 1).Opaque(), palette::kWhite);
    EXPECT_EQ(page.At(0, 0).Opaque(), palette::kLightBlue);
}
