#include "widgets/MarkupGdip.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace quill::widgets {
namespace {

using markup::MarkupFont;
using markup::MarkupImage;
using markup::MarkupPoint;
using markup::MarkupRect;

struct IconDeleter {
    void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
using IconPtr = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

IconPtr SystemIcon(const std::string& path, bool large) {
    SHFILEINFOA info{};
    const UINT flags = SHGFI_ICON | (large ? SHGFI_LARGEICON : SHGFI_SMALLICON);
    if (!::SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), flags) || !info.hIcon)
        return nullptr;
    return IconPtr(info.hIcon);
}

MarkupPoint SystemIconSize(bool large) {
    return large ? MarkupPoint{::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)}
                 : MarkupPoint{::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)};
}

Gdiplus::Color Opaque(markup::TColor color) {
    return GdipColor(color, 255);
}

}  // namespace

struct TGdipMarkupCanvas::CachedFont {
    MarkupFont key;
    std::unique_ptr<Gdiplus::FontFamily> family;
    std::unique_ptr<Gdiplus::Font> font;
    bool symbol = false;  // a symbol font: its glyphs sit at U+F000 + code
    float ascent = 0;     // pixels from the top of a text line to its baseline
    float emPixels = 0;
};

markup::MarkupFont MarkupFontOf(const tk::TFont& font) {
    MarkupFont f;
    f.Name = font.Name();
    f.Size = std::max(font.Size(), 1);
    f.Bold = (font.Style() & tk::fsBold) != 0;
    f.Italic = (font.Style() & tk::fsItalic) != 0;
    f.Underline = (font.Style() & tk::fsUnderline) != 0;
    f.StrikeOut = (font.Style() & tk::fsStrikeOut) != 0;
    f.Color = font.Color();
    return f;
}

TGdipMarkupCanvas::TGdipMarkupCanvas(Gdiplus::Graphics& graphics, const TPictureContainer* pictures,
                                     const TImageList* images)
    : FGraphics(graphics), FPictures(pictures), FImages(images) {
}

TGdipMarkupCanvas::~TGdipMarkupCanvas() = default;

const TGdipMarkupCanvas::CachedFont& TGdipMarkupCanvas::FontFor(const MarkupFont& font) {
    for (const auto& cached : FFonts)
        if (cached->key == font) return *cached;
    auto cached = std::make_unique<CachedFont>();
    cached->key = font;
    cached->family = std::make_unique<Gdiplus::FontFamily>(tk::ToWide(font.Name).c_str());
    if (cached->family->GetLastStatus() != Gdiplus::Ok) {
        // A face the system does not have: text still shows, in a plain face.
        cached->family.reset(Gdiplus::FontFamily::GenericSansSerif()->Clone());
    } else {
        cached->symbol = _stricmp(font.Name.c_str(), "Symbol") == 0;
    }
    int style = Gdiplus::FontStyleRegular;
    if (font.Bold) style |= Gdiplus::FontStyleBold;
    if (font.Italic) style |= Gdiplus::FontStyleItalic;
    if (font.Underline) style |= Gdiplus::FontStyleUnderline;
    if (font.StrikeOut) style |= Gdiplus::FontStyleStrikeout;
    cached->font = std::make_unique<Gdiplus::Font>(
        cached->family.get(), static_cast<Gdiplus::REAL>(font.Size), style, Gdiplus::UnitPoint);
    if (cached->font->GetLastStatus() != Gdiplus::Ok)  // style missing from the family
        cached->font = std::make_unique<Gdiplus::Font>(
            cached->family.get(), static_cast<Gdiplus::REAL>(font.Size), Gdiplus::FontStyleRegular,
            Gdiplus::UnitPoint);
    const int fontStyle = cached->font->GetStyle();
    const float emHeight = cached->family->GetEmHeight(fontStyle);
    cached->emPixels = cached->font->GetSize() * FGraphics.GetDpiY() / 72.0f;
    if (emHeight > 0)
        cached->ascent = cached->emPixels * cached->family->GetCellAscent(fontStyle) / emHeight;
    FFonts.push_back(std::move(cached));
    return *FFonts.back();
}

std::wstring TGdipMarkupCanvas::WideText(const CachedFont& font, std::string_view text) const {
    if (font.symbol) {
        std::wstring wide;
        for (char c : text)
            wide.push_back(static_cast<wchar_t>(0xF000 | static_cast<unsigned char>(c)));
        return wide;
    }
    if (font.key.Name == "Symbol" && text == "\xB7") return L"\x2022";  // no Symbol face here
    return tk::ToWide(std::string(text));
}

markup::MarkupSize TGdipMarkupCanvas::MeasureText(const MarkupFont& font, std::string_view text) {
    const CachedFont& f = FontFor(font);
    const std::wstring wide = WideText(f, text);
    Gdiplus::RectF bounds;
    FGraphics.MeasureString(wide.c_str(), static_cast<INT>(wide.size()), f.font.get(),
                            Gdiplus::PointF(0, 0), &bounds);
    if (wide.empty()) bounds.Height = f.font->GetHeight(&FGraphics);
    return {bounds.Width, bounds.Height};
}

