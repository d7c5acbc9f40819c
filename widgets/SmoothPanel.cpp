#include "widgets/SmoothPanel.h"

#include <cmath>
#include <memory>

namespace quill::widgets {
namespace {

constexpr int kParagraphSpacing = 2;

int RoundToInt(float value) {
    return static_cast<int>(std::lround(value));
}

PictureCorner CornerOf(TFillPicturePosition position) {
    switch (position) {
        case ppTopLeft:
            return PictureCorner::TopLeft;
        case ppTopRight:
            return PictureCorner::TopRight;
        case ppBottomLeft:
            return PictureCorner::BottomLeft;
        case ppBottomRight:
            return PictureCorner::BottomRight;
        default:
            return PictureCorner::Other;
    }
}

// The caption's font family, or Arial when GDI+ does not know the family or
// the family lacks the style.
std::unique_ptr<Gdiplus::FontFamily> CaptionFamily(const tk::TFont& font, int style) {
    auto family = std::make_unique<Gdiplus::FontFamily>(tk::ToWide(font.Name()).c_str());
    if (family->GetLastStatus() == Gdiplus::Ok && family->IsStyleAvailable(style)) return family;
    family = std::make_unique<Gdiplus::FontFamily>(L"Arial");
    if (family->GetLastStatus() == Gdiplus::Ok) return family;
    // Not even Arial (wine has none): the caption still shows, in the system's sans serif.
    return std::unique_ptr<Gdiplus::FontFamily>(Gdiplus::FontFamily::GenericSansSerif()->Clone());
}

// The caption text's brush over its measured box; null for gradient types
// that have no brush (no text is drawn then).
std::unique_ptr<Gdiplus::Brush> CaptionBrush(const TSmoothPanelCaption& caption,
                                             const Gdiplus::Rect& box) {
    const Gdiplus::Color start = GdipColor(caption.ColorStart(), caption.OpacityStart());
    const Gdiplus::Color end =
        caption.ColorEnd() == clNone ? start : GdipColor(caption.ColorEnd(), caption.OpacityEnd());
    const Gdiplus::Point topLeft(box.X, box.Y);
    auto linear = [&](Gdiplus::Point from, Gdiplus::Point to) {
        auto brush = std::make_unique<Gdiplus::LinearGradientBrush>(from, to, start, end);
        brush->SetWrapMode(Gdiplus::WrapModeTile);
        return brush;
    };
    switch (caption.GradientType()) {
        case gtSolid:
            return std::make_unique<Gdiplus::SolidBrush>(start);
        case gtVertical:
            return linear(topLeft, {box.X, box.Y + box.Height});
        case gtHorizontal:
            return linear(topLeft, {box.X + box.Width, box.Y});
        case gtForwardDiagonal:
            return linear(topLeft, {box.X + box.Width, box.Y + box.Height});
        case gtBackwardDiagonal:
            return linear({box.X, box.Y + box.Height}, {box.X + box.Width, box.Y});
        case gtHatch:
            return std::make_unique<Gdiplus::HatchBrush>(caption.HatchStyle(), start, end);
        case gtTexture:
            if (auto image = caption.Picture().Decode())
                return std::make_unique<Gdiplus::TextureBrush>(image.get(), Gdiplus::WrapModeTile);
            return nullptr;
        default:
            return nullptr;
    }
}

}  // namespace

// ---------------------------------------------------------------- caption

TSmoothPanelCaption::TSmoothPanelCaption() {
    FFont.SetName("Tahoma");
    FFont.SetSize(12);
    FHTMLFont.SetName("Tahoma");
    FFont.OnChange.Assign([this](tk::TObject*) { Changed(); });
    FHTMLFont.OnChange.Assign([this](tk::TObject*) { Changed(); });
    FPicture.OnChange.Assign([this](tk::TObject*) { Changed(); });
}

template <class T>
void TSmoothPanelCaption::Update(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
}

void TSmoothPanelCaption::SetText(const std::string& value) {
    Update(FText, value);
}
void TSmoothPanelCaption::SetLocation(TSmoothPanelLocation value) {
    Update(FLocation, value);
}
void TSmoothPanelCaption::SetLeft(int value) {
    Update(FLeft, value);
}
void TSmoothPanelCaption::SetTop(int value) {
    Update(FTop, value);
}
void TSmoothPanelCaption::SetColorStart(TColor value) {
    Update(FColorStart, value);
}
void TSmoothPanelCaption::SetColorEnd(TColor value) {
    Update(FColorEnd, value);
}
void TSmoothPanelCaption::SetOpacityStart(std::uint8_t value) {
    Update(FOpacityStart, value);
}
void TSmoothPanelCaption::SetOpacityEnd(std::uint8_t value) {
    Update(FOpacityEnd, value);
}
void TSmoothPanelCaption::SetGradientType(TGradientType value) {
    Update(FGradientType, value);
}
void TSmoothPanelCaption::SetHatchStyle(quill::widgets::HatchStyle value) {
    Update(FHatchStyle, value);
}
void TSmoothPanelCaption::SetLine(bool value) {
    Update(FLine, value);
}
void TSmoothPanelCaption::SetLineColor(TColor value) {
    Update(FLineColor, value);
}
void TSmoothPanelCaption::SetHTMLText(const std::string& value) {
    Update(FHTMLText, value);
}
void TSmoothPanelCaption::SetHTMLLocation(TSmoothPanelLocation value) {
    Update(FHTMLLocation, value);
}
void TSmoothPanelCaption::SetHTMLLeft(int value) {
    Update(FHTMLLeft, value);
}
void TSmoothPanelCaption::SetHTMLTop(int value) {
    Update(FHTMLTop, value);
}
void TSmoothPanelCaption::SetHTMLURLColor(TColor value) {
    Update(FHTMLURLColor, value);
}
void TSmoothPanelCaption::SetHTMLShadowColor(TColor value) {
    Update(FHTMLShadowColor, value);
}
void TSmoothPanelCaption::SetHTMLShadowOffset(int value) {
    Update(FHTMLShadowOffset, value);
}

void TSmoothPanelCaption::Assign(const TSmoothPanelCaption& source) {
    if (&source == this) return;
    // One change for the whole copy: the events of the parts are held back.
    tk::TNotifyEvent held = std::move(OnChange);
    OnChange.Clear();
    FText = source.FText;
    FLocation = source.FLocation;
    FLeft = source.FLeft;
    FTop = source.FTop;
    FColorStart = source.FColorStart;
    FColorEnd = source.FColorEnd;
    FGradientType = source.FGradientType;
    FHatchStyle = source.FHatchStyle;
    FOpacityStart = source.FOpacityStart;
    FOpacityEnd = source.FOpacityEnd;
    FPicture.Assign(source.FPicture);
    FHTMLText = source.FHTMLText;
    FHTMLLocation = source.FHTMLLocation;
    FHTMLLeft = source.FHTMLLeft;
    FHTMLTop = source.FHTMLTop;
    FHTMLURLColor = source.FHTMLURLColor;
    FHTMLShadowColor = source.FHTMLShadowColor;
    FHTMLShadowOffset = source.FHTMLShadowOffset;
    FHTMLFont = source.FHTMLFont;
    FFont = source.FFont;
    FLine = source.FLine;
    FLineColor = source.FLineColor;
    OnChange = std::move(held);
    Changed();
}

// ---------------------------------------------------------------- panel

TSmoothPanel::TSmoothPanel(tk::TComponent* AOwner) : tk::TCustomControl(AOwner) {
    SetDoubleBuffered(true);
    // The rounded corners and the shadow show what the parent paints under the panel.
    SetParentBackground(true);
    SetBounds(Left(), Top(), 256, 128);
    FFill.OnChange.Assign([this](tk::TObject*) { Invalidate(); });
    FCaption.OnChange.Assign([this](tk::TObject*) { Invalidate(); });
}

TSmoothPanel::~TSmoothPanel() {
    FFill.OnChange.Clear();
    FCaption.OnChange.Clear();
}

void TSmoothPanel::CreateParams(TCreateParams& params) {
    tk::TCustomControl::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(WS_BORDER);
}

void TSmoothPanel::Assign(const TSmoothPanel& source) {
    if (&source == this) return;
    FCaption.Assign(source.FCaption);
    FFill.Assign(source.FFill);
    Invalidate();
}

void TSmoothPanel::SetImages(TImageList* value) {
    if (FImages == value) return;
    FImages = value;
    Invalidate();
}

void TSmoothPanel::SetPictureContainer(TPictureContainer* value) {
    if (FPictureContainer == value) return;
    FPictureContainer = value;
    Invalidate();
}

void TSmoothPanel::Notification(tk::TComponent* component, tk::TOperation operation) {
    tk::TCustomControl::Notification(component, operation);
    if (operation != tk::TOperation::opRemove) return;
    if (component == FImages) SetImages(nullptr);
    if (component == FPictureContainer) SetPictureContainer(nullptr);
}

void TSmoothPanel::SetCursor(tk::TCursor cursor) {
    FNormalCursor = cursor;
    tk::TCustomControl::SetCursor(cursor);
}

int TSmoothPanel::ShadowSpace() const {
    return FFill.ShadowColor() != clNone ? FFill.ShadowOffset() : 0;
}

void TSmoothPanel::Paint() {
    if (Width() > 1 && Height() > 1) {
        Gdiplus::Graphics graphics(Canvas().Handle());
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        DrawPanel(graphics);
    }
    OnDraw(this, Canvas(), ClientRect());
}

void TSmoothPanel::DrawPanel(Gdiplus::Graphics& graphics) {
    const bool border = FFill.BorderColor() != clNone && FFill.BorderWidth() != 0;
    // A border pen is centred on the outline: one pixel less keeps it inside.
    const Gdiplus::RectF fillRect(0, 0, static_cast<Gdiplus::REAL>(Width() - (border ? 1 : 0)),
                                  static_cast<Gdiplus::REAL>(Height() - (border ? 1 : 0)));
    const Gdiplus::RectF used = FFill.DrawFill(&graphics, fillRect, 255, 255, 255, 255, 255);
    const int captionHeight = FCaption.Text().empty() ? 0 : DrawCaptionText(graphics, used);
    if (!FCaption.HTMLText().empty()) DrawMarkupCaption(graphics, used, captionHeight);
}

int TSmoothPanel::DrawCaptionText(Gdiplus::Graphics& graphics, const Gdiplus::RectF& used) {
    const tk::TFont& font = FCaption.Font();
    int style = Gdiplus::FontStyleRegular;
    if (font.Style() & tk::fsBold) style |= Gdiplus::FontStyleBold;
    if (font.Style() & tk::fsItalic) style |= Gdiplus::FontStyleItalic;
    if (font.Style() & tk::fsUnderline) style |= Gdiplus::FontStyleUnderline;
    const auto family = CaptionFamily(font, style);
    const Gdiplus::Font gdipFont(family.get(), static_cast<Gdiplus::REAL>(font.Size()), style,
                                 Gdiplus::UnitPoint);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);

