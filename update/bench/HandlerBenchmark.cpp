// The GUI thread's share of one download event on the road: the update dialog's progress
// handler run on the shown dialog, and its parts (the bar's redraw with and without the
// repaint on the screen, the locale's separators, the caption's text). A program that
// prints figures, not a test: `cmake --build <dir> --target update_handler_benchmark_run`.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "ProgressText.h"
#include "toolkit/Application.h"
#include "uAreab.h"

namespace {

constexpr int kEvents = 20000;
constexpr std::int64_t kTotal = 52'428'800;

// Microseconds per call of `step(i)` over kEvents calls.
double Microseconds(const std::function<void(int)>& step) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= kEvents; ++i) step(i);
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
               .count() /
           kEvents;
}

}  // namespace

int main() {
    tk::Application.Initialize();
    TfAreAbon form(nullptr);
    form.Show();
    form.panDesc->Show();
    tk::Application.ProcessMessages();
    bool go = true;
    const NumberSeparators separators;

    const double handler = Microseconds(
        [&](int i) { form.htProgress(form.ht, std::int64_t(i) * 1025, kTotal, "", go); });
    tk::Application.ProcessMessages();
    // As on the road, where the message loop runs between two events.
    const double handlerAndLoop = Microseconds([&](int i) {
        form.htProgress(form.ht, std::int64_t(i) * 1025, kTotal, "", go);
        tk::Application.ProcessMessages();
    });
    const double loop = Microseconds([&](int) { tk::Application.ProcessMessages(); });
    const double caption = Microseconds([&](int i) {
        form.progres->SetCaption(DownloadCaption(std::int64_t(i) * 1025, kTotal, separators));
    });
    const double text = Microseconds([&](int i) {
        volatile std::size_t n = DownloadCaption(std::int64_t(i) * 1025, kTotal, separators).size();
        (void)n;
    });
    const double locale = Microseconds([&](int) {
        char buffer[8];
        GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buffer, sizeof buffer);
        GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer);
    });
    form.panDesc->Hide();  // the bar redraws its picture but has nothing to repaint
    tk::Application.ProcessMessages();
    const double render = Microseconds([&](int i) {
        form.progres->SetCaption(DownloadCaption(std::int64_t(i) * 1025, kTotal, separators));
    });
    form.Hide();
    const quill::ProgressLayout layout = form.progres->Layout();
    std::vector<quill::PaintRect> rects;
    const double plan = Microseconds([&](int) {
        rects.clear();
        quill::PlanProgressBody(layout, 489, 33, false, true, {0xFFFFFF, 0, 0xFFFFFF}, rects);
    });
    tk::TBitmap picture(true);
    picture.SetSize(489, 33);
    const quill::PixelView view{picture.Pixels(), 489, 33};
    const double pixels = Microseconds([&](int) {
        for (const quill::PaintRect& r : rects) quill::FillPixels(view, r, r.Color);
    });
    picture.Canvas().Font = form.progres->Font();
    const double glyphs = Microseconds([&](int i) {
        const std::string t = DownloadCaption(std::int64_t(i) * 1025, kTotal, separators);
        const SIZE extent = picture.Canvas().TextExtent(t);
        picture.Canvas().TextOut(0, 10 + extent.cy * 0, t);
    });
    const double flush = Microseconds([&](int) { GdiFlush(); });

    std::printf("dialog's progress handler: %6.1f us an event (%d events)\n", handler, kEvents);
    std::printf("  with the message loop:   %6.1f us (what the handler leaves it)\n",
                handlerAndLoop);
    std::printf("  message loop alone:      %6.1f us (nothing to do)\n", loop);
    std::printf("  bar caption, shown:      %6.1f us (redraw and repaint at once)\n", caption);
    std::printf("  bar caption, hidden:     %6.1f us (redraw only)\n", render);
    std::printf("  caption text:            %6.1f us\n", text);
    std::printf("  locale separators:       %6.1f us (two GetLocaleInfoA)\n", locale);
    std::printf("  body plan:               %6.1f us (%zu rectangles)\n", plan, rects.size());
    std::printf("  body pixels:             %6.1f us\n", pixels);
    std::printf("  text measure and draw:   %6.1f us\n", glyphs);
    std::printf("  GdiFlush:                %6.1f us\n", flush);
    return 0;
}
