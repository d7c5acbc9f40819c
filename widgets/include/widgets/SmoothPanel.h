// The smooth panel: a windowed container that paints a gradient fill over its
// client area, a caption drawn with a gradient brush and underlined, and an
// optional markup caption whose anchors can be clicked. Its rounded corners
// and shadow show the parent's image painted under the panel.
#pragma once

#include "widgets/GDIPFill.h"
#include "widgets/MarkupGdip.h"
#include "widgets/MarkupImages.h"
#include "widgets/SmoothPanelLayout.h"

#include "toolkit/Controls.h"

#include <string>

namespace quill::widgets {

// Caption settings of a smooth panel; every change raises OnChange once.
class TSmoothPanelCaption : public tk::TObject {
public:
    TSmoothPanelCaption();
    TSmoothPanelCaption(const TSmoothPanelCaption&) = delete;
    TSmoothPanelCaption& operator=(const TSmoothPanelCaption&) = delete;

    // Copies every value (LineColor too) and raises one change.
    void Assign(const TSmoothPanelCaption& source);

    const std::string& Text() const { return FText; }
    void SetText(const std::string& value);
    TSmoothPanelLocation Location() const { return FLocation; }
    void SetLocation(TSmoothPanelLocation value);
    int Left() const { return FLeft; }
    void SetLeft(int value);
    int Top() const { return FTop; }
    void SetTop(int value);
    tk::TFont& Font() { return FFont; }
    const tk::TFont& Font() const { return FFont; }
    void SetFont(const tk::TFont& value) { FFont = value; }
    TColor ColorStart() const { return FColorStart; }
    void SetColorStart(TColor value);
    TColor ColorEnd() const { return FColorEnd; }
    void SetColorEnd(TColor value);
    std::uint8_t OpacityStart() const { return FOpacityStart; }
    void SetOpacityStart(std::uint8_t value);
    std::uint8_t OpacityEnd() const { return FOpacityEnd; }
    void SetOpacityEnd(std::uint8_t value);
    TGradientType GradientType() const { return FGradientType; }
    void SetGradientType(TGradientType value);
    quill::widgets::HatchStyle HatchStyle() const { return FHatchStyle; }
    void SetHatchStyle(quill::widgets::HatchStyle value);
    TGDIPPicture& Picture() { return FPicture; }
    const TGDIPPicture& Picture() const { return FPicture; }
    void SetPicture(const TGDIPPicture& value) { FPicture.Assign(value); }
    bool Line() const { return FLine; }
    void SetLine(bool value);
    TColor LineColor() const { return FLineColor; }
    void SetLineColor(TColor value);
    const std::string& HTMLText() const { return FHTMLText; }
    void SetHTMLText(const std::string& value);
    tk::TFont& HTMLFont() { return FHTMLFont; }
    const tk::TFont& HTMLFont() const { return FHTMLFont; }
    void SetHTMLFont(const tk::TFont& value) { FHTMLFont = value; }
    TSmoothPanelLocation HTMLLocation() const { return FHTMLLocation; }
    void SetHTMLLocation(TSmoothPanelLocation value);
    int HTMLLeft() const { return FHTMLLeft; }
    void SetHTMLLeft(int value);
    int HTMLTop() const { return FHTMLTop; }
    void SetHTMLTop(int value);
    TColor HTMLURLColor() const { return FHTMLURLColor; }
    void SetHTMLURLColor(TColor value);
    TColor HTMLShadowColor() const { return FHTMLShadowColor; }
    void SetHTMLShadowColor(TColor value);
    int HTMLShadowOffset() const { return FHTMLShadowOffset; }
    void SetHTMLShadowOffset(int value);

    tk::TNotifyEvent OnChange;

private:
    void Changed() { OnChange(this); }
    template <class T>
    void Update(T& field, const T& value);

