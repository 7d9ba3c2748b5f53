// The strict block page's pictures as data: URIs, from the resources of the module the filter
// is built into, encoded once a process.
#pragma once

#include "filter/core/portable/BlockPage.h"

// Empty URIs when the module carries no pictures: the page is whole without them.
BlockPagePictures TheBlockPagePictures() noexcept;
