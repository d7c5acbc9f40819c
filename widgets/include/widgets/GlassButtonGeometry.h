#pragma once
// The glass button's shapes as plain numbers: outlines, the glow ellipse, the shine, the
// symbols and the caption layout. The GDI+ painter turns them into paths and brushes;
// keeping them here lets the geometry be checked without a window.

#include <vector>

#include "widgets/GlassButtonTypes.h"

namespace quill::widgets {

struct GlassPoint {
    float x = 0;
    float y = 0;
    bool operator==(const GlassPoint&) const = default;
};

struct GlassRect {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
    bool operator==(const GlassRect&) const = default;
};

// One piece of a closed outline. Consecutive pieces are joined by straight edges and the
// last one is joined back to the first, as a GDI+ figure does.
struct OutlineSegment {
    enum class Kind { Arc, Lines, Curve };
    Kind kind = Kind::Lines;
    GlassRect arcBox;  // Arc: the ellipse's bounding box
    float startAngle = 0;
    float sweepAngle = 0;
    std::vector<GlassPoint> points;  // Lines, Curve (a cardinal spline through them)
};
using GlassOutline = std::vector<OutlineSegment>;

GlassOutline RoundedRectOutline(GlassRect rect, float radius);
// Only the top corners rounded; used by the shine of the rectangular shape.
GlassOutline RoundedTopOutline(GlassRect rect, float radius);
GlassOutline CurvedRectOutline(GlassRect rect, TButtonDirection direction);
// The outline of the chosen shape, for the borders, the body and the glow clip.
GlassOutline ButtonOutline(TButtonShape shape, TButtonDirection direction, GlassRect rect,
                           float radius);

struct GlassShine {
    GlassOutline outline;
    bool clipToBand = false;  // the curved shape fills its outline only within `band`
    GlassRect band;
    GlassRect gradient;  // the vertical gradient runs over this rectangle
};

struct GlassGeometry {
    GlassOutline outerBorder;
    GlassOutline body;  // also the inner border and the glow's clip
    GlassRect glowEllipse;
    bool hasShine = false;
    GlassShine shine;
};

GlassGeometry ComputeGlassGeometry(int clientWidth, int clientHeight, int cornerRadius,
                                   TButtonShape shape, TButtonDirection direction);

// The focus outline, drawn inside the borders.
GlassOutline FocusOutline(int clientWidth, int clientHeight, int cornerRadius, TButtonShape shape,
                          TButtonDirection direction);

struct SymbolPrimitive {
    enum class Kind { ArrowLine, FilledPolygon, FilledRect, FilledEllipse, Polyline };
    Kind kind = Kind::FilledPolygon;
    std::vector<GlassPoint> points;  // ArrowLine (start, end), polygons, polylines
    GlassRect rect;                  // FilledRect, FilledEllipse
    float penWidth = 1;              // ArrowLine, Polyline
};

std::vector<SymbolPrimitive> SymbolPrimitives(TBackGroundSymbol symbol, int clientWidth,
                                              int clientHeight);

enum class GlassTextAlign { Near, Centre, Far };

struct GlassCaptionLayout {
    GlassRect text;
    GlassPoint picture;  // top-left of the picture, when there is one
    GlassTextAlign horizontal = GlassTextAlign::Centre;
    GlassTextAlign vertical = GlassTextAlign::Centre;
};

GlassCaptionLayout LayoutCaption(TButtonLayout layout, int clientWidth, int clientHeight,
                                 int pictureWidth, int pictureHeight, bool captionShown);

}  // namespace quill::widgets