    CaptionTextArea area{used.X, used.Width, 0};
    const TGDIPPicture& picture = FFill.Picture();
    if (!picture.Empty()) {
        const int pictureWidth =
            FFill.PictureSize() == psOriginal ? picture.Width() : FFill.PictureWidth();
        area = MakeRoomForPicture(CornerOf(FFill.PicturePosition()), FCaption.Location(), area.X,
                                  area.W, static_cast<float>(pictureWidth));
    }

    const std::wstring text = tk::ToWide(FCaption.Text());
    const Gdiplus::StringFormat format(0);
    Gdiplus::RectF measured;
    graphics.MeasureString(text.c_str(), static_cast<INT>(text.size()), &gdipFont,
                           Gdiplus::RectF(area.X, used.Y, area.W - area.Reduction, used.Height),
                           &format, &measured);
    const int tw = RoundToInt(measured.Width);
    const int th = RoundToInt(measured.Height);
    const markup::MarkupPoint at = CaptionPlacement(
        FCaption.Location(), tw, th, RoundToInt(area.X), RoundToInt(used.Y), RoundToInt(area.W),
        RoundToInt(used.Height), {FCaption.Left(), FCaption.Top()});

    if (auto brush = CaptionBrush(FCaption, Gdiplus::Rect(at.X, at.Y, tw, th))) {
        const Gdiplus::RectF layout(
            static_cast<Gdiplus::REAL>(at.X), static_cast<Gdiplus::REAL>(at.Y),
            static_cast<Gdiplus::REAL>(RoundToInt(area.W - 2 - area.Reduction)),
            static_cast<Gdiplus::REAL>(Height() - ShadowSpace() - 1));
        graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), &gdipFont, layout, &format,
                            brush.get());
    }

    if (FCaption.LineColor() != clNone && FCaption.Line()) {
        const int lineY = IsBottomLocation(FCaption.Location()) ? at.Y - 2 : at.Y + th;
        const Gdiplus::Pen pen(GdipColor(FCaption.LineColor(), 255), 1.0f);
        graphics.DrawLine(&pen, RoundToInt(area.X + 2), lineY, RoundToInt(area.W - 2), lineY);
    }
    return th;
}

