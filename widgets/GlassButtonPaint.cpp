#include "widgets/GlassButtonPaint.h"

#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"

#include <algorithm>
#include <vector>

using namespace Gdiplus;

namespace quill::widgets {

namespace {

RectF ToRectF(GlassRect r) {
    return RectF(r.x, r.y, r.width, r.height);
}

std::vector<PointF> ToPoints(const std::vector<GlassPoint>& points) {
    std::vector<PointF> out;
    out.reserve(points.size());
    for (const auto& p : points) out.emplace_back(p.x, p.y);
    return out;
}

void AddOutline(GraphicsPath& path, const GlassOutline& outline) {
    path.StartFigure();
    for (const auto& segment : outline) {
        switch (segment.kind) {
            case OutlineSegment::Kind::Arc:
                path.AddArc(ToRectF(segment.arcBox), segment.startAngle, segment.sweepAngle);
                break;
            case OutlineSegment::Kind::Lines: {
                const auto points = ToPoints(segment.points);
                path.AddLines(points.data(), INT(points.size()));
                break;
            }
            case OutlineSegment::Kind::Curve: {
                const auto points = ToPoints(segment.points);
                path.AddCurve(points.data(), INT(points.size()));
                break;
            }
        }
    }
    path.CloseFigure();
}

void StrokeOutline(Graphics& graphics, const GlassOutline& outline, tk::TColor color) {
    GraphicsPath path;
    AddOutline(path, outline);
    Pen pen(quill::widgets::GdipColor(color, 255), 1.0f);
    graphics.DrawPath(&pen, &path);
}

void DrawGlow(Graphics& graphics, const GraphicsPath& body, GlassRect ellipseRect,
              tk::TColor color) {
    const GraphicsState saved = graphics.Save();
    graphics.SetClip(&body, CombineModeIntersect);
    GraphicsPath ellipse;
    ellipse.AddEllipse(ToRectF(ellipseRect));
    PathGradientBrush brush(&ellipse);
    brush.SetCenterColor(quill::widgets::GdipColor(color, glass_defaults::kGlowCentreAlpha));
    Color surround = quill::widgets::GdipColor(color, 0);
    INT count = 1;
    brush.SetSurroundColors(&surround, &count);
    graphics.FillPath(&brush, &ellipse);
    graphics.Restore(saved);
}

void DrawShine(Graphics& graphics, const GlassShine& shine, tk::TColor color) {
    const GraphicsState saved = graphics.Save();
    if (shine.clipToBand) graphics.SetClip(ToRectF(shine.band), CombineModeIntersect);
    GraphicsPath path;
    AddOutline(path, shine.outline);
    // The gradient only runs vertically, but GDI+ refuses a brush rectangle without width.
    RectF gradient = ToRectF(shine.gradient);
    gradient.Width = std::max(gradient.Width, 1.0f);
    LinearGradientBrush brush(gradient,
                              quill::widgets::GdipColor(color, glass_defaults::kShineTopAlpha),
                              quill::widgets::GdipColor(color, glass_defaults::kShineBottomAlpha),
                              LinearGradientModeVertical);
    graphics.FillPath(&brush, &path);
    graphics.Restore(saved);
}

void DrawSymbol(Graphics& graphics, TBackGroundSymbol symbol, int wc, int hc,
                tk::TColor symbolColor) {
    const Color color = quill::widgets::GdipColor(symbolColor, glass_defaults::kSymbolAlpha);
    SolidBrush brush(color);
    for (const auto& shape : SymbolPrimitives(symbol, wc, hc)) {
        const auto points = ToPoints(shape.points);
        switch (shape.kind) {
            case SymbolPrimitive::Kind::ArrowLine: {
                Pen pen(color, shape.penWidth);
                pen.SetEndCap(LineCapArrowAnchor);
                graphics.DrawLine(&pen, points[0], points[1]);
                break;
            }
            case SymbolPrimitive::Kind::Polyline: {
                Pen pen(color, shape.penWidth);
                graphics.DrawLines(&pen, points.data(), INT(points.size()));
                break;
            }
            case SymbolPrimitive::Kind::FilledPolygon:
                graphics.FillPolygon(&brush, points.data(), INT(points.size()));
                break;
            case SymbolPrimitive::Kind::FilledRect:
                graphics.FillRectangle(&brush, ToRectF(shape.rect));
                break;
            case SymbolPrimitive::Kind::FilledEllipse:
                graphics.FillEllipse(&brush, ToRectF(shape.rect));
                break;
        }
    }
}

}  // namespace

void DrawGlass(Graphics& graphics, int wc, int hc, const GlassLook& look) {
    const GlassGeometry geometry =
        ComputeGlassGeometry(wc, hc, look.cornerRadius, look.shape, look.direction);
    StrokeOutline(graphics, geometry.outerBorder, look.outerBorderColor);

    GraphicsPath body;
    AddOutline(body, geometry.body);
    SolidBrush bodyBrush(quill::widgets::GdipColor(look.backColor, glass_defaults::kBodyAlpha));
    graphics.FillPath(&bodyBrush, &body);

    if (look.glow) DrawGlow(graphics, body, geometry.glowEllipse, look.glowColor);
    if (geometry.hasShine) DrawShine(graphics, geometry.shine, look.shineColor);
    if (look.symbol != TBackGroundSymbol::bsNone && look.symbolColor != tk::clNone)
        DrawSymbol(graphics, look.symbol, wc, hc, look.symbolColor);
    StrokeOutline(graphics, geometry.body, look.innerBorderColor);
}

namespace {

int CALLBACK NoteFontType(const LOGFONTA*, const TEXTMETRICA*, DWORD fontType, LPARAM found) {
    *reinterpret_cast<DWORD*>(found) = fontType | 0x80000000u;  // high bit: seen at all
    return 0;
}

StringAlignment ToAlignment(GlassTextAlign a) {
    switch (a) {
        case GlassTextAlign::Near:
            return StringAlignmentNear;
        case GlassTextAlign::Far:
            return StringAlignmentFar;
        case GlassTextAlign::Centre:
            break;
    }
    return StringAlignmentCenter;
}

INT FontStyleOf(const GlassFont& font) {
    INT style = FontStyleRegular;
    if (font.bold) style |= FontStyleBold;
    if (font.italic) style |= FontStyleItalic;
    if (font.underline) style |= FontStyleUnderline;
    return style;
}

bool DrawWithGdiPlus(Graphics& graphics, const GlassCaption& caption,
                     const GlassCaptionLayout& layout, const Color& color) {
    const std::wstring family = tk::ToWide(caption.font.name);
    FontFamily fontFamily(family.c_str());
    if (fontFamily.GetLastStatus() != Ok) return false;
    Font font(&fontFamily, caption.font.pointSize, FontStyleOf(caption.font), UnitPoint);
    if (font.GetLastStatus() != Ok) return false;

    StringFormat format(0);
    format.SetAlignment(ToAlignment(layout.horizontal));
    format.SetLineAlignment(ToAlignment(layout.vertical));
    format.SetHotkeyPrefix(HotkeyPrefixShow);
    format.SetTrimming(StringTrimmingNone);
    graphics.SetTextRenderingHint(caption.antiAlias == TAntiAlias::aaClearType
                                      ? TextRenderingHintClearTypeGridFit
                                      : TextRenderingHintAntiAlias);
    SolidBrush brush(color);
    const std::wstring text = tk::ToWide(caption.text);
    return graphics.DrawString(text.c_str(), INT(text.size()), &font, ToRectF(layout.text), &format,
                               &brush) == Ok;
}

void DrawWithGdi(Graphics& graphics, const GlassCaption& caption, const GlassCaptionLayout& layout,
                 tk::TColor color) {
    HDC dc = graphics.GetHDC();
    if (!dc) return;
    {
        // Restored before the DC goes back to GDI+.
        tk::TSavedDC saved(dc);
        if (caption.font.handle) SelectObject(dc, caption.font.handle);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, COLORREF(quill::widgets::ResolveWidgetColor(color)));
        RECT r{LONG(layout.text.x), LONG(layout.text.y), LONG(layout.text.x + layout.text.width),
               LONG(layout.text.y + layout.text.height)};
        UINT flags = DT_SINGLELINE;
        flags |= layout.horizontal == GlassTextAlign::Near  ? DT_LEFT
                 : layout.horizontal == GlassTextAlign::Far ? DT_RIGHT
                                                            : DT_CENTER;
        flags |= layout.vertical == GlassTextAlign::Near  ? DT_TOP
                 : layout.vertical == GlassTextAlign::Far ? DT_BOTTOM
                                                          : DT_VCENTER;
        DrawTextA(dc, caption.text.c_str(), int(caption.text.size()), &r, flags);
    }
    graphics.ReleaseHDC(dc);
}

}  // namespace

