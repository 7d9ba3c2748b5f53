#include "filter/core/BlockPagePictures.h"

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>

#include "filter/core/BlockPagePictureIds.h"
#include "filter/core/portable/Base64.h"

namespace {

// The module this code is linked into: the filter's DLL, or a test program.
HMODULE OwnModule() {
    HMODULE hModule = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&OwnModule), &hModule);
    return hModule;
}

// Resources stay mapped while their module is loaded: no copy is needed to read them.
std::string_view Resource(HMODULE hModule, int iId) {
    const HRSRC hFound =
        ::FindResourceW(hModule, MAKEINTRESOURCEW(iId), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    const HGLOBAL hLoaded = hFound != nullptr ? ::LoadResource(hModule, hFound) : nullptr;
    const void* pBytes = hLoaded != nullptr ? ::LockResource(hLoaded) : nullptr;
    if (pBytes == nullptr) {
        return {};
    }
    return {static_cast<const char*>(pBytes), ::SizeofResource(hModule, hFound)};
}

std::string JpegUri(HMODULE hModule, int iId) {
    const std::string_view bytes = Resource(hModule, iId);
    return bytes.empty() ? std::string() : "data:image/jpeg;base64," + EncodeBase64(bytes);
}

struct CPictureUris {
    std::string background;
    std::string logo;
};

}  // namespace

BlockPagePictures TheBlockPagePictures() noexcept {
    try {
        static const CPictureUris s_uris = [] {
            const HMODULE hModule = OwnModule();
            return CPictureUris{JpegUri(hModule, IDR_BLOCK_PAGE_BACKGROUND),
                                JpegUri(hModule, IDR_BLOCK_PAGE_LOGO)};
        }();
        return {s_uris.background, s_uris.logo};
    } catch (const std::exception&) {
        return {};
    }
}
