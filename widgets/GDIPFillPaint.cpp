#include "widgets/GDIPFillPaint.h"

#include <cmath>

namespace quill::widgets {
namespace {

using Gdiplus::RectF;

bool RoundsCorner(TFillRoundingType corners, int corner /* 0 TL, 1 TR, 2 BR, 3 BL */) {
    switch (corners) {
        case rtNone:
            return false;
        case rtTop:
            return corner == 0 || corner == 1;
        case rtBottom:
            return corner == 2 || corner == 3;
        case rtBoth:
            return true;
        case rtLeft:
            return corner == 0 || corner == 3;
        case rtRight:
            return corner == 1 || corner == 2;
    }
    return false;
}

// Restores the graphics object's clip when a band or picture is done with it.
class ClipScope {
public:
    ClipScope(Gdiplus::Graphics& graphics, const Gdiplus::GraphicsPath& path)
        : FGraphics(graphics) {
        FGraphics.GetClip(&FSaved);
        Gdiplus::Region region(&path);
        FGraphics.SetClip(&region, Gdiplus::CombineModeIntersect);
    }
    ~ClipScope() { FGraphics.SetClip(&FSaved); }
    ClipScope(const ClipScope&) = delete;
    ClipScope& operator=(const ClipScope&) = delete;

private:
    Gdiplus::Graphics& FGraphics;
    Gdiplus::Region FSaved;
};

class SmoothingScope {
public:
    SmoothingScope(Gdiplus::Graphics& graphics, Gdiplus::SmoothingMode mode)
        : FGraphics(graphics), FSaved(graphics.GetSmoothingMode()) {
        FGraphics.SetSmoothingMode(mode);
    }
    ~SmoothingScope() { FGraphics.SetSmoothingMode(FSaved); }
    SmoothingScope(const SmoothingScope&) = delete;
    SmoothingScope& operator=(const SmoothingScope&) = delete;

private:
    Gdiplus::Graphics& FGraphics;
    Gdiplus::SmoothingMode FSaved;
};

// One linear band: the values of the upper band or of the lower (mirror) band.
struct Band {
    RectF rect;
    TGradientType type;
    TColor start;
    TColor end;
    std::uint8_t startOpacity;
    std::uint8_t endOpacity;
    HatchStyle hatch;
    bool lower;
};

// Corners of one band's outline: a pair of bands splits the fill's rounding
// between them so the seam stays straight.
TFillRoundingType BandCorners(const TGDIPFill& fill, bool lower) {
    const TFillRoundingType type = fill.RoundingType();
    if (fill.ColorMirror() == clNone) return type;
    if (type == rtLeft || type == rtRight) return type;
    if (!lower) return (type == rtTop || type == rtBoth) ? rtTop : rtNone;
    return (type == rtBottom || type == rtBoth) ? rtBottom : rtNone;
}

std::unique_ptr<Gdiplus::Brush> LinearBrush(const RectF& rect, const Gdiplus::Color& first,
                                            const Gdiplus::Color& second, TGradientType type,
                                            int angle) {
    const RectF grown(rect.X - 1, rect.Y - 1, rect.Width + 2, rect.Height + 2);
    std::unique_ptr<Gdiplus::LinearGradientBrush> brush;
    if (type == gtAngle) {
        brush = std::make_unique<Gdiplus::LinearGradientBrush>(
            grown, first, second, static_cast<Gdiplus::REAL>(angle), TRUE);
    } else {
        Gdiplus::LinearGradientMode mode = Gdiplus::LinearGradientModeVertical;
        if (type == gtHorizontal)
            mode = Gdiplus::LinearGradientModeHorizontal;
        else if (type == gtForwardDiagonal)
            mode = Gdiplus::LinearGradientModeForwardDiagonal;
        else if (type == gtBackwardDiagonal)
            mode = Gdiplus::LinearGradientModeBackwardDiagonal;
        brush = std::make_unique<Gdiplus::LinearGradientBrush>(grown, first, second, mode);
    }
    brush->SetWrapMode(Gdiplus::WrapModeTile);
    brush->SetGammaCorrection(TRUE);
    return brush;
}

void FillBand(Gdiplus::Graphics& graphics, const TGDIPFill& fill, const Band& band) {
    std::unique_ptr<Gdiplus::GraphicsPath> outline;
    std::unique_ptr<SmoothingScope> smoothing;
    if (fill.Rounding() != 0) {
        outline = CreateRoundedPath(band.rect, static_cast<float>(fill.Rounding()),
                                    BandCorners(fill, band.lower));
        smoothing = std::make_unique<SmoothingScope>(graphics, Gdiplus::SmoothingModeAntiAlias);
    }

    TGradientType type = band.type;
    if (band.start == clNone)
        type = gtNone;
    else if (band.end == clNone)
        type = gtSolid;

    const Gdiplus::Color startColor = GdipColor(band.start, band.startOpacity);
    std::unique_ptr<Gdiplus::Brush> brush;
    std::unique_ptr<Gdiplus::Image> texture;
    switch (type) {
        case gtSolid:
            brush = std::make_unique<Gdiplus::SolidBrush>(startColor);
            break;
        case gtVertical:
        case gtHorizontal:
        case gtForwardDiagonal:
        case gtBackwardDiagonal:
        case gtAngle:
            brush = LinearBrush(band.rect, startColor, GdipColor(band.end, band.endOpacity), type,
                                fill.Angle());
            break;
        case gtHatch:
            brush = std::make_unique<Gdiplus::HatchBrush>(band.hatch, startColor,
                                                          GdipColor(band.end, band.endOpacity));
            break;
        case gtTexture:
            if (fill.BackGroundPicturePosition() == ppTiled) {
                texture = fill.BackGroundPicture().Decode();
                if (texture)
                    brush = std::make_unique<Gdiplus::TextureBrush>(texture.get(),
                                                                    Gdiplus::WrapModeTile);
            }
            break;
        case gtRadial:
        case gtPath:
        case gtNone:
            break;
    }
    if (brush) {
        if (outline)
            graphics.FillPath(brush.get(), outline.get());
        else
            graphics.FillRectangle(brush.get(), band.rect);
    }

    // The lower band overlaps the upper by two pixels; its first row in its
    // own start colour hides the seam a linear gradient would leave there.
    const bool linear = type == gtVertical || type == gtHorizontal || type == gtForwardDiagonal ||
                        type == gtBackwardDiagonal;
    if (band.lower && linear) {
        Gdiplus::SolidBrush seam(startColor);
        graphics.FillRectangle(&seam, RectF(band.rect.X, band.rect.Y, band.rect.Width, 1.0f));
    }
}

struct RadialBand {
    RectF rect;
    TColor start;
    TColor end;
    TFillRoundingType corners;
    float radius;
    bool upper;
    std::uint8_t endOpacity;
    std::uint8_t startOpacity;
};

void FillRadialBand(Gdiplus::Graphics& graphics, const RadialBand& band) {
    const Gdiplus::Color start = GdipColor(band.start, band.startOpacity);
    const Gdiplus::Color end = GdipColor(band.end, band.endOpacity);
    const RectF& r = band.rect;

    auto outline = CreateRoundedPath(r, band.radius, band.corners);
    Gdiplus::SolidBrush base(band.upper ? start : end);
    graphics.FillPath(&base, outline.get());
    ClipScope clip(graphics, *outline);

    Gdiplus::GraphicsPath ellipse;
    Gdiplus::PointF centre;
    if (band.upper) {
        ellipse.AddEllipse(RectF(r.X, r.Y - r.Height / 2, r.Width, r.Height * 1.5f));
        centre = Gdiplus::PointF(r.X + r.Width / 2, r.Y);
    } else {
        ellipse.AddEllipse(RectF(r.X, r.Y, r.Width, r.Height * 1.5f));
        centre = Gdiplus::PointF(r.X + r.Width / 2, r.Y + r.Height);
    }
    Gdiplus::PathGradientBrush brush(&ellipse);
    brush.SetCenterPoint(centre);
    brush.SetCenterColor(band.upper ? end : start);
    Gdiplus::Color surround = band.upper ? start : end;
    INT count = 1;
    brush.SetSurroundColors(&surround, &count);
    graphics.FillRectangle(&brush, r);
}

}  // namespace

std::unique_ptr<Gdiplus::GraphicsPath> CreateRoundedPath(const RectF& rect, float radius,
                                                         TFillRoundingType corners) {
    auto path = std::make_unique<Gdiplus::GraphicsPath>(Gdiplus::FillModeAlternate);
    const float d = 2 * radius;
    const float left = rect.X, top = rect.Y;
    const float right = rect.X + rect.Width, bottom = rect.Y + rect.Height;
    const bool round = radius > 0;
    // Corner by corner, clockwise; GDI+ joins each piece to the previous one
    // with a straight line, so every edge starts where the last arc ended.
    if (round && RoundsCorner(corners, 0))
        path->AddArc(left, top, d, d, 180, 90);
    else
        path->AddLine(left, top, left, top);
    if (round && RoundsCorner(corners, 1))
        path->AddArc(right - d, top, d, d, 270, 90);
    else
        path->AddLine(right, top, right, top);
    if (round && RoundsCorner(corners, 2))
        path->AddArc(right - d, bottom - d, d, d, 0, 90);
    else
        path->AddLine(right, bottom, right, bottom);
    if (round && RoundsCorner(corners, 3))
        path->AddArc(left, bottom - d, d, d, 90, 90);
    else
        path->AddLine(left, bottom, left, bottom);
    path->CloseFigure();
    return path;
}

bool PicturePlacement(TFillPicturePosition position, int customLeft, int customTop,
                      const Gdiplus::Rect& rect, int picWidth, int picHeight,
                      Gdiplus::Rect& target) {
    const int left = rect.X, top = rect.Y;
    const int right = rect.X + rect.Width, bottom = rect.Y + rect.Height;
    const int centredX = left + (rect.Width - picWidth) / 2;
    const int centredY = top + (rect.Height - picHeight) / 2;
    target = Gdiplus::Rect(0, 0, picWidth, picHeight);
    switch (position) {
        case ppTopLeft:
            target.X = left, target.Y = top;
            break;
        case ppTopCenter:
            target.X = centredX, target.Y = top;
            break;
        case ppTopRight:
            target.X = right - picWidth, target.Y = top;
            break;
        case ppBottomLeft:
            target.X = left, target.Y = bottom - picHeight;
            break;
        case ppBottomCenter:
            target.X = centredX, target.Y = bottom - picHeight;
            break;
        case ppBottomRight:
            target.X = right - picWidth, target.Y = bottom - picHeight;
            break;
        case ppCenterLeft:
            target.X = left, target.Y = centredY;
            break;
        case ppCenterCenter:
            target.X = centredX, target.Y = centredY;
            break;
        case ppCenterRight:
            target.X = right - picWidth, target.Y = centredY;
            break;
        case ppStretched:
            target = rect;
            break;
        case ppCustom:
            target.X = customLeft, target.Y = customTop;
            break;
        case ppTiled:
            return false;
    }
    return true;
}

void DrawPicturePlaced(Gdiplus::Graphics& graphics, const TGDIPPicture& picture,
                       TFillPicturePosition position, int customTop, int customLeft,
                       const Gdiplus::Rect& rect, int picHeight, int picWidth) {
    if (picture.Empty()) return;
    Gdiplus::Rect target;
    if (PicturePlacement(position, customLeft, customTop, rect, picWidth, picHeight, target))
        picture.Draw(graphics, target);
}

Gdiplus::Rect RoundToPixels(const RectF& rect) {
    const auto round = [](float v) { return static_cast<int>(std::nearbyint(v)); };
    const int left = round(rect.X), top = round(rect.Y);
    return Gdiplus::Rect(left, top, round(rect.X + rect.Width) - left,
                         round(rect.Y + rect.Height) - top);
}

RectF TGDIPFill::DrawFill(Gdiplus::Graphics* graphics, RectF rect, std::uint8_t mirrorToOpacity,
                          std::uint8_t mirrorOpacity, std::uint8_t toOpacity, std::uint8_t opacity,
                          std::uint8_t borderOpacity) {
    const auto pick = [](std::uint8_t override, std::uint8_t property) {
        return override == 255 ? property : override;
    };
    const std::uint8_t opMirrorTo = pick(mirrorToOpacity, FOpacityMirrorTo);
    const std::uint8_t opMirror = pick(mirrorOpacity, FOpacityMirror);
    const std::uint8_t opTo = pick(toOpacity, FOpacityTo);
    const std::uint8_t op = pick(opacity, FOpacity);
    const std::uint8_t opBorder = pick(borderOpacity, FBorderOpacity);
    const bool hasBorder = FBorderWidth > 0 && FBorderColor != clNone;
    const auto radius = static_cast<float>(FRounding);

    const bool line = rect.Height == 1.0f || rect.Width == 1.0f;
    if (line) {
        if (graphics && hasBorder) {
            Gdiplus::Pen pen(GdipColor(FBorderColor, opBorder),
                             static_cast<Gdiplus::REAL>(FBorderWidth));
            graphics->DrawLine(&pen, rect.X, rect.Y, rect.X + rect.Width, rect.Y + rect.Height);
        }
    } else {
        if (!graphics) return rect;
        Gdiplus::Graphics& g = *graphics;

        if (FShadowOffset > 0 && FShadowColor != clNone) {
            auto outline = CreateRoundedPath(rect, radius, FRoundingType);
            Gdiplus::PathGradientBrush shadow(outline.get());
            shadow.SetWrapMode(Gdiplus::WrapModeClamp);
            // The outer tenth fades from nothing at the outline to the shadow colour.
            const Gdiplus::Color colors[3] = {Gdiplus::Color(0, 0, 0, 0),
                                              GdipColor(FShadowColor, 180),
                                              GdipColor(FShadowColor, 180)};
            Gdiplus::REAL positions[3] = {0.0f, 0.1f, 1.0f};
            shadow.SetInterpolationColors(colors, positions, 3);
            g.FillPath(&shadow, outline.get());
            rect.Width -= static_cast<float>(FShadowOffset);
            rect.Height -= static_cast<float>(FShadowOffset);
        }

        const bool singleBand =
            FGradientType == gtHatch || FGradientType == gtTexture || FColorMirror == clNone;
        const Band upper{rect, FGradientType, FColor, FColorTo, op, opTo, FHatchStyle, false};
        const TColor upperEnd = FColorTo == clNone ? FColor : FColorTo;
        if (singleBand) {
            if (FGradientType != gtRadial)
                FillBand(g, *this, upper);
            else if (FColor != clNone)
                FillRadialBand(g, {rect, FColor, upperEnd, FRoundingType, radius, true, opTo, op});
        } else {
            const float half = rect.Height / 2;
            const RectF upperRect(rect.X, rect.Y, rect.Width, rect.Height - half + 1);
            const RectF lowerRect(rect.X, rect.Y + half - 1, rect.Width, rect.Height - half + 1);
            if (FGradientType != gtRadial) {
                Band band = upper;
                band.rect = upperRect;
                FillBand(g, *this, band);
            } else if (FColor != clNone) {
                FillRadialBand(g, {upperRect, FColor, upperEnd, rtTop, radius, true, opTo, op});
            }
            if (FGradientMirrorType == gtRadial && FColorMirror != clNone) {
                const TColor mirrorEnd = FColorMirrorTo == clNone ? FColorMirror : FColorMirrorTo;
                FillRadialBand(g, {lowerRect, FColorMirror, mirrorEnd, rtBottom, radius, false,
                                   opMirrorTo, opMirror});
            } else {
                FillBand(g, *this,
                         {lowerRect, FGradientMirrorType, FColorMirror, FColorMirrorTo, opMirror,
                          opMirrorTo, FHatchStyleMirror, true});
            }
        }

        if (FBackGroundPictureMode == pmInsideFill && FGradientType == gtTexture) {
            auto outline = CreateRoundedPath(rect, radius, FRoundingType);
            ClipScope clip(g, *outline);
            DrawPicturePlaced(g, FBackGroundPicture, FBackGroundPicturePosition,
                              FBackGroundPictureTop, FBackGroundPictureLeft, RoundToPixels(rect),
                              FBackGroundPicture.Height(), FBackGroundPicture.Width());
        }

        if (hasBorder) {
            auto outline = CreateRoundedPath(rect, radius, FRoundingType);
            Gdiplus::Pen pen(GdipColor(FBorderColor, opBorder),
                             static_cast<Gdiplus::REAL>(FBorderWidth));
            g.DrawPath(&pen, outline.get());
        }
    }

    const auto border = static_cast<float>(FBorderWidth);
    FFocusRect =
        RectF(rect.X + border, rect.Y + border, rect.Width - 2 * border, rect.Height - 2 * border);
    if (!graphics) return rect;
    Gdiplus::Graphics& g = *graphics;

    if (FFocus) {
        g.SetSmoothingMode(Gdiplus::SmoothingModeDefault);
        auto outline = CreateRoundedPath(FFocusRect, radius - border, FRoundingType);
        Gdiplus::Pen pen(GdipColor(FFocusColor, op), 1.0f);
        pen.SetDashStyle(Gdiplus::DashStyleDot);
        g.DrawPath(&pen, outline.get());
    }

    if (FBackGroundPictureMode == pmOutsideFill && FGradientType == gtTexture)
        DrawPicturePlaced(g, FBackGroundPicture, FBackGroundPicturePosition, FBackGroundPictureTop,
                          FBackGroundPictureLeft, RoundToPixels(rect), FBackGroundPicture.Height(),
                          FBackGroundPicture.Width());

    if (!FPicture.Empty()) {
        const bool custom = FPictureSize == psCustom;
        DrawPicturePlaced(g, FPicture, FPicturePosition, FPictureTop, FPictureLeft,
                          RoundToPixels(rect), custom ? FPictureHeight : FPicture.Height(),
                          custom ? FPictureWidth : FPicture.Width());
    }
    return rect;
}

}  // namespace quill::widgets