bool IsScreenVectorFont(const std::string& name) {
    if (name.empty() || name.size() >= LF_FACESIZE) return false;
    LOGFONTA query{};
    query.lfCharSet = DEFAULT_CHARSET;
    name.copy(query.lfFaceName, LF_FACESIZE - 1);
    DWORD found = 0;
    tk::TWindowDC screen(nullptr);
    EnumFontFamiliesExA(screen.Get(), &query, NoteFontType, reinterpret_cast<LPARAM>(&found), 0);
    return (found & 0x80000000u) && !(found & RASTER_FONTTYPE);
}

void DrawGlassCaption(Graphics& graphics, int wc, int hc, const GlassCaption& caption) {
    if (caption.focusRect) {
        StrokeOutline(graphics,
                      FocusOutline(wc, hc, caption.cornerRadius, caption.shape, caption.direction),
                      glass_defaults::kFocusRectColor);
    }
    const int pictureWidth = caption.picture ? int(caption.picture->GetWidth()) : 0;
    const int pictureHeight = caption.picture ? int(caption.picture->GetHeight()) : 0;
    const GlassCaptionLayout layout =
        LayoutCaption(caption.layout, wc, hc, pictureWidth, pictureHeight, !caption.text.empty());
    if (caption.picture) {
        graphics.DrawImage(caption.picture, layout.picture.x, layout.picture.y, float(pictureWidth),
                           float(pictureHeight));
    }
    if (caption.text.empty()) return;

    const tk::TColor color =
        caption.enabled ? caption.textColor : glass_defaults::kDisabledTextColor;
    const bool gdiPlusText =
        caption.antiAlias != TAntiAlias::aaNone && IsScreenVectorFont(caption.font.name);
    if (gdiPlusText &&
        DrawWithGdiPlus(graphics, caption, layout, quill::widgets::GdipColor(color, 255)))
        return;
    DrawWithGdi(graphics, caption, layout, color);
}

}  // namespace quill::widgets
