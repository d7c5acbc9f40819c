#include "glass_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace quill::widgets;

GdiPlusSession::GdiPlusSession() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

GdiPlusSession::~GdiPlusSession() {
    Gdiplus::GdiplusShutdown(token_);
}

PixelCanvas::PixelCanvas(int width, int height, COLORREF background)
    : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
    GdiFlush();
}

PixelCanvas::~PixelCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

Rgb PixelCanvas::At(int x, int y) const {
    GdiFlush();
    const std::uint32_t p = bits_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
    return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
}

void PixelCanvas::CaptureClient(HWND window) {
    HDC source = GetDC(window);
    BitBlt(dc_, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    GdiFlush();
}

bool PixelCanvas::SavePng(const std::string& path) const {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (size == 0) return false;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(encoders[i].MimeType) != L"image/png") continue;
        Gdiplus::Bitmap image(bitmap_, nullptr);
        const std::wstring wide(path.begin(), path.end());
        return image.Save(wide.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
    }
    return false;
}

// The caption may reach close to the left border (the download button's text nearly fills
// it): step left of its ink and of the anti-aliased pixels beside it.
static int ShineColumn(const PixelCanvas& c, int shineRows, int preferred) {
    int column = preferred;
    for (int y = shineRows - 4; y <= shineRows + 9; ++y)
        for (int x = 3; x < preferred + 2; ++x)
            if (IsDarkInk(c.At(x, y))) column = std::min(column, x - 2);
    return column;
}

void ExpectShineBand(const PixelCanvas& c, int shineRows, int preferredX) {
    const int x = ShineColumn(c, shineRows, preferredX);
    ASSERT_GE(x, 3) << "no column between the left corner and the caption";
    const Rgb top = c.At(x, 3), last = c.At(x, shineRows - 1), below = c.At(x, shineRows + 3),
              further = c.At(x, shineRows + 8);
    EXPECT_GT(top.Sum(), last.Sum() + 60) << "the shine fades from top to bottom (x " << x << ")";
    EXPECT_GT(last.Sum(), below.Sum() + 30) << "row " << shineRows - 1 << " still has shine";
    EXPECT_LE(std::abs(below.Sum() - further.Sum()), 6) << "no shine below row " << shineRows;
}

bool IsDarkInk(Rgb p) {
    return p.r < 90 && p.g < 90 && p.b < 90;
}

bool IsGreyInk(Rgb p) {
    return std::abs(p.r - p.g) < 40 && p.g < 170 && p.g > 80 && std::abs(p.g - p.b) < 40;
}

int TextBands(const PixelCanvas& c, bool (*isInk)(Rgb)) {
    return CountInkBands(c, 4, 4, c.width() - 4, c.height() - 4, isInk);
}
