// The strict block page's pictures come from the filter's own resources, and the page with
// them stays small enough to send with any response.
#include "filter/core/BlockPagePictures.h"

#include <gtest/gtest.h>

#include <string>

TEST(BlockPagePictures, BothPicturesAreJpegDataAndThePageStaysUnder64KiB) {
    const BlockPagePictures pictures = TheBlockPagePictures();
    // "/9j/" is a JPEG's first bytes, FF D8 FF, in base64.
    for (const std::string_view uri : {pictures.backgroundUri, pictures.logoUri}) {
        EXPECT_EQ(uri.substr(0, 27), "data:image/jpeg;base64,/9j/");
    }
    EXPECT_GT(pictures.backgroundUri.size(), 10000u);
    BlockPageValues values;
    values.iPolicy = POLICY_CATEGORY;
    values.currentUser = "a-rather-long-name!!";
    values.host = std::string(253, 'h');
    values.category = "Social Networking";
    EXPECT_LT(BuildStrictBlockPageResponse(values, pictures).size(), 64u * 1024);
}