    std::string FText;
    TSmoothPanelLocation FLocation = plTopLeft;
    int FLeft = 0;
    int FTop = 0;
    tk::TFont FFont;
    TColor FColorStart = 16777215;
    TColor FColorEnd = 12632256;
    std::uint8_t FOpacityStart = 255;
    std::uint8_t FOpacityEnd = 255;
    TGradientType FGradientType = gtVertical;
    quill::widgets::HatchStyle FHatchStyle = Gdiplus::HatchStyleHorizontal;
    TGDIPPicture FPicture;
    bool FLine = true;
    TColor FLineColor = 11563548;
    std::string FHTMLText;
    tk::TFont FHTMLFont;
    TSmoothPanelLocation FHTMLLocation = plCenterCenter;
    int FHTMLLeft = 0;
    int FHTMLTop = 0;
    TColor FHTMLURLColor = 16711680;
    TColor FHTMLShadowColor = 8421504;
    int FHTMLShadowOffset = 5;
};

class TSmoothPanel : public tk::TCustomControl {
public:
    using TAnchorClickEvent = tk::TEvent<void(tk::TObject* Sender, const std::string& Anchor)>;
    using TDrawEvent = tk::TEvent<void(tk::TObject* Sender, tk::TCanvas& Canvas, RECT Rect)>;

    explicit TSmoothPanel(tk::TComponent* AOwner);
    ~TSmoothPanel() override;

    // Copies the caption's and the fill's values of another panel.
    void Assign(const TSmoothPanel& source);

    TSmoothPanelCaption& Caption() { return FCaption; }
    const TSmoothPanelCaption& Caption() const { return FCaption; }
    void SetCaption(const TSmoothPanelCaption& value) { FCaption.Assign(value); }
    TGDIPFill& Fill() { return FFill; }
    const TGDIPFill& Fill() const { return FFill; }
    void SetFill(const TGDIPFill& value) { FFill.Assign(value); }
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* value);
    TPictureContainer* PictureContainer() const { return FPictureContainer; }
    void SetPictureContainer(TPictureContainer* value);
    std::string Version() const { return "1.0.4.1"; }
    void SetVersion(const std::string&) {}
    // The cursor set here is the panel's normal one; over an anchor the panel
    // shows the hand and comes back to it afterwards.
    void SetCursor(tk::TCursor cursor);

    // Where the markup caption was drawn at the last paint (empty before).
    markup::MarkupRect HTMLRect() const { return FHTMLRect; }
    bool OverAnchor() const { return FOverAnchor; }
    // The anchor of the markup caption under a client point ("" when none).
    std::string AnchorAt(int x, int y);

    TAnchorClickEvent OnAnchorClick;
    TDrawEvent OnDraw;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void Resize() override;
    void Moved() override;
    void MouseMove(tk::TShiftState shift, int x, int y) override;
    void MouseDown(tk::TMouseButton button, tk::TShiftState shift, int x, int y) override;
    void Notification(tk::TComponent* component, tk::TOperation operation) override;

private:
    void DrawPanel(Gdiplus::Graphics& graphics);
    // Draws the plain caption; returns its measured height (0 when none).
    int DrawCaptionText(Gdiplus::Graphics& graphics, const Gdiplus::RectF& used);
    void DrawMarkupCaption(Gdiplus::Graphics& graphics, Gdiplus::RectF used, int top);
    markup::MarkupParams MarkupParamsFor(const markup::MarkupRect& rect) const;
    markup::MarkupResult HitTest(int x, int y);
    int ShadowSpace() const;

    TSmoothPanelCaption FCaption;
    TGDIPFill FFill;
    TImageList* FImages = nullptr;                   // not owned
    TPictureContainer* FPictureContainer = nullptr;  // not owned
    tk::TCursor FNormalCursor = tk::crDefault;
    markup::MarkupRect FHTMLRect;
    bool FOverAnchor = false;
    int FHoverImage = 0;
};

}  // namespace quill::widgets
