#include "widgets/GlassButtonGeometry.h"

#include <algorithm>

namespace quill::widgets {

namespace {

OutlineSegment Arc(float x, float y, float size, float start, float sweep) {
    OutlineSegment s;
    s.kind = OutlineSegment::Kind::Arc;
    s.arcBox = {x, y, size, size};
    s.startAngle = start;
    s.sweepAngle = sweep;
    return s;
}

OutlineSegment Lines(std::vector<GlassPoint> points) {
    OutlineSegment s;
    s.kind = OutlineSegment::Kind::Lines;
    s.points = std::move(points);
    return s;
}

OutlineSegment Curve(std::vector<GlassPoint> points) {
    OutlineSegment s;
    s.kind = OutlineSegment::Kind::Curve;
    s.points = std::move(points);
    return s;
}

// Corner arcs of zero size are refused by GDI+, and arcs wider than half the rectangle
// would cross each other, so the radius is kept within both bounds.
float UsableRadius(GlassRect r, float radius) {
    return std::clamp(radius, 0.0f, std::min(r.width, r.height) / 2);
}

}  // namespace

GlassOutline RoundedRectOutline(GlassRect r, float radius) {
    radius = UsableRadius(r, radius);
    const float right = r.x + r.width, bottom = r.y + r.height;
    if (radius <= 0) return {Lines({{r.x, r.y}, {right, r.y}, {right, bottom}, {r.x, bottom}})};
    const float d = 2 * radius;
    return {Arc(r.x, r.y, d, 180, 90), Arc(right - d, r.y, d, 270, 90),
            Arc(right - d, bottom - d, d, 0, 90), Arc(r.x, bottom - d, d, 90, 90)};
}

GlassOutline RoundedTopOutline(GlassRect r, float radius) {
    radius = UsableRadius(r, radius);
    const float right = r.x + r.width, bottom = r.y + r.height;
    if (radius <= 0) return {Lines({{r.x, r.y}, {right, r.y}, {right, bottom}, {r.x, bottom}})};
    const float d = 2 * radius;
    return {Arc(r.x, r.y, d, 180, 90), Arc(right - d, r.y, d, 270, 90),
            Lines({{right, bottom}, {r.x, bottom}})};
}

GlassOutline CurvedRectOutline(GlassRect r, TButtonDirection direction) {
    const float x = r.x, y = r.y, h = r.height, right = r.x + r.width;
    if (direction == TButtonDirection::bdRight) {
        // Half circle on the right, a gentle bulge on the left.
        return {Arc(right - h, y, h, 270, 180), Curve({{x, y + h},
                                                       {x + h / 6, y + 3 * h / 4},
                                                       {x + h / 4.85f, y + h / 2},
                                                       {x + h / 6, y + h / 4},
                                                       {x, y}})};
    }
    return {Arc(x, y, h, 90, 180), Curve({{right, y},
                                          {right - h / 6, y + h / 4},
                                          {right - h / 4.7f, y + h / 2},
                                          {right - h / 6, y + 3 * h / 4},
                                          {right, y + h}})};
}

GlassOutline ButtonOutline(TButtonShape shape, TButtonDirection direction, GlassRect rect,
                           float radius) {
    return shape == TButtonShape::btsCurvedRectangle ? CurvedRectOutline(rect, direction)
                                                     : RoundedRectOutline(rect, radius);
}

GlassGeometry ComputeGlassGeometry(int wc, int hc, int cornerRadius, TButtonShape shape,
                                   TButtonDirection direction) {
    const float r = static_cast<float>(cornerRadius);
    GlassGeometry g;
    g.outerBorder = ButtonOutline(shape, direction, {0, 0, float(wc - 1), float(hc - 1)}, r);
    const GlassRect bodyRect{1, 1, float(wc - 3), float(hc - 3)};
    g.body = ButtonOutline(shape, direction, bodyRect, r);

    // The ellipse is centred on the bottom middle of the body, so the glow rises from there.
    const float w = float(wc - 4), h = float(hc - 4);
    g.glowEllipse = {1 - 0.35f * w, 1 - 0.15f * h, 1.7f * w, 2.3f * h};

    g.hasShine = wc - 3 > 0 && (hc - 3) / 2 > 0;
    if (g.hasShine) {
        const int s = (hc - 3) / 2 + 1;
        g.shine.band = {1, 1, float(wc - 3), float(s)};
        g.shine.gradient = {1, 1, float(wc - 4), float(s)};
        if (shape == TButtonShape::btsCurvedRectangle) {
            g.shine.outline = g.body;
            g.shine.clipToBand = true;
        } else {
            g.shine.outline = RoundedTopOutline(g.shine.band, r);
        }
    }
    return g;
}

GlassOutline FocusOutline(int wc, int hc, int cornerRadius, TButtonShape shape,
                          TButtonDirection direction) {
    if (shape == TButtonShape::btsCurvedRectangle)
        return CurvedRectOutline({6, 5, float(wc - 12), float(hc - 10)}, direction);
    return RoundedRectOutline({4, 4, float(wc - 8), float(hc - 8)}, float(cornerRadius - 2));
}

namespace {

SymbolPrimitive Polygon(std::vector<GlassPoint> points) {
    SymbolPrimitive p;
    p.kind = SymbolPrimitive::Kind::FilledPolygon;
    p.points = std::move(points);
    return p;
}

SymbolPrimitive Box(SymbolPrimitive::Kind kind, GlassRect rect) {
    SymbolPrimitive p;
    p.kind = kind;
    p.rect = rect;
    return p;
}

SymbolPrimitive Stroke(SymbolPrimitive::Kind kind, std::vector<GlassPoint> points, float width) {
    SymbolPrimitive p;
    p.kind = kind;
    p.points = std::move(points);
    p.penWidth = width;
    return p;
}

// Backward symbols are the forward ones seen in a mirror about the vertical centre line.
std::vector<SymbolPrimitive> Mirrored(std::vector<SymbolPrimitive> shapes, float centreX) {
    for (auto& s : shapes) {
        for (auto& p : s.points) p.x = 2 * centreX - p.x;
        if (s.kind == SymbolPrimitive::Kind::FilledRect ||
            s.kind == SymbolPrimitive::Kind::FilledEllipse)
            s.rect.x = 2 * centreX - s.rect.x - s.rect.width;
    }
    return shapes;
}

}  // namespace

std::vector<SymbolPrimitive> SymbolPrimitives(TBackGroundSymbol symbol, int clientWidth,
                                              int clientHeight) {
    using K = SymbolPrimitive::Kind;
    const float w = float(clientWidth - 1), h = float(clientHeight - 1);
    const float arrowWidth = h / 4;
    // The filled symbols sit in a centred square half as large as the smaller side.
    const float cx = w / 2, cy = h / 2, s = std::min(w, h) / 2, half = s / 2;
    const float top = cy - half, bottom = cy + half;

    switch (symbol) {
        case TBackGroundSymbol::bsArrowLeft:
            return {Stroke(K::ArrowLine, {{w - w / 5, h / 2}, {w / 8, h / 2}}, arrowWidth)};
        case TBackGroundSymbol::bsArrowRight:
            return {Stroke(K::ArrowLine, {{w / 6, h / 2}, {w - w / 8, h / 2}}, arrowWidth)};
        case TBackGroundSymbol::bsArrowUp:
            return {Stroke(K::ArrowLine, {{w / 2, h - h / 5}, {w / 2, h / 8}}, arrowWidth)};
        case TBackGroundSymbol::bsArrowDown:
            return {Stroke(K::ArrowLine, {{w / 2, h / 5}, {w / 2, h - h / 8}}, arrowWidth)};
        case TBackGroundSymbol::bsPlay:
            return {Polygon({{cx - s / 3, top}, {cx + half, cy}, {cx - s / 3, bottom}})};
        case TBackGroundSymbol::bsPause:
            return {Box(K::FilledRect, {cx - half, top, s / 3, s}),
                    Box(K::FilledRect, {cx + half - s / 3, top, s / 3, s})};
        case TBackGroundSymbol::bsStop:
            return {Box(K::FilledRect, {cx - half, top, s, s})};
        case TBackGroundSymbol::bsFastForward:
            return {Polygon({{cx - half, top}, {cx, cy}, {cx - half, bottom}}),
                    Polygon({{cx, top}, {cx + half, cy}, {cx, bottom}})};
        case TBackGroundSymbol::bsForward:
            return {Polygon({{cx - half, top}, {cx + s / 4, cy}, {cx - half, bottom}}),
                    Box(K::FilledRect, {cx + s / 4, top, s / 4, s})};
        case TBackGroundSymbol::bsBackward:
            return Mirrored(
                SymbolPrimitives(TBackGroundSymbol::bsForward, clientWidth, clientHeight), cx);
        case TBackGroundSymbol::bsFastBackward:
            return Mirrored(
                SymbolPrimitives(TBackGroundSymbol::bsFastForward, clientWidth, clientHeight), cx);
        case TBackGroundSymbol::bsSpeaker:
        case TBackGroundSymbol::bsNoSpeaker: {
            const float pen = std::max(1.0f, s / 12);
            std::vector<SymbolPrimitive> shapes{Stroke(K::Polyline,
                                                       {{cx - half, cy - s / 6},
                                                        {cx - s / 6, cy - s / 6},
                                                        {cx + s / 6, top},
                                                        {cx + s / 6, bottom},
                                                        {cx - s / 6, cy + s / 6},
                                                        {cx - half, cy + s / 6},
                                                        {cx - half, cy - s / 6}},
                                                       pen)};
            if (symbol == TBackGroundSymbol::bsSpeaker) {
                shapes.push_back(Stroke(
                    K::Polyline,
                    {{cx + s / 3, cy - s / 4}, {cx + half, cy}, {cx + s / 3, cy + s / 4}}, pen));
            } else {
                shapes.push_back(
                    Stroke(K::Polyline, {{cx + s / 4, cy - s / 4}, {cx + s / 2, cy + s / 4}}, pen));
                shapes.push_back(
                    Stroke(K::Polyline, {{cx + s / 4, cy + s / 4}, {cx + s / 2, cy - s / 4}}, pen));
            }
            return shapes;
        }
        case TBackGroundSymbol::bsRecord:
            return {Box(K::FilledEllipse, {cx - half, top, s, s})};
        case TBackGroundSymbol::bsNone:
            break;
    }
    return {};
}

GlassCaptionLayout LayoutCaption(TButtonLayout layout, int wc, int hc, int pictureWidth,
                                 int pictureHeight, bool captionShown) {
    // A picture beside a caption keeps two pixels of space from it.
    const int spacing = captionShown && pictureWidth > 0 ? 2 : 0;
    const int pw = pictureWidth + spacing;
    const int ph = pictureHeight + (captionShown && pictureHeight > 0 ? 2 : 0);
    const auto clampedAt = [](int position) { return float(std::max(2, position)); };
    const float centreX = clampedAt((wc - pictureWidth) / 2);
    const float centreY = clampedAt((hc - pictureHeight) / 2);

    GlassCaptionLayout out;
    switch (layout) {
        case TButtonLayout::blGlyphLeft:
        case TButtonLayout::blGlyphLeftAdjusted:
            out.text = {float(2 + pw), 0, float(wc - pw - 2), float(hc)};
            out.picture = {2, centreY};
            break;
        case TButtonLayout::blGlyphRight:
        case TButtonLayout::blGlyphRightAdjusted:
            out.text = {0, 0, float(wc - pw - 2), float(hc)};
            out.picture = {clampedAt(wc - 2 - pictureWidth), centreY};
            break;
        case TButtonLayout::blGlyphTop:
        case TButtonLayout::blGlyphTopAdjusted:
            out.text = {0, float(2 + ph), float(wc), float(hc - ph - 2)};
            out.picture = {centreX, 2};
            break;
        case TButtonLayout::blGlyphBottom:
        case TButtonLayout::blGlyphBottomAdjusted:
            out.text = {0, 0, float(wc), float(hc - ph - 2)};
            out.picture = {centreX, clampedAt(hc - 2 - pictureHeight)};
            break;
    }
    if (layout == TButtonLayout::blGlyphLeftAdjusted) out.horizontal = GlassTextAlign::Near;
    if (layout == TButtonLayout::blGlyphRightAdjusted) out.horizontal = GlassTextAlign::Far;
    if (layout == TButtonLayout::blGlyphTopAdjusted) out.vertical = GlassTextAlign::Near;
    if (layout == TButtonLayout::blGlyphBottomAdjusted) out.vertical = GlassTextAlign::Far;
    return out;
}

}  // namespace quill::widgets
