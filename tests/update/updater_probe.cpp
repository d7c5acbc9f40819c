// The updater as shipped, watched from inside for the end-to-end tests. After each
// progress event has run its handler, the text the progress bar shows is read from the
// bar and appended to <QUILL_PROBE_DIR>\captions.txt ("download" or "extract", a tab, the
// text). The dialog is captured to dialog_downloading.png halfway through the download
// and to dialog_extracting.png when the bar first shows the extraction; a "capture" line
// says whether the capture holds the bar's own picture. With QUILL_PROBE_CLOSE_AT_EXTRACT
// set, the dialog is also asked to close (as by its close box) when the extraction begins.
// QUILL_PROBE_END_BOUND_MS shortens the wait for the main application to end. With
// QUILL_PROBE_STUCK_TEARDOWN set, the form owns a component whose destruction never ends,
// as a teardown waiting for something that never comes would.
// Each reconnect notes the status line ("status"); at the end the process's peak working
// set is noted ("memory"). With the download capture, a "label" line says whether each version
// label shows its whole text there (no ink in the label's last column, where a cut text would end).

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "update/UpdateEntry.h"
#include "gdiplus_test_support.h"
#include "toolkit/Graphics.h"
#include "update/MainApplication.h"
#include "update/uAreab.h"

using namespace quill::update;

namespace {

std::string ProbeDir() {
    char dir[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("QUILL_PROBE_DIR", dir, sizeof dir);
    return n > 0 && n < sizeof dir ? std::string(dir) + "\\" : std::string();
}

void Note(const std::string& source, const std::string& text) {
    static std::ofstream log(ProbeDir() + "captions.txt", std::ios::binary);
    log << source << '\t' << text << '\n' << std::flush;
}

std::string ShownText(const quill::widgets::TSpecialProgress& bar) {
    return quill::widgets::ProgressText(bar.TextOption(), bar.Caption(), bar.Percent());
}

// Whether the picture, taken of the window at windowOrigin, holds the bar's own
// off-screen picture at the bar's place.
bool ShowsBar(const tk::TBitmap& picture, POINT windowOrigin,
              quill::widgets::TSpecialProgress& bar) {
    POINT origin{bar.Left(), bar.Top()};
    ClientToScreen(bar.Parent()->Handle(), &origin);
    const int left = origin.x - windowOrigin.x, top = origin.y - windowOrigin.y;
    const tk::TBitmap& own = bar.Picture();
    for (int y = 0; y < own.Height(); ++y)
        for (int x = 0; x < own.Width(); ++x)
            if (GetPixel(picture.DC(), left + x, top + y) != GetPixel(own.DC(), x, y)) return false;
    return own.Width() > 0;
}

void NoteLabelShown(const tk::TBitmap& picture, POINT windowOrigin, const tk::TLabel& label) {
    POINT origin{label.Left(), label.Top()};
    ClientToScreen(label.Parent()->Handle(), &origin);
    const int right = origin.x - windowOrigin.x + label.Width() - 1;
    const int top = origin.y - windowOrigin.y;
    bool ink = false;
    for (int y = top; y < top + label.Height(); ++y) {
        const COLORREF c = GetPixel(picture.DC(), right, y);
        ink = ink || GetRValue(c) + GetGValue(c) + GetBValue(c) < 384;
    }
    Note("label", label.Name() + " " + label.Caption() + (ink ? " is cut" : " fits"));
}

// The form as it stands on the screen, once the pending paints of it and its child
// windows are done; notes whether the bar shows there as it drew itself.
void CaptureForm(TfAreAbon& form, const std::string& name) {
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rect;
    GetWindowRect(form.Handle(), &rect);
    tk::TBitmap picture;
    picture.SetSize(rect.right - rect.left, rect.bottom - rect.top);
    // The window's own surface: the screen may not have been given the latest pixels yet.
    HDC window = GetWindowDC(form.Handle());
    BitBlt(picture.DC(), 0, 0, picture.Width(), picture.Height(), window, 0, 0, SRCCOPY);
    ReleaseDC(form.Handle(), window);
    quill::testing::SaveDcPng(picture.DC(), ProbeDir() + name);
    // Beside it the bar's own picture: after a difference, which side was behind.
    quill::testing::SaveDcPng(form.progres->Picture().DC(), ProbeDir() + name + "_bar");
    const bool same = ShowsBar(picture, {rect.left, rect.top}, *form.progres);
    Note("capture", name + (same ? " shows the bar" : " differs from the bar"));
    if (name == "dialog_downloading")
        for (const tk::TLabel* label : {form.verInst, form.verDisp})
            NoteLabelShown(picture, {rect.left, rect.top}, *label);
}

// Freed by the form after its modal loop: blocks for good.
class TStuckComponent : public tk::TComponent {
public:
    using tk::TComponent::TComponent;
    ~TStuckComponent() override {
        Note("teardown", "stuck");
        Sleep(INFINITE);
    }
};

// Notes the process's peak working set when the form goes: the whole road's peak, for the
// memory benchmark (the updater ends its process right after the form).
class TMemoryNote : public tk::TComponent {
public:
    using tk::TComponent::TComponent;
    ~TMemoryNote() override {
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
            Note("memory", "peak " + std::to_string(memory.PeakWorkingSetSize));
    }
};

void Watch(TfAreAbon& form) {
    new TMemoryNote(&form);  // owned by the form
    if (GetEnvironmentVariableA("QUILL_PROBE_STUCK_TEARDOWN", nullptr, 0) > 0)
        new TStuckComponent(&form);  // owned by the form
    auto reconnect = form.ht->OnReconnect;
    form.ht->OnReconnect.Assign([&form, reconnect](tk::TObject* sender, int attempt, int tries) {
        reconnect(sender, attempt, tries);
        Note("status", form.stare->Caption());
    });
    auto download = form.ht->OnProgress;
    form.ht->OnProgress.Assign(
        [&form, download, captured = false](tk::TObject* sender, int64_t position, int64_t total,
                                            const std::string& url, bool& go_on) mutable {
            download(sender, position, total, url, go_on);
            Note("download", ShownText(*form.progres));
            if (!captured && total > 0 && position * 2 >= total) {
                captured = true;
                CaptureForm(form, "dialog_downloading");
            }
        });
    auto extract = form.ZipArchiver1->OnTotalProgress;
    form.ZipArchiver1->OnTotalProgress.Assign(
        [&form, extract, captured = false](tk::TObject* sender, int64_t total,
                                           int32_t percent) mutable {
            extract(sender, total, percent);
            Note("extract", ShownText(*form.progres));
            if (!captured) {
                captured = true;
                CaptureForm(form, "dialog_extracting");
                if (GetEnvironmentVariableA("QUILL_PROBE_CLOSE_AT_EXTRACT", nullptr, 0) > 0) {
                    // Served by the message pumping between the engine's reports.
                    PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
                    Note("close", "asked while extracting");
                }
            }
        });
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    WatchUpdateDialog(Watch);
    if (const char* bound = std::getenv("QUILL_PROBE_END_BOUND_MS"))
        SetMainApplicationEndBound(std::chrono::milliseconds(std::atoi(bound)));
    return RunUpdater(std::vector<std::string>(__argv + std::min(__argc, 1), __argv + __argc));
}
