// DrawMarkup: lays out a small HTML-like markup line by line (word wrapping,
// inline fonts and colours, anchors, lists, images, decorations), draws it
// through a MarkupCanvas and hit-tests anchors. The canvas is the only way to
// the platform: it measures text and images and draws what it is told.
#pragma once

#include "widgets/MarkupText.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quill::widgets::markup {

struct MarkupFont {
    std::string Name = "Tahoma";
    int Size = 8;  // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    TColor Color = clBlack;
    bool operator==(const MarkupFont&) const = default;
};

struct MarkupPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const MarkupPoint&) const = default;
};

// Left/top inclusive, right/bottom exclusive.
struct MarkupRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(MarkupPoint p) const {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }
    bool operator==(const MarkupRect&) const = default;
};

struct MarkupSize {
    float Width = 0;
    float Height = 0;
};

// Where an <IMG> takes its picture from.
struct MarkupImage {
    enum class Source { ImageList, SmallSystemIcon, LargeSystemIcon, Picture };
    Source Kind = Source::Picture;
    int Index = 0;     // ImageList
    std::string Name;  // picture name or file path
    int Width = 0;     // Picture: drawn at Width x Height when both are at least 1
    int Height = 0;
    bool operator==(const MarkupImage&) const = default;
};

class MarkupCanvas {
public:
    virtual ~MarkupCanvas() = default;
    // The size the platform measures for text in font (before the renderer's
    // own corrections).
    virtual MarkupSize MeasureText(const MarkupFont& font, std::string_view text) = 0;
    // The drawn size of an image, or nothing when it cannot be found.
    virtual std::optional<MarkupPoint> ImageSize(const MarkupImage& image) = 0;

    // Draws text at its top-left corner, styled by the font, in colour. The
    // underline is not part of it: DrawUnderline draws that.
    virtual void DrawText(const MarkupFont& font, std::string_view text, MarkupPoint at,
                          TColor color) = 0;
    // The font's underline under width pixels of text whose top-left is at.
    virtual void DrawUnderline(const MarkupFont& font, MarkupPoint at, int width, TColor color) = 0;
    virtual void FillRect(const MarkupRect& rect, TColor color) = 0;
    // An opaque one-pixel line.
    virtual void DrawLine(MarkupPoint from, MarkupPoint to, TColor color) = 0;
    virtual void DrawPolyline(std::span<const MarkupPoint> points, TColor color) = 0;
    virtual void DrawImage(const MarkupImage& image, const MarkupRect& rect) = 0;
};

struct MarkupParams {
    MarkupFont BaseFont;
    std::string Text;
    int ParagraphSpacing = 0;  // extra pixels below every line but the last
    TColor AnchorColor = 0xFF0000;
    TColor ShadowColor = 0x808080;
    int ShadowOffset = 0;
    bool MeasureOnly = false;
    MarkupPoint HitPoint;  // (0, 0): no hit test
    MarkupRect Rect;
    bool WordWrap = true;
    int HoverImage = 0;  // the image under the mouse at the last hit test (ALT shows)
};

struct MarkupResult {
    int Width = 0;
    int Height = 0;
    std::string Anchor;      // the target of the anchor under the hit point
    std::string AnchorText;  // that anchor's text
    bool OverAnchor = false;
    int AnchorIndex = 0;  // number of the hovered anchor, from 1
    int ImageIndex = 0;   // number of the image under the hit point, from 1
};

// Pixels of one bullet step of a list level.
inline constexpr int kListIndent = 12;

MarkupResult DrawMarkup(MarkupCanvas& canvas, const MarkupParams& params);

// The width a run takes: measured width less 2 and, above 8 points, less
// round((size - 8) / 1.5) more; never below 0.
int RunWidth(float measuredWidth, int fontSize);

}  // namespace quill::widgets::markup
