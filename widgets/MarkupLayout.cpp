#include "widgets/MarkupLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quill::widgets::markup {
namespace {

constexpr auto npos = std::string::npos;
// Pixel values from attributes are kept within this, so that positions never
// overflow whatever a markup text says.
constexpr int kPixelLimit = 1'000'000;
constexpr int kMaxFontPoints = 1000;
constexpr char kSymbolBullet[] = "\xB7";

enum class Align { Left, Right, Center };
enum class TextAlign { Bottom, Top, Middle };

struct Colors {
    TColor font = clBlack;
    TColor background = clNone;
};

// Everything that markup tags switch on and off while a text is laid out.
struct RunState {
    MarkupFont font;
    TColor background = clNone;
    bool shadow = false;
    bool error = false;
    bool hidden = false;
    bool subscript = false;
    bool superscript = false;
    int listLevel = 0;
    int anchor = 0;  // number of the anchor the text is in, 0 outside anchors
    Colors beforeAnchor;
    Colors beforeHighlight;
    TColor backgroundBeforeFont = clNone;
    TColor backgroundBeforeParagraph = clNone;
    Align align = Align::Left;
    int indent = 0;
    int offset = 0;  // persistent horizontal offset of every line start
};

struct Item {
    enum class Kind { Text, Bullet, Image, Rule };
    Kind kind = Kind::Text;
    std::string text;
    MarkupFont font;
    TColor background = clNone;
    bool shadow = false;
    bool error = false;
    int x = 0;
    int width = 0;
    int height = 0;
    int shift = 0;      // subscript down (+), superscript up (-)
    bool wrap = false;  // image that leaves the line height alone
    int anchor = 0;
    MarkupImage image;
    int imageNumber = 0;
};

struct Line {
    std::vector<Item> items;
    int width = 0;  // from the rectangle's left edge to the pen
    int above = 0;  // room for superscripts
    int base = 0;   // tallest run or image
    int below = 0;  // room for subscripts
    TextAlign textAlign = TextAlign::Bottom;
    int Height() const { return above + base + below; }
};

int ClampPixels(int value) {
    return std::clamp(value, -kPixelLimit, kPixelLimit);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.starts_with(prefix);
}

// Caches one forward search so that scanning a long text stays linear.
class ForwardFind {
public:
    explicit ForwardFind(char c) : FChar(c) {}
    std::size_t Next(const std::string& text, std::size_t from) {
        if (FValid && from >= FFrom && (FFound == npos || FFound >= from)) return FFound;
        FValid = true;
        FFrom = from;
        FFound = text.find(FChar, from);
        return FFound;
    }

private:
    char FChar;
    bool FValid = false;
    std::size_t FFrom = 0;
    std::size_t FFound = npos;
};

class Layout {
public:
    Layout(MarkupCanvas& canvas, const MarkupParams& params)
        : FCanvas(canvas), FParams(params), FText(PrepareMarkup(params.Text)) {
        FState.font = params.BaseFont;
    }

    MarkupResult Run();

private:
    enum class TagResult { Continue, Break, EndBefore };

    void TakeLine(Line& line);
    TagResult ApplyTag(std::string_view tag, Line& line);
    TagResult ApplyClosingTag(const std::string& upper);
    TagResult PlaceListItem(Line& line);
    TagResult PlaceImage(std::string_view tag, Line& line);
    void PlaceRun(std::string_view run, Line& line, bool& ended);
    void AddToLine(Line& line, Item item);
    int LineHeightOf(const MarkupFont& font);
    void PositionAndDraw(Line& line, int top, MarkupResult& result);
    void DrawItem(const Item& item, int y);
    int LineStart() const { return FParams.Rect.Left + FState.offset; }

