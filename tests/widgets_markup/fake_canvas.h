// A canvas whose measurements are known exactly: every character is 10 pixels
// wide and a line is twice the font's point size high. It records what the
// renderer draws.
#pragma once

#include "widgets/MarkupLayout.h"

#include <map>
#include <string>
#include <vector>

namespace quill::widgets::markup::testing {

struct DrawnText {
    MarkupFont font;
    std::string text;
    MarkupPoint at;
    TColor color;
};

struct DrawnUnderline {
    MarkupPoint at;
    int width;
};

class FakeCanvas : public MarkupCanvas {
public:
    static constexpr int kCharWidth = 10;

    MarkupSize MeasureText(const MarkupFont& font, std::string_view text) override {
        measured.emplace_back(text);
        return {static_cast<float>(kCharWidth * text.size()), static_cast<float>(2 * font.Size)};
    }
    std::optional<MarkupPoint> ImageSize(const MarkupImage& image) override {
        if (image.Kind == MarkupImage::Source::ImageList)
            return image.Index >= 0 && image.Index < 2 ? std::optional<MarkupPoint>({16, 16})
                                                       : std::nullopt;
        if (image.Kind != MarkupImage::Source::Picture) return MarkupPoint{32, 32};
        auto it = pictures.find(image.Name);
        if (it == pictures.end()) return std::nullopt;
        if (image.Width >= 1 && image.Height >= 1) return MarkupPoint{image.Width, image.Height};
        return it->second;
    }
    void DrawText(const MarkupFont& font, std::string_view text, MarkupPoint at,
                  TColor color) override {
        texts.push_back({font, std::string(text), at, color});
    }
    void DrawUnderline(const MarkupFont&, MarkupPoint at, int width, TColor) override {
        underlines.push_back({at, width});
    }
    void FillRect(const MarkupRect& rect, TColor color) override { fills.push_back({rect, color}); }
    void DrawLine(MarkupPoint from, MarkupPoint to, TColor color) override {
        lines.push_back({from, to, color});
    }
    void DrawPolyline(std::span<const MarkupPoint> points, TColor color) override {
        polylines.emplace_back(points.begin(), points.end());
        polylineColors.push_back(color);
    }
    void DrawImage(const MarkupImage& image, const MarkupRect& rect) override {
        images.push_back({image, rect});
    }

    // All drawn texts joined, in drawing order.
    std::string JoinedText() const {
        std::string all;
        for (const auto& t : texts) all += t.text;
        return all;
    }
    int DrawCalls() const {
        return static_cast<int>(texts.size() + underlines.size() + fills.size() + lines.size() +
                                polylines.size() + images.size());
    }

    std::map<std::string, MarkupPoint> pictures{{"pic", {20, 30}}, {"alt", {40, 10}}};
    std::vector<std::string> measured;
    std::vector<DrawnText> texts;
    std::vector<DrawnUnderline> underlines;
    struct Fill {
        MarkupRect rect;
        TColor color;
    };
    std::vector<Fill> fills;
    struct Line {
        MarkupPoint from, to;
        TColor color;
    };
    std::vector<Line> lines;
    std::vector<std::vector<MarkupPoint>> polylines;
    std::vector<TColor> polylineColors;
    struct Image {
        MarkupImage image;
        MarkupRect rect;
    };
    std::vector<Image> images;
};

}  // namespace quill::widgets::markup::testing
