#include "gui/controls/DibImage.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <new>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
// Larger images are refused rather than allocated: none of ours comes near.
constexpr LONG kMaxSide = 16384;

size_t ColourTableEntries(const BITMAPINFOHEADER& header) {
    if (header.biBitCount > 8) {
        return 0;
    }
    const size_t nFull = size_t{1} << header.biBitCount;
    return header.biClrUsed != 0 && header.biClrUsed < nFull ? header.biClrUsed : nFull;
}

size_t ImageBytes(const BITMAPINFOHEADER& header) {
    const size_t nStride =
        ((static_cast<size_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    const LONG nRows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    return nStride * static_cast<size_t>(nRows);
}

template <class T>
T ReadAt(const std::vector<uint8_t>& data, size_t offset) {
    T value;
    std::memcpy(&value, data.data() + offset, sizeof value);
    return value;
}

}  // namespace

int CDibImage::Width() const noexcept {
    return IsValid() ? Info()->bmiHeader.biWidth : 0;
}

int CDibImage::Height() const noexcept {
    if (!IsValid()) {
        return 0;
    }
    const LONG nHeight = Info()->bmiHeader.biHeight;
    return nHeight < 0 ? -nHeight : nHeight;
}

int CDibImage::BitsPerPixel() const noexcept {
    return IsValid() ? Info()->bmiHeader.biBitCount : 0;
}

bool CDibImage::Fail(const char* szError) {
    m_info.clear();
    m_bits.clear();
    m_palette.Reset();
    m_strError = szError;
    // The texts are diagnostics for whoever debugs the program.
    ::OutputDebugStringA(szError);
    return false;
}

bool CDibImage::LoadFromResource(UINT nId) {
    const CBitmapHandle bitmap(
        static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nId),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    DIBSECTION section = {};
    if (!bitmap || ::GetObjectA(bitmap.Get(), sizeof section, &section) != sizeof section) {
        return Fail(kNotDib);
    }
    BITMAPINFOHEADER header = section.dsBmih;
    header.biSize = kInfoHeaderSize;
    header.biCompression = BI_RGB;
    header.biSizeImage = 0;
    const size_t nTable = ColourTableEntries(header);
    try {
        m_info.assign(kInfoHeaderSize + nTable * sizeof(RGBQUAD), 0);
    } catch (const std::bad_alloc&) {
        return Fail(kNoInfoMemory);
    }
    std::memcpy(m_info.data(), &header, sizeof header);
    try {
        m_bits.assign(ImageBytes(header), 0);
    } catch (const std::bad_alloc&) {
        return Fail(kNoDataMemory);
    }
    const CClientDC screen(nullptr);
    const int nRows =
        ::GetDIBits(screen.Get(), bitmap.Get(), 0, static_cast<UINT>(Height()), m_bits.data(),
                    reinterpret_cast<BITMAPINFO*>(m_info.data()), DIB_RGB_COLORS);
    if (nRows != Height()) {
        return Fail(kShortRead);
    }
    m_strError.clear();
    MakePalette();
    return true;
}

bool CDibImage::LoadFromFile(const std::string& strPath) {
    std::ifstream file(strPath, std::ios::binary);
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
    if (data.size() < kFileHeaderSize + sizeof(DWORD) || data[0] != 'B' || data[1] != 'M') {
        return Fail(kNotDib);
    }
    const auto nHeaderSize = ReadAt<DWORD>(data, kFileHeaderSize);
    if (nHeaderSize == sizeof(BITMAPCOREHEADER)) {
        return Fail(kOs2Format);
    }
    if (nHeaderSize != kInfoHeaderSize || data.size() < kFileHeaderSize + kInfoHeaderSize) {
        return Fail(kNotDib);
    }
    const auto header = ReadAt<BITMAPINFOHEADER>(data, kFileHeaderSize);
    const LONG nRows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (header.biWidth <= 0 || header.biWidth > kMaxSide || nRows == 0 || nRows > kMaxSide ||
        header.biCompression != BI_RGB || header.biPlanes != 1 ||
        (header.biBitCount != 1 && header.biBitCount != 4 && header.biBitCount != 8 &&
         header.biBitCount != 24 && header.biBitCount != 32)) {
        return Fail(kNotDib);
    }
    // At most 256 colour-table entries, and never more than the file holds.
    const size_t nTable = ColourTableEntries(header);
    const size_t nInfoBytes = kInfoHeaderSize + nTable * sizeof(RGBQUAD);
    const auto nBitsOffset = ReadAt<DWORD>(data, 10);
    const size_t nImageBytes = ImageBytes(header);
    if (kFileHeaderSize + nInfoBytes > data.size() || nBitsOffset > data.size() ||
        data.size() - nBitsOffset < nImageBytes) {
        return Fail(kNotDib);
    }
    m_info.assign(data.begin() + kFileHeaderSize,
                  data.begin() + static_cast<std::ptrdiff_t>(kFileHeaderSize + nInfoBytes));
    reinterpret_cast<BITMAPINFOHEADER*>(m_info.data())->biClrUsed = static_cast<DWORD>(nTable);
    m_bits.assign(data.begin() + nBitsOffset,
                  data.begin() + static_cast<std::ptrdiff_t>(nBitsOffset + nImageBytes));
    m_strError.clear();
    MakePalette();
    return true;
}

bool CDibImage::SaveToFile(const std::string& strPath) const {
    if (!IsValid()) {
        return false;
    }
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfOffBits = static_cast<DWORD>(sizeof fileHeader + m_info.size());
    fileHeader.bfSize = static_cast<DWORD>(fileHeader.bfOffBits + m_bits.size());
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
    file.write(reinterpret_cast<const char*>(m_info.data()),
               static_cast<std::streamsize>(m_info.size()));
    file.write(reinterpret_cast<const char*>(m_bits.data()),
               static_cast<std::streamsize>(m_bits.size()));
    return static_cast<bool>(file);
}

void CDibImage::MakePalette() {
    m_palette.Reset();
    const size_t nEntries = ColourTableEntries(Info()->bmiHeader);
    if (nEntries == 0) {
        return;
    }
    std::vector<uint8_t> storage(sizeof(LOGPALETTE) + nEntries * sizeof(PALETTEENTRY));
    auto* pPalette = reinterpret_cast<LOGPALETTE*>(storage.data());
    pPalette->palVersion = 0x300;
    pPalette->palNumEntries = static_cast<WORD>(nEntries);
    for (size_t i = 0; i < nEntries; ++i) {
        const RGBQUAD& quad = Info()->bmiColors[i];
        pPalette->palPalEntry[i] = {quad.rgbRed, quad.rgbGreen, quad.rgbBlue, 0};
    }
    m_palette.Reset(::CreatePalette(pPalette));
}

void CDibImage::Draw(HDC hdc, int x, int y) const {
    DrawStretched(hdc, RECT{x, y, x + Width(), y + Height()});
}

void CDibImage::DrawStretched(HDC hdc, const RECT& destination) const {
    DrawPart(hdc, destination, RECT{0, 0, Width(), Height()});
}

void CDibImage::DrawPart(HDC hdc, const RECT& destination, const RECT& source) const {
    if (!IsValid()) {
        return;
    }
    // StretchDIBits counts source rows from the bottom of a bottom-up image.
    const bool bBottomUp = Info()->bmiHeader.biHeight > 0;
    const int ySource = bBottomUp ? Height() - source.bottom : source.top;
    ::SetStretchBltMode(hdc, COLORONCOLOR);
    ::StretchDIBits(hdc, destination.left, destination.top, destination.right - destination.left,
                    destination.bottom - destination.top, source.left, ySource,
                    source.right - source.left, source.bottom - source.top, m_bits.data(), Info(),
                    DIB_RGB_COLORS, SRCCOPY);
}

bool CDibImage::RealizePalette(HDC hdc) const {
    if (!m_palette) {
        return false;
    }
    ::SelectPalette(hdc, m_palette.Get(), FALSE);
    return ::RealizePalette(hdc) > 0;
}
