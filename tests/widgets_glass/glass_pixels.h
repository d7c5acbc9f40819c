#pragma once
// A device-independent bitmap to paint glass buttons into, with pixel access and PNG output.

#include "widgets/WidgetColor.h"

#include <cstdint>
#include <string>

using namespace quill::widgets;

class GdiPlusSession {
public:
    GdiPlusSession();
    ~GdiPlusSession();
    GdiPlusSession(const GdiPlusSession&) = delete;
    GdiPlusSession& operator=(const GdiPlusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

struct Rgb {
    int r = 0, g = 0, b = 0;
    int Sum() const { return r + g + b; }
    bool operator==(const Rgb&) const = default;
};

class PixelCanvas {
public:
    PixelCanvas(int width, int height, COLORREF background);
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    Rgb At(int x, int y) const;
    // Copies the pixels out of a window's client area (after the window has painted).
    void CaptureClient(HWND window);
    bool SavePng(const std::string& path) const;

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// Rows in [top, bottom) holding a pixel that passes `isInk` somewhere in [left, right),
// counted as separate bands of consecutive rows.
template <typename Pred>
int CountInkBands(const PixelCanvas& canvas, int left, int top, int right, int bottom, Pred isInk) {
    int bands = 0;
    bool inBand = false;
    for (int y = top; y < bottom; ++y) {
        bool ink = false;
        for (int x = left; x < right && !ink; ++x) ink = isInk(canvas.At(x, y));
        if (ink && !inBand) ++bands;
        inBand = ink;
    }
    return bands;
}

// The shine covers rows 1 to `shineRows` of the body and fades downwards. Sampled in column
// `preferredX`, or further left where the caption's ink comes near it (never into the corner).
// Records gtest failures.
void ExpectShineBand(const PixelCanvas& canvas, int shineRows, int preferredX = 5);

bool IsDarkInk(Rgb p);
bool IsGreyInk(Rgb p);
// Text rows away from the borders (the inner border is black too).
int TextBands(const PixelCanvas& canvas, bool (*isInk)(Rgb));
