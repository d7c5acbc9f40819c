// A form with the update dialog's panel and a markup caption holding the
// anchor "go". The driving script clicks the anchor with xdotool:
//   panel_click_demo <folder>
// writes <folder>\click.txt ("x y": a point over the anchor, relative to the
// window rectangle, once painted) and, on the anchor click, <folder>\result.txt
// ("anchor=<target> cursor=<hand|other>"), then closes. It gives up after 30 s.
#include "widgets/SmoothPanel.h"

#include "toolkit/Application.h"
#include "toolkit/Forms.h"

#include <fstream>
#include <string>

namespace {

std::string gFolder;
tk::TForm* gForm = nullptr;

void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) {
    if (gForm) gForm->Close();
}

void Write(const std::string& name, const std::string& text) {
    std::ofstream(gFolder + "\\" + name, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    gFolder = argv[1];
    tk::Application.Initialize();
    tk::TForm form(nullptr);
    form.SetCaption("Panel anchor test");
    form.SetClientSize(555, 430);
    auto* panel = new quill::widgets::TSmoothPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 555, 430);
    quill::widgets::TGDIPFill& f = panel->Fill();
    f.SetColor(16445929);
    f.SetColorTo(15587527);
    f.SetColorMirror(15587527);
    f.SetColorMirrorTo(16773863);
    f.SetGradientMirrorType(quill::widgets::gtVertical);
    f.SetBorderColor(14922381);
    f.SetRounding(10);
    f.SetShadowOffset(10);
    panel->Caption().SetText("Exista noutati la program. Actualizati?");
    panel->Caption().Font().SetHeight(-16);
    panel->Caption().SetColorStart(11563548);
    panel->Caption().SetColorEnd(10446362);
    panel->Caption().SetHTMLText("Release notes: <A href=\"go\">open them</A> &amp; read.");

    bool reported = false;
    panel->OnDraw.Assign([&](tk::TObject*, tk::TCanvas&, RECT) {
        if (reported) return;
        const quill::widgets::markup::MarkupRect r = panel->HTMLRect();
        const int y = r.Top + r.Height() / 2 - 1;
        for (int x = r.Left; x < r.Right; ++x) {
            if (panel->AnchorAt(x, y) != "go") continue;
            RECT window;
            ::GetWindowRect(form.Handle(), &window);
            POINT client{0, 0};
            ::ClientToScreen(panel->Handle(), &client);
            Write("click.txt", std::to_string(client.x - window.left + x + 6) + " " +
                                   std::to_string(client.y - window.top + y) + "\n");
            reported = true;
            break;
        }
    });
    panel->OnAnchorClick.Assign([&](tk::TObject*, const std::string& anchor) {
        const bool hand = panel->Cursor() == tk::crHandPoint;
        Write("result.txt", "anchor=" + anchor + " cursor=" + (hand ? "hand" : "other") + "\n");
        form.Close();
    });
    gForm = &form;
    ::SetTimer(nullptr, 0, 30000, GiveUp);
    form.ShowModal();
    gForm = nullptr;
    return 0;
}