std::optional<MarkupPoint> TGdipMarkupCanvas::ImageSize(const MarkupImage& image) {
    switch (image.Kind) {
        case MarkupImage::Source::ImageList:
            if (!FImages || !FImages->Get(image.Index)) return std::nullopt;
            return MarkupPoint{FImages->Width(), FImages->Height()};
        case MarkupImage::Source::SmallSystemIcon:
        case MarkupImage::Source::LargeSystemIcon: {
            const bool large = image.Kind == MarkupImage::Source::LargeSystemIcon;
            if (!SystemIcon(image.Name, large)) return std::nullopt;
            return SystemIconSize(large);
        }
        case MarkupImage::Source::Picture: {
            const TGDIPPicture* picture = FPictures ? FPictures->Find(image.Name) : nullptr;
            if (!picture || picture->Empty()) return std::nullopt;
            if (image.Width >= 1 && image.Height >= 1)
                return MarkupPoint{image.Width, image.Height};
            return MarkupPoint{picture->Width(), picture->Height()};
        }
    }
    return std::nullopt;
}

void TGdipMarkupCanvas::DrawText(const MarkupFont& font, std::string_view text, MarkupPoint at,
                                 markup::TColor color) {
    // The underline is DrawUnderline's, across the trailing blank too.
    MarkupFont plain = font;
    plain.Underline = false;
    const CachedFont& f = FontFor(plain);
    const std::wstring wide = WideText(f, text);
    Gdiplus::SolidBrush brush(Opaque(color));
    FGraphics.DrawString(
        wide.c_str(), static_cast<INT>(wide.size()), f.font.get(),
        Gdiplus::PointF(static_cast<Gdiplus::REAL>(at.X), static_cast<Gdiplus::REAL>(at.Y)),
        &brush);
}

void TGdipMarkupCanvas::DrawUnderline(const MarkupFont& font, MarkupPoint at, int width,
                                      markup::TColor color) {
    const CachedFont& f = FontFor(font);
    // Where GDI+ puts a font's own underline: a little below the baseline,
    // about a fourteenth of the em thick.
    const float thickness = std::max(1.0f, f.emPixels / 14.0f);
    const float y = static_cast<float>(at.Y) + f.ascent + thickness;
    Gdiplus::Pen pen(Opaque(color), thickness);
    FGraphics.DrawLine(&pen, static_cast<Gdiplus::REAL>(at.X), y,
                       static_cast<Gdiplus::REAL>(at.X + width), y);
}

void TGdipMarkupCanvas::FillRect(const MarkupRect& rect, markup::TColor color) {
    Gdiplus::SolidBrush brush(Opaque(color));
    FGraphics.FillRectangle(&brush, rect.Left, rect.Top, rect.Width(), rect.Height());
}

void TGdipMarkupCanvas::DrawLine(MarkupPoint from, MarkupPoint to, markup::TColor color) {
    Gdiplus::Pen pen(Opaque(color), 1.0f);
    FGraphics.DrawLine(&pen, from.X, from.Y, to.X, to.Y);
}

void TGdipMarkupCanvas::DrawPolyline(std::span<const MarkupPoint> points, markup::TColor color) {
    if (points.size() < 2) return;
    std::vector<Gdiplus::Point> gdip;
    gdip.reserve(points.size());
    for (const MarkupPoint& p : points) gdip.emplace_back(p.X, p.Y);
    Gdiplus::Pen pen(Opaque(color), 1.0f);
    FGraphics.DrawLines(&pen, gdip.data(), static_cast<INT>(gdip.size()));
}

void TGdipMarkupCanvas::DrawImage(const MarkupImage& image, const MarkupRect& rect) {
    const Gdiplus::Rect target(rect.Left, rect.Top, rect.Width(), rect.Height());
    switch (image.Kind) {
        case MarkupImage::Source::ImageList:
            if (FImages)
                if (const TGDIPPicture* picture = FImages->Get(image.Index))
                    picture->Draw(FGraphics, target);
            break;
        case MarkupImage::Source::SmallSystemIcon:
        case MarkupImage::Source::LargeSystemIcon:
            if (IconPtr icon =
                    SystemIcon(image.Name, image.Kind == MarkupImage::Source::LargeSystemIcon)) {
                Gdiplus::Bitmap bitmap(icon.get());
                FGraphics.DrawImage(&bitmap, target);
            }
            break;
        case MarkupImage::Source::Picture:
            if (FPictures)
                if (const TGDIPPicture* picture = FPictures->Find(image.Name))
                    picture->Draw(FGraphics, target);
            break;
    }
}

markup::MarkupResult DrawMarkup(Gdiplus::Graphics& graphics, const markup::MarkupParams& params,
                                const TPictureContainer* pictures, const TImageList* images) {
    const Gdiplus::TextRenderingHint hint = graphics.GetTextRenderingHint();
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);
    TGdipMarkupCanvas canvas(graphics, pictures, images);
    markup::MarkupResult result = markup::DrawMarkup(canvas, params);
    graphics.SetTextRenderingHint(hint);
    return result;
}

}  // namespace quill::widgets
