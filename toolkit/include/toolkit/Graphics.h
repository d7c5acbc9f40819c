// Fonts, canvases and off-screen bitmaps over GDI, colour resolution, and GDI+ start-up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/Color.h"
#include "toolkit/Component.h"
#include "toolkit/Event.h"
#include "toolkit/Handles.h"

namespace tk {

// System colours resolved through the system; other colours pass through (0x00BBGGRR).
TColor ColorToRGB(TColor color);
// A GDI+ ARGB value of a colour (system colours resolved) with an opacity.
std::uint32_t ColorToArgb(TColor color, std::uint8_t opacity = 255);

// ANSI (system code page) text to UTF-16 and back; GDI+ and COM take wide strings.
std::wstring ToWide(const std::string& text);
std::string FromWide(const std::wstring& text);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// A logical font: name, height in pixels (negative: character height, as forms store it),
// style and colour. Every change raises OnChange; the GDI font is made on demand.
class TFont : public TObject {
public:
    TFont();
    TFont(const TFont& other);
    TFont& operator=(const TFont& other);  // copies the values, raises OnChange once

    const std::string& Name() const { return FName; }
    void SetName(const std::string& name);
    int Height() const { return FHeight; }
    void SetHeight(int height);
    // Points at the screen's pixels per inch (96 under the dialog's assumptions).
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles style);
    bool Bold() const { return (FStyle & fsBold) != 0; }
    TColor Color() const { return FColor; }
    void SetColor(TColor color);

    bool SameAs(const TFont& other) const;
    HFONT Handle() const;

    TNotifyEvent OnChange;

private:
    void Changed();

    std::string FName = "Tahoma";
    int FHeight = -11;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    mutable TGdiObject FHandle;
};

int ScreenPixelsPerInch();
// The system's message-box font (name, height, style); Tahoma -11 when the system has none.
TFont MessageFont();

// Drawing on a device context it does not own (a paint DC, a bitmap's memory DC). Text uses
// Font; fills use BrushColor; lines and frames use PenColor.
class TCanvas {
public:
    TCanvas() = default;
    explicit TCanvas(HDC dc) : FDC(dc) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The DC being drawn on; outside a paint, a screen-compatible DC for measuring.
    HDC Handle() const;
    void SetHandle(HDC dc) { FDC = dc; }
    bool HandleAllocated() const { return FDC != nullptr; }

    TFont Font;
    TColor BrushColor = clWhite;
    TColor PenColor = clBlack;

    void FillRect(const RECT& r);
    void FrameRect(const RECT& r);
    void Rectangle(const RECT& r);  // filled with BrushColor, outlined with PenColor
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    // Transparent background: only the glyphs are drawn.
    void TextOut(int x, int y, const std::string& text);
    // DrawText with the given DT_ flags, transparent background.
    void TextRect(RECT r, const std::string& text, UINT format);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    COLORREF Pixel(int x, int y) const;
    void Draw(int x, int y, const class TBitmap& bitmap);

private:
    HDC FDC = nullptr;
};

// An off-screen picture compatible with the screen, with a canvas on its memory DC. With
// direct pixels it is a 32-bit top-down DIB section whose pixels, 0x00RRGGBB row after row,
// can also be written in memory (GdiFlush first when GDI has drawn on it).
class TBitmap {
public:
    explicit TBitmap(bool directPixels = false);
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetSize(int width, int height);  // contents are undefined afterwards
    TCanvas& Canvas() { return FCanvas; }
    HDC DC() const { return FDC.Get(); }
    // The pixels of a direct-pixel picture (Width() per row); null otherwise or when empty.
    std::uint32_t* Pixels() const { return FPixels; }

private:
    bool FDirectPixels;
    std::uint32_t* FPixels = nullptr;
    TMemoryDC FDC;
    TGdiObject FBitmap;
    HGDIOBJ FOldBitmap = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    TCanvas FCanvas;
};

// GDI+ for the life of the object (the application holds one from Initialize on).
class TGdiPlusSession {
public:
    TGdiPlusSession();
    ~TGdiPlusSession();
    TGdiPlusSession(const TGdiPlusSession&) = delete;
    TGdiPlusSession& operator=(const TGdiPlusSession&) = delete;
    bool Ok() const { return FToken != 0; }

private:
    ULONG_PTR FToken = 0;
};

}  // namespace tk
