#include "tools/artwork/Catalog.h"

#include "tools/artwork/BmpWriter.h"
#include "tools/artwork/IcoWriter.h"
#include "tools/artwork/JpegWriter.h"

namespace art {

const std::vector<BackgroundEntry>& Backgrounds() {
    // Screens below the banner, then the tab pages, which have none.
    static const std::vector<BackgroundEntry> entries = {
        {"login.bmp", {271, 436, true, Motif::kShield}},
        {"administration.bmp", {271, 436, true, Motif::kGearShield}},
        {"create_user.bmp", {371, 436, true, Motif::kPerson}},
        {"categories_settings.bmp", {471, 486, true, Motif::kTags}},
        {"select_user.bmp", {435, 450, true, Motif::kGroup}},
        {"recent_blocks.bmp", {475, 450, true, Motif::kShield}},
        {"profile_editor.bmp", {491, 555, true, Motif::kNone}},
        {"advanced_settings.bmp", {471, 506, true, Motif::kGlobe}},
        {"personal_settings.bmp", {335, 382, true, Motif::kPerson}},
        {"page_advanced.bmp", {463, 339, false, Motif::kGlobe}},
        {"page_category.bmp", {463, 339, false, Motif::kTags}},
        {"page_user.bmp", {463, 339, false, Motif::kPerson}},
        {"page_category_default.bmp", {463, 339, false, Motif::kHouse}},
        {"page_user_admin.bmp", {463, 339, false, Motif::kCrown}},
    };
    return entries;
}

const std::vector<ArtworkFile>& Catalog() {
    static const std::vector<ArtworkFile> files = [] {
        auto bmp = [](CImage (*draw)()) { return [draw] { return EncodeBmp(draw()); }; };
        std::vector<ArtworkFile> result = {
            {"scroll_up.bmp", bmp(ScrollUpButton)},
            {"scroll_down.bmp", bmp(ScrollDownButton)},
            {"scroll_track.bmp", bmp(ScrollTrack)},
            {"scroll_thumb.bmp", bmp(ScrollThumb)},
            {"check_glyphs.bmp", bmp(CheckGlyphs)},
            {"legend_blocked.bmp", bmp(LegendBlocked)},
            {"legend_allowed.bmp", bmp(LegendAllowed)},
            {"tab_container.bmp", bmp(TabContainer)},
            {"banner.bmp", bmp(Banner)},
            {"app.ico", [] { return EncodeIco(AppIconImages()); }},
            {"warning.ico", [] { return EncodeIco(WarningIconImages()); }},
            {"Quillon-block-image.jpg",
             [] { return EncodeJpeg(BlockPageBackground(), kJpegQuality); }},
            {"access-quillon-logo.jpg", [] { return EncodeJpeg(BlockPageLogo(), kJpegQuality); }},
            {"block-page-background.jpg",
             [] { return EncodeJpeg(BlockPageBackground(2), kInlineJpegQuality); }},
        };
        for (const BackgroundEntry& entry : Backgrounds()) {
            const BackgroundLayout layout = entry.layout;
            result.push_back({entry.name, [layout] { return EncodeBmp(Background(layout)); }});
        }
        return result;
    }();
    return files;
}

}  // namespace art
