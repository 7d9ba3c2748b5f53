// Resource ids of the block page's pictures in the filter's module (BlockPagePictures.rc).
#pragma once

#define IDR_BLOCK_PAGE_BACKGROUND 101
#define IDR_BLOCK_PAGE_LOGO 102
