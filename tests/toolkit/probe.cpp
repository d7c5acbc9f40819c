// A form without a frame at the screen's top-left corner, for clicks sent from outside
// (xdotool). Exits with 0 once the windowed, the windowless and the push-button target were
// clicked (the button's handler reports each click, so a doubled click shows),
// with 1 when nothing arrived in time.
//   toolkit_probe.exe --navigate <url>: instead shows a browser that navigates to the URL,
//   prints whether the browser exists and took the request, and closes after 3 seconds.
#include <windows.h>

#include <cstdio>
#include <string>

#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/WebBrowser.h"

using namespace tk;

namespace {

class TTarget : public TCustomControl {
public:
    using TCustomControl::TCustomControl;

protected:
    void Paint() override {
        Canvas().BrushColor = clLime;
        Canvas().FillRect(ClientRect());
    }
};

class TProbeForm : public TForm {
public:
    explicit TProbeForm(TComponent* owner) : TForm(owner) {
        SetCaption("Toolkit click probe");
        SetBorderStyle(bsNone);
        SetBounds(0, 0, 300, 200);
        auto* windowed = new TTarget(this);
        windowed->SetParent(this);
        windowed->SetBounds(50, 50, 100, 40);
        windowed->OnClick.Assign(this, &TProbeForm::WindowedClick);
        auto* windowless = new TLabel(this);
        windowless->SetParent(this);
        windowless->SetBounds(50, 120, 0, 0);
        windowless->SetCaption("Windowless target");
        windowless->OnClick.Assign(this, &TProbeForm::WindowlessClick);
        auto* button = new TButton(this);
        button->SetParent(this);
        button->SetBounds(180, 50, 75, 25);
        button->SetCaption("Button");
        button->OnClick.Assign(this, &TProbeForm::ButtonClick);
        auto* giveUp = new TTimer(this);
        giveUp->SetInterval(20000);
        giveUp->OnTimer.Assign(this, &TProbeForm::GiveUp);
    }
    bool Done() const { return FWindowed && FWindowless && FButtonClicks > 0; }

private:
    void WindowedClick(TObject*) {
        FWindowed = true;
        std::printf("windowed clicked\n");
        Finish();
    }
    void WindowlessClick(TObject*) {
        FWindowless = true;
        std::printf("windowless clicked\n");
        Finish();
    }
    void ButtonClick(TObject*) {
        ++FButtonClicks;
        std::printf("button clicks=%d\n", FButtonClicks);
        Finish();
    }
    void Finish() {
        std::fflush(stdout);
        if (Done()) Close();
    }
    void GiveUp(TObject*) { Close(); }

    bool FWindowed = false;
    bool FWindowless = false;
    int FButtonClicks = 0;
};

}  // namespace

int Navigate(const char* url) {
    TForm form(nullptr);
    form.SetCaption("Toolkit browser probe");
    form.SetBounds(0, 0, 400, 300);
    auto* browser = new TWebBrowser(&form);
    browser->SetParent(&form);
    browser->SetBounds(8, 8, 297, 237);
    bool available = browser->Available();
    bool accepted = browser->Navigate(ToWide(url));
    std::printf("available=%d navigate=%d\n", available, accepted);
    std::fflush(stdout);
    auto* closer = new TTimer(&form);
    closer->SetInterval(3000);
    closer->OnTimer.Assign([&form](TObject*) { form.Close(); });
    // The modal loop runs on although the page never finishes loading.
    form.ShowModal();
    return 0;
}

int main(int argc, char** argv) {
    Application.Initialize();
    if (argc == 3 && std::string(argv[1]) == "--navigate") return Navigate(argv[2]);
    TProbeForm form(nullptr);
    form.ShowModal();
    return form.Done() ? 0 : 1;
}
