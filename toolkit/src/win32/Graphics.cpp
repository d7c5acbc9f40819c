#include "toolkit/Graphics.h"

#include "toolkit/GdiPlus.h"

#include <cmath>

namespace tk {

TColor ColorToRGB(TColor color) {
    return ResolveColor(color, [](int index) { return static_cast<TColor>(GetSysColor(index)); });
}

std::uint32_t ColorToArgb(TColor color, std::uint8_t opacity) {
    return ArgbFromRGB(ColorToRGB(color), opacity);
}

std::wstring ToWide(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string FromWide(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        TWindowDC dc(nullptr);
        int v = GetDeviceCaps(dc.Get(), LOGPIXELSY);
        return v > 0 ? v : 96;
    }();
    return ppi;
}

TFont MessageFont() {
    TFont font;
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0) &&
        metrics.lfMessageFont.lfFaceName[0]) {
        const LOGFONTA& lf = metrics.lfMessageFont;
        font.SetName(lf.lfFaceName);
        font.SetHeight(lf.lfHeight);
        TFontStyles style = 0;
        if (lf.lfWeight >= FW_BOLD) style |= fsBold;
        if (lf.lfItalic) style |= fsItalic;
        if (lf.lfUnderline) style |= fsUnderline;
        if (lf.lfStrikeOut) style |= fsStrikeOut;
        font.SetStyle(style);
    }
    return font;
}

// ---- TFont ----

TFont::TFont() = default;

TFont::TFont(const TFont& other)
    : TObject(),
      FName(other.FName),
      FHeight(other.FHeight),
      FStyle(other.FStyle),
      FColor(other.FColor) {
}

TFont& TFont::operator=(const TFont& other) {
    if (this == &other || SameAs(other)) return *this;
    FName = other.FName;
    FHeight = other.FHeight;
    FStyle = other.FStyle;
    FColor = other.FColor;
    Changed();
    return *this;
}

bool TFont::SameAs(const TFont& other) const {
    return FName == other.FName && FHeight == other.FHeight && FStyle == other.FStyle &&
           FColor == other.FColor;
}

void TFont::Changed() {
    FHandle.Reset();
    OnChange(this);
}

void TFont::SetName(const std::string& name) {
    if (name == FName) return;
    FName = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == FHeight) return;
    FHeight = height;
    Changed();
}

int TFont::Size() const {
    return -MulDiv(FHeight, 72, ScreenPixelsPerInch());
}

void TFont::SetSize(int points) {
    SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72));
}

void TFont::SetStyle(TFontStyles style) {
    if (style == FStyle) return;
    FStyle = style;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    // The GDI font does not depend on the colour.
    OnChange(this);
}

HFONT TFont::Handle() const {
    if (!FHandle) {
        LOGFONTA lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & fsItalic) ? TRUE : FALSE;
        lf.lfUnderline = (FStyle & fsUnderline) ? TRUE : FALSE;
        lf.lfStrikeOut = (FStyle & fsStrikeOut) ? TRUE : FALSE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = DEFAULT_QUALITY;
        lstrcpynA(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
        FHandle.Reset(CreateFontIndirectA(&lf));
    }
    return static_cast<HFONT>(FHandle.Get());
}

// ---- TCanvas ----

namespace {

// Measures as the screen draws: a bare memory DC is monochrome, and text there can come out
// narrower than on a colour surface.
HDC MeasuringDC() {
    static TBitmap surface;
    if (surface.Width() == 0) surface.SetSize(1, 1);
    return surface.DC();
}

}  // namespace

HDC TCanvas::Handle() const {
    return FDC ? FDC : MeasuringDC();
}

void TCanvas::FillRect(const RECT& r) {
    TGdiObject brush(CreateSolidBrush(ColorToRGB(BrushColor)));
    ::FillRect(Handle(), &r, static_cast<HBRUSH>(brush.Get()));
}

void TCanvas::FrameRect(const RECT& r) {
    TGdiObject brush(CreateSolidBrush(ColorToRGB(PenColor)));
    ::FrameRect(Handle(), &r, static_cast<HBRUSH>(brush.Get()));
}

void TCanvas::Rectangle(const RECT& r) {
    TGdiObject brush(CreateSolidBrush(ColorToRGB(BrushColor)));
    TGdiObject pen(CreatePen(PS_SOLID, 1, ColorToRGB(PenColor)));
    TSelectObject b(Handle(), brush.Get()), p(Handle(), pen.Get());
    ::Rectangle(Handle(), r.left, r.top, r.right, r.bottom);
}

void TCanvas::MoveTo(int x, int y) {
    MoveToEx(Handle(), x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    TGdiObject pen(CreatePen(PS_SOLID, 1, ColorToRGB(PenColor)));
    TSelectObject p(Handle(), pen.Get());
    ::LineTo(Handle(), x, y);
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    HDC dc = Handle();
    TSelectObject f(dc, Font.Handle());
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(dc, ColorToRGB(Font.Color()));
    ::TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

void TCanvas::TextRect(RECT r, const std::string& text, UINT format) {
    HDC dc = Handle();
    TSelectObject f(dc, Font.Handle());
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(dc, ColorToRGB(Font.Color()));
    DrawTextA(dc, text.data(), static_cast<int>(text.size()), &r, format);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

SIZE TCanvas::TextExtent(const std::string& text) {
    HDC dc = Handle();
    TSelectObject f(dc, Font.Handle());
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

COLORREF TCanvas::Pixel(int x, int y) const {
    return GetPixel(Handle(), x, y);
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    BitBlt(Handle(), x, y, bitmap.Width(), bitmap.Height(), bitmap.DC(), 0, 0, SRCCOPY);
}

// ---- TBitmap ----

TBitmap::TBitmap(bool directPixels)
    : FDirectPixels(directPixels), FDC(CreateCompatibleDC(nullptr)) {
    FCanvas.SetHandle(FDC.Get());
}

TBitmap::~TBitmap() {
    if (FOldBitmap) SelectObject(FDC.Get(), FOldBitmap);
}

void TBitmap::SetSize(int width, int height) {
    if (width == FWidth && height == FHeight && FBitmap) return;
    if (FOldBitmap) {
        SelectObject(FDC.Get(), FOldBitmap);
        FOldBitmap = nullptr;
    }
    FBitmap.Reset();
    FPixels = nullptr;
    FWidth = width;
    FHeight = height;
    if (width <= 0 || height <= 0) return;
    if (FDirectPixels) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap.Reset(CreateDIBSection(FDC.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (FBitmap) FPixels = static_cast<std::uint32_t*>(bits);
    } else {
        TWindowDC screen(nullptr);
        FBitmap.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
    }
    FOldBitmap = SelectObject(FDC.Get(), FBitmap.Get());
}

// ---- GDI+ ----

TGdiPlusSession::TGdiPlusSession() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&FToken, &input, nullptr) != Gdiplus::Ok) FToken = 0;
}

TGdiPlusSession::~TGdiPlusSession() {
    if (FToken) Gdiplus::GdiplusShutdown(FToken);
}

}  // namespace tk
