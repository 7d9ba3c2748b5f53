#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "tools/artwork/Image.h"
#include "tools/artwork/StrokeFont.h"

using namespace art;

TEST(Shape, PixelAlignedEdgesCoverWholePixelsAndHalvesCoverHalf) {
    const Shape rect = Rect(P(2, 3), P(5, 7));
    EXPECT_EQ(Coverage(*rect, 2, 3), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*rect, 4, 6), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*rect, 5, 3), 0);
    EXPECT_EQ(Coverage(*rect, 2, 7), 0);
    EXPECT_EQ(Coverage(*Rect(P(0, 0), P(0.5, 1)), 0, 0), kSamplesPerPixel / 2);
    EXPECT_EQ(Coverage(*RoundedRect(P(0, 0), P(10, 10), F(4)), 0, 0), 0);
    EXPECT_EQ(Coverage(*RoundedRect(P(0, 0), P(10, 10), F(4)), 5, 0), kSamplesPerPixel);
}

TEST(Shape, ArcsCoverOnlyTheirSweepAndEndRound) {
    // Upper half: the top of the ring is in, the bottom out.
    const Shape upper = Arc(P(50, 50), F(20), F(20), 0, 180, F(4));
    EXPECT_EQ(Coverage(*upper, 49, 29), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*upper, 49, 70), 0);
    // More than half a turn, open on the right like a C.
    const Shape open = Arc(P(50, 50), F(20), F(20), 45, 315, F(4));
    EXPECT_EQ(Coverage(*open, 29, 49), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*open, 49, 70), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*open, 70, 49), 0);
    // The round end reaches past the sector's straight cut at 45 degrees (64.1, 35.9).
    EXPECT_GT(Coverage(*open, 65, 36), 0);
    EXPECT_THROW(Arc(P(0, 0), F(5), F(5), 0, 7, F(1)), std::invalid_argument);
    EXPECT_THROW(Arc(P(0, 0), F(5), F(5), 90, 90, F(1)), std::invalid_argument);
}

TEST(Shape, RefusesSizesItsIntegerTestsCouldNotHold) {
    EXPECT_THROW(F(1e9), std::invalid_argument);
    EXPECT_THROW(F(std::nan("")), std::invalid_argument);
    EXPECT_THROW(Disc(P(0, 0), F(2000)), std::invalid_argument);
    EXPECT_THROW(Line(P(0, 0), P(1, 1), F(-1)), std::invalid_argument);
    // The largest allowed still gives exact answers far from the origin.
    const Shape disc = Disc(P(-7000, 7000), F(1024));
    EXPECT_EQ(Coverage(*disc, -7000, 7000 + 1000), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*disc, -7000, 7000 + 1030), 0);
}

TEST(Shape, LongThickLinesStayExactAcrossALargePicture) {
    // y = x * 11 / 19 from corner to corner of a block-page-sized picture.
    const Shape line = Line(P(0, 0), P(1900, 1100), F(4));
    EXPECT_EQ(Coverage(*line, 950, 550), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*line, 950, 556), 0);
    EXPECT_EQ(Coverage(*line, 1880, 1088), kSamplesPerPixel);
    // Round ends: one and a half pixels beyond the end is still partly inside.
    EXPECT_GT(Coverage(*line, 1901, 1100), 0);
    EXPECT_EQ(Coverage(*line, 1904, 1104), 0);
}

TEST(Shape, UnionIntersectionAndDifferenceCombineRegions) {
    const Shape left = Disc(P(10, 10), F(6));
    const Shape right = Disc(P(18, 10), F(6));
    const Shape both = Union({left, right});
    const Shape overlap = Intersect(left, right);
    const Shape crescent = Subtract(left, right);
    EXPECT_EQ(Coverage(*both, 5, 9), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*both, 22, 9), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*overlap, 14, 9), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*overlap, 6, 9), 0);
    EXPECT_EQ(Coverage(*crescent, 6, 9), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*crescent, 14, 9), 0);
    // A polygon with a hole by the even-odd rule.
    const Shape frame = Polygon({P(0, 0), P(10, 0), P(10, 10), P(0, 10), P(0, 0), P(3, 3), P(3, 7),
                                 P(7, 7), P(7, 3), P(3, 3)});
    EXPECT_EQ(Coverage(*frame, 1, 5), kSamplesPerPixel);
    EXPECT_EQ(Coverage(*frame, 5, 5), 0);
}