markup::MarkupParams TSmoothPanel::MarkupParamsFor(const markup::MarkupRect& rect) const {
    markup::MarkupParams p;
    p.BaseFont = MarkupFontOf(FCaption.HTMLFont());
    p.Text = FCaption.HTMLText();
    p.ParagraphSpacing = kParagraphSpacing;
    p.AnchorColor = FCaption.HTMLURLColor();
    p.ShadowColor = FCaption.HTMLShadowColor();
    p.ShadowOffset = FCaption.HTMLShadowOffset();
    p.Rect = rect;
    p.HoverImage = FHoverImage;
    return p;
}

void TSmoothPanel::DrawMarkupCaption(Gdiplus::Graphics& graphics, Gdiplus::RectF used, int top) {
    const TSmoothPanelLocation location = FCaption.HTMLLocation();
    const int space = Width() - ShadowSpace() - 2 * FFill.BorderWidth();
    markup::MarkupParams p =
        MarkupParamsFor(MarkupMeasureRect(location, FCaption.HTMLLeft(), space, top));
    p.MeasureOnly = true;
    const markup::MarkupResult size = DrawMarkup(graphics, p, FPictureContainer, FImages);

    used.Height -= static_cast<Gdiplus::REAL>(top);
    p.Rect = MarkupFinalRect(location, {FCaption.HTMLLeft(), FCaption.HTMLTop()}, space, top,
                             size.Width, size.Height, RoundToInt(used.X), RoundToInt(used.Y),
                             RoundToInt(used.Width), RoundToInt(used.Height));
    p.MeasureOnly = false;
    DrawMarkup(graphics, p, FPictureContainer, FImages);
    FHTMLRect = p.Rect;
}

