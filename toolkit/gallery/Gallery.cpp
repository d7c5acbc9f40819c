// Shows a form with each control of the toolkit, for a person to look at.
#include <windows.h>

#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

using namespace tk;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Application.Initialize();
    Application.SetTitle("Toolkit gallery");
    auto* form = new TForm(&Application);
    form->SetCaption("Toolkit gallery");
    form->SetBounds(0, 0, 571, 468);
    form->SetPosition(poScreenCenter);
    form->ShowModal();
    return 0;
}