TEST(Image, OverMixesOnOpaqueAndKeepsColourOnTransparent) {
    EXPECT_EQ(Over({0, 0, 0, 255}, {255, 255, 255}, 255), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(Over({0, 0, 0, 255}, {255, 255, 255}, 51), (Rgba{51, 51, 51, 255}));
    EXPECT_EQ(Over({0, 0, 0, 0}, {10, 20, 30}, 100), (Rgba{10, 20, 30, 100}));
    EXPECT_EQ(Over({9, 9, 9, 40}, {10, 20, 30}, 0), (Rgba{9, 9, 9, 40}));
    const Rgba twice = Over(Over({0, 0, 0, 0}, {200, 100, 0}, 128), {200, 100, 0}, 128);
    EXPECT_EQ(twice.Opaque(), (Rgb{200, 100, 0}));
    EXPECT_NEAR(twice.a, 192, 1);
}

TEST(Image, FillsAndPastesClipToThePicture) {
    CImage image(8, 6, Rgb{0, 0, 0});
    image.Fill(Disc(P(0, 0), F(50)), Rgb{255, 0, 0});
    image.FillRect(-5, -5, 3, 100, Paint::Solid({0, 255, 0}));
    image.Paste(CImage(4, 4, Rgb{0, 0, 255}), 6, -2);
    EXPECT_EQ(image.At(7, 5).Opaque(), (Rgb{255, 0, 0}));
    EXPECT_EQ(image.At(2, 5).Opaque(), (Rgb{0, 255, 0}));
    EXPECT_EQ(image.At(7, 1).Opaque(), (Rgb{0, 0, 255}));
    EXPECT_THROW(image.At(8, 0), std::out_of_range);
}

TEST(Image, GradientsAndDitherAverageToTheExactMix) {
    const Paint paint = Paint::Vertical(10, Rgb{0, 0, 0}, 20, Rgb{100, 200, 250});
    EXPECT_EQ(paint.At(0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(paint.At(0, 15), (Rgb{50, 100, 125}));
    EXPECT_EQ(paint.At(0, 99), (Rgb{100, 200, 250}));
    // 3/8 of the way from 10 to 11: a 4 x 4 block dithers to that on average.
    int sum = 0;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            sum += MixDithered(Rgb{10, 10, 10}, Rgb{11, 11, 11}, 3, 8, x, y).r;
        }
    }
    EXPECT_EQ(sum, 16 * 10 + 6);
}

TEST(StrokeFont, RefusesMissingGlyphsAndMeasuresItsInk) {
    const TextStyle style{F(22), 20, 2};
    EXPECT_THROW(TextShape("Quillon!", P(0, 0), style), std::invalid_argument);
    EXPECT_THROW(TextWidth("\xC3\xA9", style), std::invalid_argument);
    for (char c : std::string("QuillonParental Control")) {
        EXPECT_TRUE(HasGlyph(c)) << c;
    }
    const Shape text = TextShape("Quillon", P(10, 5), style);
    const Fixed width = TextWidth("Quillon", style);
    // Ink reaches both ends of the measured width and the cap line.
    int firstInkColumn = -1;
    int lastInkColumn = -1;
    for (int x = 0; x < 200; ++x) {
        for (int y = 0; y < 40; ++y) {
            if (Coverage(*text, x, y) > kSamplesPerPixel / 2) {
                lastInkColumn = x;
                firstInkColumn = firstInkColumn < 0 ? x : firstInkColumn;
            }
        }
    }
    EXPECT_EQ(firstInkColumn, 10);
    EXPECT_NEAR(lastInkColumn + 1, static_cast<int>(10 + width / kSubpixel), 1);
    EXPECT_GT(Coverage(*text, 12, 15), 0);  // the Q's left side, half way down its height
}