markup::MarkupResult TSmoothPanel::HitTest(int x, int y) {
    const markup::MarkupPoint point{x, y};
    if (FCaption.HTMLText().empty() || !FHTMLRect.Contains(point)) return {};
    // Measuring needs a graphics object only: the canvas's measuring context serves.
    Gdiplus::Graphics graphics(Canvas().Handle());
    markup::MarkupParams p = MarkupParamsFor(FHTMLRect);
    p.MeasureOnly = true;
    p.HitPoint = point;
    return DrawMarkup(graphics, p, FPictureContainer, FImages);
}

std::string TSmoothPanel::AnchorAt(int x, int y) {
    return HitTest(x, y).Anchor;
}

void TSmoothPanel::MouseMove(tk::TShiftState shift, int x, int y) {
    tk::TCustomControl::MouseMove(shift, x, y);
    const markup::MarkupResult hit = HitTest(x, y);
    if (hit.ImageIndex != FHoverImage) {
        FHoverImage = hit.ImageIndex;  // an ALT picture may show now, or stop showing
        Invalidate();
    }
    if (hit.OverAnchor == FOverAnchor) return;
    FOverAnchor = hit.OverAnchor;
    const tk::TCursor cursor = FOverAnchor ? tk::crHandPoint : FNormalCursor;
    tk::TCustomControl::SetCursor(cursor);
    // The system shows a cursor change at the next mouse move only; show it now.
    if (cursor != tk::crDefault) ::SetCursor(tk::CursorHandle(cursor));
}

void TSmoothPanel::MouseDown(tk::TMouseButton button, tk::TShiftState shift, int x, int y) {
    tk::TCustomControl::MouseDown(button, shift, x, y);
    if (!FOverAnchor) return;
    const markup::MarkupResult hit = HitTest(x, y);
    if (hit.OverAnchor) OnAnchorClick(this, hit.Anchor);
}

void TSmoothPanel::Resize() {
    tk::TCustomControl::Resize();
    Invalidate();
}

void TSmoothPanel::Moved() {
    tk::TCustomControl::Moved();
    // The parent's image under the shadow changes with the position.
    if (FFill.ShadowColor() != clNone && FFill.ShadowOffset() > 0) Invalidate();
}

}  // namespace quill::widgets
