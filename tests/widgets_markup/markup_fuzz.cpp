// libFuzzer entry for the markup layout: any text must lay out, draw and
// hit-test without crashing or hanging. The first bytes choose the options so
// that narrow rectangles, measuring and hit tests are all reached.
#include "fake_canvas.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill::widgets::markup;
    if (size < 3) return 0;
    MarkupParams p;
    p.Rect = {0, 0, 1 + data[0] * 4, 1 + data[1] * 8};
    p.MeasureOnly = (data[2] & 1) != 0;
    p.WordWrap = (data[2] & 2) == 0;
    p.ParagraphSpacing = (data[2] >> 2) & 3;
    p.HitPoint = {data[0], data[1]};
    p.HoverImage = data[2] >> 4;
    p.ShadowOffset = 2;
    p.Text.assign(reinterpret_cast<const char*>(data + 3), size - 3);
    testing::FakeCanvas canvas;
    const MarkupResult r = DrawMarkup(canvas, p);
    if (r.Height < 2 || r.Width < 0) __builtin_trap();
    return 0;
}
