// Where the smooth panel puts its captions: the placement table, the room
// made for the fill's picture, and the rectangles of the markup caption.
#pragma once

#include "widgets/MarkupLayout.h"

namespace quill::widgets {

enum TSmoothPanelLocation {
    plTopLeft,
    plTopCenter,
    plTopRight,
    plCenterLeft,
    plCenterCenter,
    plCenterRight,
    plBottomLeft,
    plBottomCenter,
    plBottomRight,
    plCustom
};

bool IsBottomLocation(TSmoothPanelLocation location);

// Top-left corner of a caption of size tw x th in the area (x, y, w, h). The
// centre and bottom rows measure from 0, not from y; x only bounds the centred
// and right-aligned positions from below. custom is used for plCustom.
markup::MarkupPoint CaptionPlacement(TSmoothPanelLocation location, int tw, int th, int x, int y,
                                     int w, int h, markup::MarkupPoint custom);

// The corner of the panel the fill's foreground picture is placed in, when it
// is one the caption has to make room for.
enum class PictureCorner { Other, TopLeft, TopRight, BottomLeft, BottomRight };

struct CaptionTextArea {
    float X = 0;
    float W = 0;
    float Reduction = 0;  // taken off the text width on top of W
};

// Moves the plain caption's area out of the way of a picture pictureWidth
// wide in the given corner.
CaptionTextArea MakeRoomForPicture(PictureCorner corner, TSmoothPanelLocation location, float x,
                                   float w, float pictureWidth);

// The markup caption's rectangles. space = the panel's width less the shadow
// and both borders; top = the plain caption's height.
markup::MarkupRect MarkupMeasureRect(TSmoothPanelLocation location, int htmlLeft, int space,
                                     int top);
markup::MarkupRect MarkupFinalRect(TSmoothPanelLocation location, markup::MarkupPoint htmlPos,
                                   int space, int top, int measuredWidth, int measuredHeight,
                                   int usedX, int usedY, int usedW, int usedH);

}  // namespace quill::widgets
