// Shows a form with each control of the toolkit, for a person to look at what it draws.
//   toolkit_gallery.exe [--close-after <ms>]
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/GdiPlus.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/WebBrowser.h"

using namespace tk;

namespace {

// A panel with a GDI+ gradient, standing for the custom panels of the dialog.
class TGradientPanel : public TCustomControl {
public:
    explicit TGradientPanel(TComponent* AOwner) : TCustomControl(AOwner) {
        SetDoubleBuffered(true);
    }

protected:
    void Paint() override {
        Gdiplus::Graphics g(Canvas().Handle());
        Gdiplus::LinearGradientBrush brush(Gdiplus::Point(0, 0), Gdiplus::Point(0, Height()),
                                           Gdiplus::Color(ColorToArgb(0xF6F0E9)),
                                           Gdiplus::Color(ColorToArgb(0xC78C5A)));
        g.FillRectangle(&brush, 0, 0, Width(), Height());
    }
};

// A round translucent button that shows the panel under its corners.
class TRoundButton : public TCustomControl {
public:
    explicit TRoundButton(TComponent* AOwner) : TCustomControl(AOwner) {
        SetDoubleBuffered(true);
        SetTabStop(true);
    }

protected:
    void Paint() override {
        DrawParentImage(Canvas().Handle());
        Gdiplus::Graphics g(Canvas().Handle());
        g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        Gdiplus::SolidBrush body(Gdiplus::Color(ColorToArgb(FHot ? clLime : 33023, 180)));
        g.FillEllipse(&body, 1, 1, Width() - 3, Height() - 3);
        Canvas().Font.SetColor(clWhite);
        Canvas().TextRect(ClientRect(), Caption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    void MouseEnter() override {
        FHot = true;
        Invalidate();
        TCustomControl::MouseEnter();
    }
    void MouseLeave() override {
        FHot = false;
        Invalidate();
        TCustomControl::MouseLeave();
    }

private:
    bool FHot = false;
};

class TGalleryForm : public TForm {
public:
    explicit TGalleryForm(TComponent* AOwner) : TForm(AOwner) {
        SetCaption("Toolkit gallery");
        SetBounds(0, 0, 571, 468);
        SetPosition(poScreenCenter);

        auto* back = new TGradientPanel(this);
        back->SetParent(this);
        back->SetAlign(alClient);

        auto* label = new TLabel(this);
        label->SetParent(back);
        label->SetBounds(24, 368, 0, 0);
        label->SetCaption("Versiunea instalata");
        auto* bold = new TLabel(this);
        bold->SetParent(back);
        bold->SetBounds(128, 368, 0, 0);
        bold->Font().SetStyle(fsBold);
        bold->SetCaption("1.2.3");
        auto* boxed = new TLabel(this);
        boxed->SetParent(back);
        boxed->SetBounds(128, 392, 0, 0);
        boxed->Font().SetStyle(fsBold);
        boxed->SetTransparent(false);
        boxed->SetColor(clYellow);
        boxed->SetCaption("1.2.3");

        auto* browser = new TWebBrowser(this);
        browser->SetParent(back);
        browser->SetBounds(8, 24, 297, 337);

        auto* round = new TRoundButton(this);
        round->SetParent(back);
        round->SetBounds(368, 160, 129, 65);
        round->SetCaption("Round button");
        round->OnClick.Assign(this, &TGalleryForm::RoundClick);

        FPanel = new TPanel(this);
        FPanel->SetParent(back);
        FPanel->SetBounds(320, 24, 220, 120);
        FPanel->SetShowCaption(false);

        FStatus = new TStaticText(this);
        FStatus->SetParent(FPanel);
        FStatus->SetBounds(8, 8, 0, 0);
        FStatus->SetCaption("stare");

        auto* edit = new TEdit(this);
        edit->SetParent(FPanel);
        edit->SetBounds(8, 32, 200, 21);
        edit->SetPasswordChar('*');
        edit->SetText("secret");

        auto* ok = new TButton(this);
        ok->SetParent(FPanel);
        ok->SetBounds(8, 64, 75, 25);
        ok->SetCaption("&OK");
        ok->SetDefault(true);
        ok->SetModalResult(mrOk);
        auto* cancel = new TButton(this);
        cancel->SetParent(FPanel);
        cancel->SetBounds(92, 64, 75, 25);
        cancel->SetCaption("&Cancel");
        cancel->SetCancel(true);
        cancel->SetModalResult(mrCancel);
    }

private:
    void RoundClick(TObject*) {
        FStatus->SetCaption("Clicked");
        FStatus->Repaint();
    }

    TPanel* FPanel;
    TStaticText* FStatus;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Application.Initialize();
    Application.SetTitle("Toolkit gallery");
    auto* form = new TGalleryForm(&Application);
    auto* closer = new TTimer(form);
    closer->SetEnabled(false);
    for (int i = 1; i + 1 < __argc; ++i)
        if (std::strcmp(__argv[i], "--close-after") == 0) {
            closer->SetInterval(static_cast<unsigned>(std::atoi(__argv[i + 1])));
            closer->OnTimer.Assign([form](TObject*) { form->Close(); });
            closer->SetEnabled(true);
        }
    form->ShowModal();
    return 0;
}
