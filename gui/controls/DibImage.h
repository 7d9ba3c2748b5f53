// A device-independent bitmap held in memory (info header, colour table, pixel bits), loaded
// from a bitmap resource or a .bmp file, drawn at natural size or stretched.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/GdiHandle.h"

class CDibImage {
public:
    bool LoadFromResource(UINT nId);
    bool LoadFromFile(const std::string& strPath);
    bool SaveToFile(const std::string& strPath) const;

    bool IsValid() const noexcept { return !m_info.empty(); }
    int Width() const noexcept;
    int Height() const noexcept;
    int BitsPerPixel() const noexcept;
    // Why the last load failed: one of the texts below, or empty.
    const std::string& LastError() const noexcept { return m_strError; }

    void Draw(HDC hdc, int x, int y) const;
    void DrawStretched(HDC hdc, const RECT& destination) const;
    // The part `source` of the image (top-down coordinates) into `destination`.
    void DrawPart(HDC hdc, const RECT& destination, const RECT& source) const;

    // Selects and realises the image's palette (images of 8 bits a pixel or fewer) in hdc.
    // True when that changed any system palette entry.
    bool RealizePalette(HDC hdc) const;

    static constexpr const char* kNoInfoMemory = "could not allocate BITMAPINFO struct\n";
    static constexpr const char* kNoDataMemory = "could not allocate data storage\n";
    static constexpr const char* kShortRead =
        "call to GetDIBits did not return full number of requested scan lines\n";
    static constexpr const char* kNotDib = "Error:Unexpected file type, not a DIB\n";
    static constexpr const char* kOs2Format = "Error:OS2 PM BMP Format not supported\n";

private:
    const BITMAPINFO* Info() const noexcept {
        return reinterpret_cast<const BITMAPINFO*>(m_info.data());
    }
    bool Fail(const char* szError);
    void MakePalette();

    std::vector<uint8_t> m_info;  // BITMAPINFOHEADER and colour table
    std::vector<uint8_t> m_bits;
    CPaletteHandle m_palette;
    std::string m_strError;
};