    MarkupCanvas& FCanvas;
    const MarkupParams& FParams;
    std::string FText;
    std::size_t FPos = 0;
    ForwardFind FNextTag{'<'};
    ForwardFind FNextTagEnd{'>'};
    ForwardFind FNextBlank{' '};
    RunState FState;
    int FPen = 0;
    bool FPlaced = false;    // the line holds something that takes room
    bool FListItem = false;  // the line holds a list item already
    int FAnchorCount = 0;
    int FImageCount = 0;
    // Indexed by anchor number (slot 0 unused).
    std::vector<std::string> FAnchorTexts{""};
    std::vector<std::string> FAnchorTargets{""};
};

MarkupResult Layout::Run() {
    MarkupResult result;
    const int baseLine = LineHeightOf(FParams.BaseFont);
    int y = FParams.Rect.Top;
    int height = 0;
    bool first = true;
    while (FPos < FText.size()) {
        const std::size_t before = FPos;
        Line line;
        TakeLine(line);
        if (FPos == before) ++FPos;  // never stall, whatever the text
        if (!first) {
            y += FParams.ParagraphSpacing;
            height += FParams.ParagraphSpacing;
        }
        first = false;
        PositionAndDraw(line, y, result);
        const int h = line.Height();
        height += h;
        y += h;
        if (!FParams.MeasureOnly && FPos < FText.size() &&
            y + FParams.ParagraphSpacing > FParams.Rect.Bottom - h)
            break;  // the next line would not fit: the rest is dropped
    }
    result.Height = std::max(height, baseLine) + 2;
    if (result.OverAnchor) result.AnchorText = FAnchorTexts[result.AnchorIndex];
    return result;
}

int Layout::LineHeightOf(const MarkupFont& font) {
    return static_cast<int>(std::lround(FCanvas.MeasureText(font, "i").Height));
}

void Layout::TakeLine(Line& line) {
    FPen = LineStart();
    FPlaced = false;
    FListItem = false;
    bool ended = false;
    while (!ended && FPos < FText.size()) {
        if (FText[FPos] == '<') {
            const std::size_t close = FNextTagEnd.Next(FText, FPos);
            if (close == npos) {  // the text ends inside a tag: the rest is dropped
                FPos = FText.size();
                break;
            }
            const std::string_view tag = std::string_view(FText).substr(FPos, close - FPos + 1);
            const TagResult r = ApplyTag(tag, line);
            if (r != TagResult::EndBefore) FPos = close + 1;
            ended = r != TagResult::Continue;
        } else {
            std::size_t end = FNextTag.Next(FText, FPos);
            if (end == npos) end = FText.size();
            if (FParams.WordWrap) {
                const std::size_t blank = FNextBlank.Next(FText, FPos);
                if (blank != npos && blank < end) end = blank + 1;
            }
            PlaceRun(std::string_view(FText).substr(FPos, end - FPos), line, ended);
            if (!ended) FPos = end;
        }
    }
    line.width = FPen - FParams.Rect.Left;
    if (line.items.empty() || line.base == 0) line.base = LineHeightOf(FState.font);
}

void Layout::PlaceRun(std::string_view run, Line& line, bool& ended) {
    if (FState.hidden) return;
    std::string drawn = ReplaceRunEntities(run);
    const bool trailingBlank = run.ends_with(' ');
    std::string measured = drawn;
    // A trailing blank measures as "i": GDI+ would not count it at all.
    if (trailingBlank) measured.back() = 'i';
    const MarkupSize size = FCanvas.MeasureText(FState.font, measured);
    const int width = RunWidth(size.Width, FState.font.Size);
    if (FPlaced && FPen + width > FParams.Rect.Right) {
        ended = true;
        return;
    }
    Item item;
    item.kind = Item::Kind::Text;
    item.font = FState.font;
    item.background = FState.background;
    item.shadow = FState.shadow;
    item.error = FState.error;
    item.x = FPen;
    item.width = width;
    item.height = static_cast<int>(std::lround(size.Height));
    if (FState.subscript)
        item.shift = item.height / 2;
    else if (FState.superscript)
        item.shift = -(item.height / 2);
    item.anchor = FState.anchor;
    if (item.anchor != 0) FAnchorTexts[item.anchor] += drawn;
    item.text = std::move(drawn);
    FPen += width;
    FPlaced = true;
    AddToLine(line, std::move(item));
}

void Layout::AddToLine(Line& line, Item item) {
    if (item.shift > 0) line.below = std::max(line.below, item.shift);
    if (item.shift < 0) line.above = std::max(line.above, -item.shift);
    if (!item.wrap) line.base = std::max(line.base, item.height);
    line.items.push_back(std::move(item));
}

Layout::TagResult Layout::ApplyTag(std::string_view tag, Line& line) {
    const std::string upper = UpperAscii(tag);
    if (StartsWith(upper, "</")) return ApplyClosingTag(upper);
    RunState& s = FState;
    auto number = [&](std::string_view name, std::size_t from = 0) -> std::optional<int> {
        if (auto value = TagAttribute(tag, name, from))
            if (auto n = ParseInteger(*value)) return ClampPixels(*n);
        return std::nullopt;
    };

    if (StartsWith(upper, "<A")) {
        if (auto target = FirstQuotedValue(tag)) {
            s.beforeAnchor = {s.font.Color, s.background};
            s.font.Underline = true;
            s.font.Color = FParams.AnchorColor;
            s.anchor = ++FAnchorCount;
            FAnchorTexts.emplace_back();
            FAnchorTargets.push_back(*target);
        }
    } else if (upper == "<B>") {
        s.font.Bold = true;
    } else if (StartsWith(upper, "<BR")) {
        return TagResult::Break;
    } else if (StartsWith(upper, "<BO")) {
        if (auto bg = TagAttribute(tag, "BGCOLOR", 5)) {
            // A gradient body background (BGCOLORTO) is not painted behind runs.
            s.background = TagAttribute(tag, "BGCOLORTO", 5) ? clNone : ParseColor(*bg);
        }
    } else if (StartsWith(upper, "<E")) {
        s.error = true;
    } else if (StartsWith(upper, "<F")) {
        if (auto face = TagAttribute(tag, "FACE", 5)) s.font.Name = *face;
        if (auto color = TagAttribute(tag, "COLOR", 5)) s.font.Color = ParseColor(*color);
        s.backgroundBeforeFont = s.background;
        if (auto bg = TagAttribute(tag, "BGCOLOR", 5)) s.background = ParseColor(*bg);
        if (auto size = number("SIZE", 5)) {
            static constexpr int kHtmlSizes[] = {8, 10, 12, 14, 16};
            if (*size >= 1 && *size <= 5)
                s.font.Size = kHtmlSizes[*size - 1];
            else if (*size > 0)
                s.font.Size = std::min(*size, kMaxFontPoints);
        }
    } else if (StartsWith(upper, "<HI")) {
        s.beforeHighlight = {s.font.Color, s.background};
        s.background = SystemColor(kColorHighlight);
        s.font.Color = SystemColor(kColorHighlightText);
    } else if (StartsWith(upper, "<HR")) {
        Item rule;
        rule.kind = Item::Kind::Rule;
        line.items.push_back(rule);
        return TagResult::Break;
    } else if (upper == "<I>") {
        s.font.Italic = true;
    } else if (StartsWith(upper, "<IN")) {
        if (auto x = number("X")) FPen = std::max(FPen, LineStart() + *x);
    } else if (StartsWith(upper, "<IM")) {
        return PlaceImage(tag, line);
    } else if (StartsWith(upper, "<L")) {
        return PlaceListItem(line);
    } else if (StartsWith(upper, "<OF")) {
        if (auto x = number("X")) {
            s.offset = *x;
            FPen = LineStart();
        }
    } else if (StartsWith(upper, "<P")) {
        if (auto align = TagAttribute(tag, "ALIGN")) {
            const std::string a = UpperAscii(*align);
            if (a.find("RIGHT") != npos)
                s.align = Align::Right;
            else if (a.find("LEFT") != npos)
                s.align = Align::Left;
            else if (a.find("CENTER") != npos)
                s.align = Align::Center;
        }
        if (auto indent = number("INDENT")) s.indent = *indent;
        s.backgroundBeforeParagraph = s.background;
    } else if (upper == "<S>") {
        s.font.StrikeOut = true;
    } else if (upper == "<SUB>") {
        s.subscript = true;
    } else if (upper == "<SUP>") {
        s.superscript = true;
    } else if (StartsWith(upper, "<SH")) {
        s.shadow = true;
    } else if (upper == "<U>") {
        s.font.Underline = true;
    } else if (StartsWith(upper, "<U")) {
        ++s.listLevel;
        return TagResult::Break;
    } else if (StartsWith(upper, "<Z")) {
        s.hidden = true;
    }
    // Anything else is an unknown tag and is skipped.
    return TagResult::Continue;
}

Layout::TagResult Layout::ApplyClosingTag(const std::string& upper) {
    RunState& s = FState;
    if (StartsWith(upper, "</A")) {
        s.font.Underline = false;
        s.font.Color = s.beforeAnchor.font;
        s.background = s.beforeAnchor.background;
        s.anchor = 0;
    } else if (upper == "</B>") {
        s.font.Bold = false;
    } else if (StartsWith(upper, "</B")) {
        s.font.Color = FParams.BaseFont.Color;
    } else if (StartsWith(upper, "</E")) {
        s.error = false;
    } else if (StartsWith(upper, "</F")) {
        s.font.Name = FParams.BaseFont.Name;
        s.font.Size = FParams.BaseFont.Size;
        s.font.Color = FParams.BaseFont.Color;
        s.background = s.backgroundBeforeFont;
    } else if (StartsWith(upper, "</H")) {
        s.font.Color = s.beforeHighlight.font;
        s.background = s.beforeHighlight.background;
    } else if (StartsWith(upper, "</I")) {
        s.font.Italic = false;
    } else if (StartsWith(upper, "</L")) {
        return TagResult::Break;
    } else if (StartsWith(upper, "</O")) {
        s.offset = 0;
    } else if (StartsWith(upper, "</P")) {
        s.background = s.backgroundBeforeParagraph;
        return TagResult::Break;
    } else if (upper == "</S>") {
        s.font.StrikeOut = false;
    } else if (StartsWith(upper, "</SU")) {
        s.subscript = false;
        s.superscript = false;
    } else if (StartsWith(upper, "</SH")) {
        s.shadow = false;
    } else if (upper == "</U>") {
        s.font.Underline = false;
    } else if (StartsWith(upper, "</U")) {
        if (s.listLevel > 0)
            --s.listLevel;
        else
            s.font.Underline = false;
    } else if (StartsWith(upper, "</Z")) {
        s.hidden = false;
    }
    return TagResult::Continue;
}

Layout::TagResult Layout::PlaceListItem(Line& line) {
    if (FListItem) return TagResult::EndBefore;  // one list item per line
    if (FState.hidden) return TagResult::Continue;
    Item bullet;
    bullet.kind = Item::Kind::Bullet;
    bullet.font =
        MarkupFont{"Symbol", FState.font.Size, false, false, false, false, FState.font.Color};
    bullet.text = FState.listLevel % 2 == 1 ? kSymbolBullet : "o";
    // Outside any list the bullet sits at the line start rather than left of it.
    bullet.x = LineStart() + kListIndent * std::max(FState.listLevel - 1, 0);
    bullet.width = kListIndent;
    bullet.height =
        static_cast<int>(std::lround(FCanvas.MeasureText(bullet.font, bullet.text).Height));
    bullet.anchor = FState.anchor;
    FPen = bullet.x + kListIndent;
    FPlaced = true;
    FListItem = true;
    AddToLine(line, std::move(bullet));
    return TagResult::Continue;
}

Layout::TagResult Layout::PlaceImage(std::string_view tag, Line& line) {
    if (FState.hidden) return TagResult::Continue;
    const int number = FImageCount + 1;
    MarkupImage image;
    std::string src = TagAttribute(tag, "SRC").value_or("");
    if (number == FParams.HoverImage)
        if (auto alt = TagAttribute(tag, "ALT")) src = *alt;
    const std::string upperSrc = UpperAscii(src);
    if (StartsWith(upperSrc, "IDX:")) {
        image.Kind = MarkupImage::Source::ImageList;
        image.Index = ParseInteger(std::string_view(src).substr(4)).value_or(-1);
    } else if (StartsWith(upperSrc, "SSYS:") || StartsWith(upperSrc, "LSYS:")) {
        image.Kind = upperSrc[0] == 'S' ? MarkupImage::Source::SmallSystemIcon
                                        : MarkupImage::Source::LargeSystemIcon;
        image.Name = src.substr(5);
    } else if (src.find(':') == npos) {
        image.Kind = MarkupImage::Source::Picture;
        image.Name = src;
        auto dimension = [&](std::string_view name) {
            if (auto v = TagAttribute(tag, name))
                if (auto n = ParseInteger(*v)) return std::clamp(*n, 0, kPixelLimit);
            return 0;
        };
        image.Width = dimension("WIDTH");
        image.Height = dimension("HEIGHT");
    } else {
        ++FImageCount;  // an unknown source is numbered but shows nothing
        return TagResult::Continue;
    }
    const std::optional<MarkupPoint> size = FCanvas.ImageSize(image);
    if (!size) {
        ++FImageCount;
        return TagResult::Continue;
    }
    if (FPlaced && FPen + size->X > FParams.Rect.Right) return TagResult::EndBefore;
    ++FImageCount;
    Item item;
    item.kind = Item::Kind::Image;
    item.image = image;
    item.imageNumber = number;
    item.x = FPen;
    item.width = size->X;
    item.height = size->Y;
    item.anchor = FState.anchor;
    const std::string upperTag = UpperAscii(tag);
    const auto wrapAt = upperTag.find("WRAP");
    item.wrap = wrapAt != npos && (wrapAt == 0 || upperTag[wrapAt - 1] == ' ');
    if (auto align = TagAttribute(tag, "ALIGN")) {
        const std::string a = UpperAscii(*align);
        if (StartsWith(a, "TOP"))
            line.textAlign = TextAlign::Top;
        else if (StartsWith(a, "MIDDLE"))
            line.textAlign = TextAlign::Middle;
    }
    FPen += item.width;
    FPlaced = true;
    AddToLine(line, std::move(item));
    return TagResult::Continue;
}

void Layout::PositionAndDraw(Line& line, int top, MarkupResult& result) {
    const MarkupRect& rect = FParams.Rect;
    int start = rect.Left;
    if (FState.align == Align::Right && rect.Right - line.width > rect.Left)
        start = rect.Right - line.width;
    else if (FState.align == Align::Center && rect.Width() > line.width)
        start = rect.Left + (rect.Width() - line.width) / 2;
    start += FState.indent;
    const int dx = start - rect.Left;
    result.Width = std::max(result.Width, dx + line.width);

    const bool hitTest = FParams.HitPoint != MarkupPoint{};
    for (Item& item : line.items) {
        item.x += dx;
        int y = top + line.above;
        if (item.kind == Item::Kind::Image) {
            if (!item.wrap) y += line.base - item.height;
        } else if (line.textAlign == TextAlign::Bottom) {
            y += line.base - item.height;
        } else if (line.textAlign == TextAlign::Middle) {
            y += (line.base - item.height) / 2;
        }
        y += item.shift;

        if (item.kind == Item::Kind::Rule) {
            if (!FParams.MeasureOnly) {
                const int ruleY = top + line.Height();
                FCanvas.DrawLine({rect.Left, ruleY}, {rect.Right, ruleY}, clBlack);
            }
            continue;
        }
        const MarkupRect box{item.x, y, item.x + item.width, y + item.height};
        if (hitTest && box.Contains(FParams.HitPoint)) {
            if (item.kind == Item::Kind::Image) result.ImageIndex = item.imageNumber;
            if (item.anchor != 0) {
                result.OverAnchor = true;
                result.AnchorIndex = item.anchor;
                result.Anchor = FAnchorTargets[item.anchor];
            }
        }
        if (!FParams.MeasureOnly) DrawItem(item, y);
    }
}

void Layout::DrawItem(const Item& item, int y) {
    switch (item.kind) {
        case Item::Kind::Text: {
            if (item.shadow) {
                const int off = FParams.ShadowOffset;
                FCanvas.DrawText(item.font, item.text, {item.x + off, y + off},
                                 FParams.ShadowColor);
            }
            if (item.background != clNone)
                FCanvas.FillRect({item.x + 1, y, item.x + 1 + item.width + 1, y + item.height},
                                 item.background);
            FCanvas.DrawText(item.font, item.text, {item.x, y}, item.font.Color);
            // Over the whole run, so that it goes on across a trailing blank.
            if (item.font.Underline)
                FCanvas.DrawUnderline(item.font, {item.x, y}, item.width, item.font.Color);
            if (item.error) {
                const int bottom = y + item.height;
                std::vector<MarkupPoint> zigzag;
                const int right = item.x + item.width;
                for (int x = item.x, i = 0;; x += 2, ++i) {
                    zigzag.push_back({std::min(x, right), bottom - (i % 2 == 0 ? 2 : 4)});
                    if (x >= right) break;
                }
                FCanvas.DrawPolyline(zigzag, clRed);
            }
            break;
        }
        case Item::Kind::Bullet:
            FCanvas.DrawText(item.font, item.text, {item.x, y}, item.font.Color);
            break;
        case Item::Kind::Image:
            FCanvas.DrawImage(item.image, {item.x, y, item.x + item.width, y + item.height});
            break;
        case Item::Kind::Rule:
            break;
    }
}

}  // namespace

int RunWidth(float measuredWidth, int fontSize) {
    int width = static_cast<int>(std::lround(measuredWidth)) - 2;
    if (fontSize > 8) width -= static_cast<int>(std::lround((fontSize - 8) / 1.5));
    return std::max(width, 0);
}

MarkupResult DrawMarkup(MarkupCanvas& canvas, const MarkupParams& params) {
    return Layout(canvas, params).Run();
}

}  // namespace quill::widgets::markup
