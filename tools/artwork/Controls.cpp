// The skinned scroll bar's pieces and the category list's check boxes.
#include "tools/artwork/Pictures.h"

namespace art {

namespace {

constexpr int kScrollWidth = 12;
constexpr int kScrollButtonHeight = 26;
constexpr Rgb kTrackEdge{214, 225, 238};
constexpr Rgb kTrack{233, 239, 247};

void FillTrack(CImage& image) {
    image.FillRect(0, 0, image.Width(), image.Height(), Paint::Solid(kTrack));
    image.FillRect(0, 0, 1, image.Height(), Paint::Solid(kTrackEdge));
    image.FillRect(kScrollWidth - 1, 0, kScrollWidth, image.Height(), Paint::Solid(kTrackEdge));
}

// A 10-pixel-wide rounded piece with a one-pixel outline. Its corners stay within the
// top and bottom five rows, and its fill varies only across, so the rows between are
// identical and the thumb can be stretched.
void DrawPiece(CImage& image, Rgb outline, Rgb left, Rgb right) {
    const Fixed unit = kSubpixel;
    const int height = image.Height();
    image.Fill(RoundedRect({unit, unit}, {11 * unit, (height - 1) * unit}, 4 * unit), outline);
    image.Fill(*RoundedRect({2 * unit, 2 * unit}, {10 * unit, (height - 2) * unit}, 3 * unit),
               Paint::Horizontal(2, left, 9, right));
}

CImage ScrollButton(bool up) {
    CImage image(kScrollWidth, kScrollButtonHeight, kTrack);
    FillTrack(image);
    DrawPiece(image, palette::kBorder, palette::kPanel, Rgb{226, 235, 246});
    // A chevron reads better than a tiny triangle at this size.
    const double tip = up ? 11.2 : 14.8;
    const double ends = up ? 14.8 : 11.2;
    image.Fill(Polyline({P(3.2, ends), P(6, tip), P(8.8, ends)}, F(1.7)), palette::kMidBlue);
    return image;
}

enum CellState : unsigned {
    kChecked = 1,
    kHover = 2,
    kDisabled = 4,
};

struct CellColours {
    Rgb outline;
    Rgb top;
    Rgb bottom;
    Rgb mark;
};

CellColours ColoursFor(unsigned state) {
    const bool checked = (state & kChecked) != 0;
    if ((state & kDisabled) != 0) {
        return checked
                   ? CellColours{{160, 170, 183}, {184, 193, 204}, {172, 182, 194}, {243, 245, 248}}
                   : CellColours{{196, 202, 210}, {243, 244, 246}, {236, 238, 241}, {}};
    }
    if ((state & kHover) != 0) {
        return checked ? CellColours{palette::kDeepBlue,
                                     {84, 156, 220},
                                     {58, 131, 198},
                                     palette::kWhite}
                       : CellColours{palette::kMidBlue, palette::kWhite, palette::kLightBlue, {}};
    }
    return checked ? CellColours{{36, 92, 144}, {62, 136, 204}, palette::kMidBlue, palette::kWhite}
                   : CellColours{{146, 168, 196}, palette::kWhite, {242, 246, 251}, {}};
}

const Shape& CellBox() {
    static const Shape box = RoundedRect(P(1, 1), P(15, 15), F(3));
    return box;
}

// One cell on the base colour at (x, y).
void DrawCell(CImage& image, int x, int y, unsigned state) {
    CImage cell(kCheckCell, kCheckCell, palette::kBase);
    const CellColours colours = ColoursFor(state);
    cell.Fill(CellBox(), colours.outline);
    cell.Fill(*RoundedRect(P(2, 2), P(14, 14), F(2)),
              Paint::Vertical(2, colours.top, 13, colours.bottom));
    if ((state & kChecked) != 0) {
        cell.Fill(Polyline({P(4.4, 8.1), P(6.9, 10.6), P(11.6, 5.4)}, F(2.1)), colours.mark);
    }
    image.Paste(cell, x, y);
}

CImage Legend(unsigned state) {
    CImage image(kCheckCell, kCheckCell, palette::kBase);
    DrawCell(image, 0, 0, state);
    return image;
}

}  // namespace

CImage ScrollUpButton() {
    return ScrollButton(true);
}

CImage ScrollDownButton() {
    return ScrollButton(false);
}

CImage ScrollTrack() {
    CImage image(kScrollWidth, 1, kTrack);
    FillTrack(image);
    return image;
}

CImage ScrollThumb() {
    CImage image(kScrollWidth, kScrollButtonHeight, kTrack);
    FillTrack(image);
    DrawPiece(image, Rgb{122, 158, 199}, Rgb{196, 216, 240}, Rgb{172, 199, 230});
    return image;
}

CImage CheckGlyphs() {
    CImage image(4 * kCheckCell, 54, palette::kMagenta);
    const unsigned states[] = {0, kChecked, kHover, kChecked | kHover};
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 4; ++column) {
            const unsigned state = states[column] | (row == 1 ? kDisabled : 0u);
            DrawCell(image, column * kCheckCell, row * kCheckCell, state);
        }
    }
    // Corner pixels mostly outside the rounded box show the list through; the edge pixels
    // that stay were blended with the base colour the list is drawn on.
    for (int y = 0; y < 2 * kCheckCell; ++y) {
        for (int x = 0; x < 4 * kCheckCell; ++x) {
            if (Coverage(*CellBox(), x % kCheckCell, y % kCheckCell) < kSamplesPerPixel / 2) {
                image.Set(x, y, WithAlpha(palette::kMagenta));
            }
        }
    }
    return image;
}

CImage LegendBlocked() {
    return Legend(kChecked);
}

CImage LegendAllowed() {
    return Legend(0);
}

}  // namespace art
