// The markup renderer on GDI+: a MarkupCanvas that measures and draws with
// ClearType grid-fit text, and the one call the panel makes.
#pragma once

#include "widgets/MarkupImages.h"
#include "widgets/MarkupLayout.h"
#include "widgets/WidgetColor.h"

#include "toolkit/Graphics.h"

#include <memory>
#include <string>
#include <vector>

namespace quill::widgets {

// The markup base font of a toolkit font (name, points, style, colour).
markup::MarkupFont MarkupFontOf(const tk::TFont& font);

class TGdipMarkupCanvas : public markup::MarkupCanvas {
public:
    // Neither the graphics object nor the image sources are owned; the sources
    // may be null (their images then take no room).
    TGdipMarkupCanvas(Gdiplus::Graphics& graphics, const TPictureContainer* pictures,
                      const TImageList* images);
    ~TGdipMarkupCanvas() override;

    markup::MarkupSize MeasureText(const markup::MarkupFont& font, std::string_view text) override;
    std::optional<markup::MarkupPoint> ImageSize(const markup::MarkupImage& image) override;
    void DrawText(const markup::MarkupFont& font, std::string_view text, markup::MarkupPoint at,
                  markup::TColor color) override;
    void DrawUnderline(const markup::MarkupFont& font, markup::MarkupPoint at, int width,
                       markup::TColor color) override;
    void FillRect(const markup::MarkupRect& rect, markup::TColor color) override;
    void DrawLine(markup::MarkupPoint from, markup::MarkupPoint to, markup::TColor color) override;
    void DrawPolyline(std::span<const markup::MarkupPoint> points, markup::TColor color) override;
    void DrawImage(const markup::MarkupImage& image, const markup::MarkupRect& rect) override;

private:
    struct CachedFont;
    const CachedFont& FontFor(const markup::MarkupFont& font);
    std::wstring WideText(const CachedFont& font, std::string_view text) const;

    Gdiplus::Graphics& FGraphics;
    const TPictureContainer* FPictures;  // not owned
    const TImageList* FImages;           // not owned
    std::vector<std::unique_ptr<CachedFont>> FFonts;
};

// One markup call: lays out params.Text in params.Rect on graphics (drawing
// unless params.MeasureOnly) and answers sizes and the anchor under the point.
markup::MarkupResult DrawMarkup(Gdiplus::Graphics& graphics, const markup::MarkupParams& params,
                                const TPictureContainer* pictures, const TImageList* images);

}  // namespace quill::widgets
