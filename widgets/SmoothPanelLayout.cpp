#include "widgets/SmoothPanelLayout.h"

#include <algorithm>

namespace quill::widgets {

bool IsBottomLocation(TSmoothPanelLocation location) {
    return location == plBottomLeft || location == plBottomCenter || location == plBottomRight;
}

markup::MarkupPoint CaptionPlacement(TSmoothPanelLocation location, int tw, int th, int x, int y,
                                     int w, int h, markup::MarkupPoint custom) {
    if (location == plCustom) return custom;
    const int left = x;
    const int centre = std::max(w - tw, x) / 2;
    const int right = std::max(w - tw, x);
    const int middle = (h - th) / 2;
    const int bottom = h - th;
    switch (location) {
        case plTopLeft:
            return {left, y};
        case plTopCenter:
            return {centre, y};
        case plTopRight:
            return {right, y};
        case plCenterLeft:
            return {left, middle};
        case plCenterCenter:
            return {centre, middle};
        case plCenterRight:
            return {right, middle};
        case plBottomLeft:
            return {left, bottom};
        case plBottomCenter:
            return {centre, bottom};
        case plBottomRight:
            return {right, bottom};
        case plCustom:
            break;
    }
    return custom;
}

CaptionTextArea MakeRoomForPicture(PictureCorner corner, TSmoothPanelLocation location, float x,
                                   float w, float pictureWidth) {
    CaptionTextArea area{x, w, 0};
    const bool top = location == plTopLeft || location == plTopRight;
    const bool bottom = location == plBottomLeft || location == plBottomRight;
    if ((corner == PictureCorner::TopLeft && top) ||
        (corner == PictureCorner::BottomLeft && bottom)) {
        area.X += pictureWidth;
        area.Reduction = pictureWidth;
    } else if ((corner == PictureCorner::TopRight && top) ||
               (corner == PictureCorner::BottomRight && bottom)) {
        area.W -= pictureWidth;
    }
    return area;
}

markup::MarkupRect MarkupMeasureRect(TSmoothPanelLocation location, int htmlLeft, int space,
                                     int top) {
    if (location == plCustom) return {0, top, space - htmlLeft, 10000};
    return {htmlLeft, top, space, 10000};
}

markup::MarkupRect MarkupFinalRect(TSmoothPanelLocation location, markup::MarkupPoint htmlPos,
                                   int space, int top, int measuredWidth, int measuredHeight,
                                   int usedX, int usedY, int usedW, int usedH) {
    if (location == plCustom) return {htmlPos.X, htmlPos.Y, space, htmlPos.Y + measuredHeight};
    const markup::MarkupPoint at = CaptionPlacement(location, measuredWidth, measuredHeight, usedX,
                                                    usedY, usedW, usedH - top, htmlPos);
    return {at.X, at.Y + top, at.X + measuredWidth, at.Y + top + measuredHeight};
}

}  // namespace quill::widgets
