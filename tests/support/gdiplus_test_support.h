// GDI+ helpers for the widget tests: a session, a white test bitmap whose
// pixels are read back, PNG output next to the test program, and colour
// comparison with a tolerance for anti-aliasing and gradient rounding.
#pragma once

#include "widgets/WidgetColor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quill::testing {

using widgets::TColor;

class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();

private:
    ULONG_PTR FToken = 0;
};

// Wine's GDI+ differs from Windows in places; the tests say where.
bool RunningUnderWine();

class TestBitmap {
public:
    TestBitmap(int width, int height,
               Gdiplus::Color background = Gdiplus::Color(255, 255, 255, 255));
    Gdiplus::Graphics& Graphics() { return FGraphics; }
    Gdiplus::Bitmap& Bitmap() { return FBitmap; }
    // 0x00RRGGBB of a pixel (alpha dropped).
    std::uint32_t Rgb(int x, int y);
    // Writes <name>.png into the working folder (the test's build folder).
    void SavePng(const std::string& name);

private:
    Gdiplus::Bitmap FBitmap;
    Gdiplus::Graphics FGraphics;
};

// Writes the bitmap selected into a memory DC to <name>.png.
void SaveDcPng(HDC dc, const std::string& name);

// 0x00RRGGBB of a TColor (0x00BBGGRR).
std::uint32_t RgbOf(TColor color);
// Largest difference of the three channels.
int ChannelDistance(std::uint32_t rgb1, std::uint32_t rgb2);
std::string Hex(std::uint32_t rgb);

// The encoded bytes of a solid width x height PNG.
std::vector<std::uint8_t> SolidPng(int width, int height, Gdiplus::Color color);

}  // namespace quill::testing

#define EXPECT_RGB_NEAR(actual, expected, tolerance)                                \
    EXPECT_LE(::quill::testing::ChannelDistance((actual), (expected)), (tolerance)) \
        << "actual " << ::quill::testing::Hex(actual) << " expected "               \
        << ::quill::testing::Hex(expected)
