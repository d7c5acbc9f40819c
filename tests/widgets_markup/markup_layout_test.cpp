// Layout, drawing and hit tests of the markup renderer against a canvas whose
// widths are known: a character is 10 pixels, a line is 2 x points high, so an
// 8-point run of n characters is 10n - 2 wide and 16 high.
#include "fake_canvas.h"

#include <gtest/gtest.h>

namespace quill::widgets::markup {
namespace {

using testing::FakeCanvas;

constexpr TColor kAnchorBlue = 0xFF0000;

MarkupParams Params(std::string text, int width = 1000, int height = 10000) {
    MarkupParams p;
    p.BaseFont = MarkupFont{"Tahoma", 8};
    p.Text = std::move(text);
    p.AnchorColor = kAnchorBlue;
    p.ShadowColor = 0x808080;
    p.ShadowOffset = 3;
    p.Rect = {0, 0, width, height};
    return p;
}

const testing::DrawnText* Find(const FakeCanvas& c, std::string_view text) {
    for (const auto& t : c.texts)
        if (t.text == text) return &t;
    return nullptr;
}

TEST(MarkupEdgeCases, EmptyTextIsOneBaseLinePlusTwoAndDrawsNothing) {
    FakeCanvas c;
    MarkupResult r = DrawMarkup(c, Params(""));
    EXPECT_EQ(r.Height, 16 + 2);
    EXPECT_EQ(r.Width, 0);
    EXPECT_EQ(c.DrawCalls(), 0);
}

TEST(MarkupEdgeCases, AmpersandEntityBetweenTwoWords) {
    FakeCanvas c;
    DrawMarkup(c, Params("rock &amp; roll"));
    EXPECT_EQ(c.JoinedText(), "rock & roll");
    ASSERT_NE(Find(c, "& "), nullptr);
    EXPECT_EQ(Find(c, "& ")->at.X, 48);  // "rock " measured as "rocki": 50 - 2
}

TEST(MarkupEdgeCases, LessAndGreaterEntitiesAreTextNotTags) {
    FakeCanvas c;
    DrawMarkup(c, Params("&lt;B&gt;x"));
    EXPECT_EQ(c.JoinedText(), "<B>x");
    ASSERT_EQ(c.texts.size(), 1u);
    EXPECT_FALSE(c.texts[0].font.Bold);
}

TEST(MarkupEdgeCases, FontSizeThreeIsTwelvePointsAndTwentyIsTwenty) {
    FakeCanvas c;
    DrawMarkup(c, Params("<FONT SIZE=\"3\">a</FONT><FONT size=\"20\">b</FONT>c"));
    ASSERT_EQ(c.texts.size(), 3u);
    EXPECT_EQ(c.texts[0].font.Size, 12);
    EXPECT_EQ(c.texts[1].font.Size, 20);
    EXPECT_EQ(c.texts[2].font.Size, 8);  // </FONT> goes back to the base size
    // 12 points: 10 - 2 - round(4 / 1.5) = 5; 20 points: 10 - 2 - 8 = 0.
    EXPECT_EQ(c.texts[1].at.X, 5);
    EXPECT_EQ(c.texts[2].at.X, 5);
    // The line is as tall as its tallest run; smaller runs sit on its bottom.
    EXPECT_EQ(c.texts[0].at.Y, 40 - 24);
    EXPECT_EQ(c.texts[1].at.Y, 0);
}

TEST(MarkupEdgeCases, HitTestReturnsTheAnchorUnderThePoint) {
    FakeCanvas c;
    MarkupParams p = Params("click <A href=\"go\">here now</A> or <a href=\"stay\">x</a>");
    // "click " 0..58, "here " 58..106, "now" 106..134, " or " after that.
    p.HitPoint = {110, 5};
    MarkupResult r = DrawMarkup(c, p);
    EXPECT_TRUE(r.OverAnchor);
    EXPECT_EQ(r.Anchor, "go");
    EXPECT_EQ(r.AnchorText, "here now");
    EXPECT_EQ(r.AnchorIndex, 1);

    p.HitPoint = {10, 5};
    r = DrawMarkup(c, p);
    EXPECT_FALSE(r.OverAnchor);
    EXPECT_EQ(r.Anchor, "");

    // Anchors are numbered in text order, also when only measuring.
    p.HitPoint = {175, 5};
    p.MeasureOnly = true;
    r = DrawMarkup(c, p);
    EXPECT_EQ(r.Anchor, "stay");
    EXPECT_EQ(r.AnchorIndex, 2);
}

TEST(MarkupTags, AnchorIsUnderlinedInTheAnchorColourThenColoursComeBack) {
    FakeCanvas c;
    MarkupParams p = Params("<FONT COLOR=\"clgreen\">a<A href=\"x\">b</A>c</FONT>");
    DrawMarkup(c, p);
    ASSERT_EQ(c.texts.size(), 3u);
    EXPECT_EQ(c.texts[0].color, 0x008000);
    EXPECT_EQ(c.texts[1].color, kAnchorBlue);
    EXPECT_TRUE(c.texts[1].font.Underline);
    EXPECT_EQ(c.texts[2].color, 0x008000);
    EXPECT_FALSE(c.texts[2].font.Underline);
}

TEST(MarkupTags, TextEndingInsideATagDropsTheRest) {
    FakeCanvas c;
    MarkupResult r = DrawMarkup(c, Params("ab<B more text"));
    EXPECT_EQ(c.JoinedText(), "ab");
    EXPECT_EQ(r.Width, 18);
}

TEST(MarkupTags, UnknownTagIsSkipped) {
    FakeCanvas c;
    DrawMarkup(c, Params("<QUUX attr=\"1\">ab<B>c"));
    ASSERT_EQ(c.texts.size(), 2u);
    EXPECT_EQ(c.texts[0].text, "ab");
    EXPECT_EQ(c.texts[0].at.X, 0);
    EXPECT_TRUE(c.texts[1].font.Bold);
}

TEST(MarkupTags, BgColorIsNotTakenForColor) {
    FakeCanvas c;
    DrawMarkup(c, Params("<FONT BGCOLOR=\"#FF0000\" COLOR=\"#00FF00\">ab</FONT>c"));
    ASSERT_EQ(c.texts.size(), 2u);
    EXPECT_EQ(c.texts[0].color, 0x00FF00);
    ASSERT_EQ(c.fills.size(), 1u);
    // From one pixel right of the run, as wide as the run plus one.
    EXPECT_EQ(c.fills[0].rect, (MarkupRect{1, 0, 1 + 18 + 1, 16}));
    EXPECT_EQ(c.fills[0].color, 0x0000FF);
    EXPECT_EQ(c.texts[1].color, 0);  // </FONT>: base colour, no background
}

TEST(MarkupTags, ShadowIsDrawnFirstOffsetInTheShadowColour) {
    FakeCanvas c;
    DrawMarkup(c, Params("<SHAD>a</SHAD>b"));
    ASSERT_EQ(c.texts.size(), 3u);
    EXPECT_EQ(c.texts[0].at, (MarkupPoint{3, 3}));
    EXPECT_EQ(c.texts[0].color, 0x808080);
    EXPECT_EQ(c.texts[1].at, (MarkupPoint{0, 0}));
    EXPECT_EQ(c.texts[2].text, "b");
}

TEST(MarkupTags, ErrorMarkingIsARedZigzagUnderTheRun) {
    FakeCanvas c;
    DrawMarkup(c, Params("<E>abc</E>"));  // 28 wide, bottom at 16
    ASSERT_EQ(c.polylines.size(), 1u);
    EXPECT_EQ(c.polylineColors[0], clRed);
    const auto& z = c.polylines[0];
    ASSERT_EQ(z.size(), 15u);
    EXPECT_EQ(z[0], (MarkupPoint{0, 14}));
    EXPECT_EQ(z[1], (MarkupPoint{2, 12}));
    EXPECT_EQ(z[2], (MarkupPoint{4, 14}));
    EXPECT_EQ(z.back(), (MarkupPoint{28, 14}));
}

TEST(MarkupTags, UnderlineGoesOnAcrossTheFollowingBlank) {
    FakeCanvas c;
    DrawMarkup(c, Params("<U>ab cd</U> ef"));
    // "ab " is 28 wide ("abi"): its underline covers the blank too.
    ASSERT_EQ(c.underlines.size(), 2u);
    EXPECT_EQ(c.underlines[0].at, (MarkupPoint{0, 0}));
    EXPECT_EQ(c.underlines[0].width, 28);
    EXPECT_EQ(c.underlines[1].at, (MarkupPoint{28, 0}));
    EXPECT_EQ(c.underlines[1].width, 18);
    EXPECT_FALSE(Find(c, "ef")->font.Underline);
}

TEST(MarkupTags, SubscriptAndSuperscriptMakeRoomInTheLine) {
    FakeCanvas c;
    MarkupResult r = DrawMarkup(c, Params("a<SUP>b</SUP>c<SUB>d</SUB>"));
    // 16 high runs: half (8) above for the superscript, 8 below for the subscript.
    EXPECT_EQ(r.Height, 8 + 16 + 8 + 2);
    EXPECT_EQ(Find(c, "a")->at.Y, 8);
    EXPECT_EQ(Find(c, "b")->at.Y, 0);
    EXPECT_EQ(Find(c, "d")->at.Y, 16);
}

TEST(MarkupTags, HiddenTextIsNeitherDrawnNorMeasured) {
    FakeCanvas c;
    MarkupResult r = DrawMarkup(c, Params("a<Z>secret words</Z>b"));
    EXPECT_EQ(c.JoinedText(), "ab");
    EXPECT_EQ(Find(c, "b")->at.X, 8);
    EXPECT_EQ(r.Width, 16);
    for (const auto& m : c.measured) EXPECT_EQ(m.find("secret"), std::string::npos) << m;
}

TEST(MarkupLines, BreakAndCarriageReturnStartNewLines) {
    FakeCanvas c;
    MarkupResult r = DrawMarkup(c, Params("ab<BR>cd\r\nef"));
    EXPECT_EQ(Find(c, "ab")->at, (MarkupPoint{0, 0}));
    EXPECT_EQ(Find(c, "cd")->at, (MarkupPoint{0, 16}));
    EXPECT_EQ(Find(c, "ef")->at, (MarkupPoint{0, 32}));
    EXPECT_EQ(r.Height, 3 * 16 + 2);
}

TEST(MarkupLines, ParagraphSpacingGoesBelowEveryLineButTheLast) {
    FakeCanvas c;
    MarkupParams p = Params("ab<BR>cd");
    p.ParagraphSpacing = 2;
    MarkupResult r = DrawMarkup(c, p);
    EXPECT_EQ(Find(c, "cd")->at.Y, 18);
    EXPECT_EQ(r.Height, 16 + 2 + 16 + 2);
}

TEST(MarkupLines, HorizontalRuleRunsAcrossTheRectangleBelowTheLine) {
    FakeCanvas c;
    MarkupParams p = Params("ab<HR>cd", 300);
    p.Rect = {10, 5, 300, 500};
    DrawMarkup(c, p);
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_EQ(c.lines[0].from, (MarkupPoint{10, 21}));
    EXPECT_EQ(c.lines[0].to, (MarkupPoint{300, 21}));
    EXPECT_EQ(c.lines[0].color, clBlack);
    EXPECT_EQ(Find(c, "cd")->at, (MarkupPoint{10, 21}));

    FakeCanvas measuring;
    p.MeasureOnly = true;
    DrawMarkup(measuring, p);
    EXPECT_EQ(measuring.DrawCalls(), 0);
}

TEST(MarkupLines, WordsWrapAndAWordWiderThanTheLineStandsAlone) {
    FakeCanvas c;
    MarkupResult r = DrawMarkup(c, Params("a verylongword b c", 50));
    EXPECT_EQ(Find(c, "a ")->at, (MarkupPoint{0, 0}));
    EXPECT_EQ(Find(c, "verylongword ")->at, (MarkupPoint{0, 16}));
    EXPECT_EQ(Find(c, "b ")->at, (MarkupPoint{0, 32}));
    EXPECT_EQ(Find(c, "c")->at, (MarkupPoint{18, 32}));
    EXPECT_EQ(r.Height, 3 * 16 + 2);
    EXPECT_EQ(r.Width, 128);  // "verylongwordi": 130 - 2
}

TEST(MarkupLines, RightAndCentreAlignmentAndIndent) {
    FakeCanvas right;
    DrawMarkup(right, Params("<P ALIGN=\"right\">abc</P>def", 200));
    EXPECT_EQ(Find(right, "abc")->at.X, 200 - 28);
    EXPECT_EQ(Find(right, "def")->at.Y, 16);

    FakeCanvas centre;
    DrawMarkup(centre, Params("<P align=\"center\">abc", 200));
    EXPECT_EQ(Find(centre, "abc")->at.X, (200 - 28) / 2);

    FakeCanvas indent;
    DrawMarkup(indent, Params("<P indent=\"7\">abc", 200));
    EXPECT_EQ(Find(indent, "abc")->at.X, 7);

    // A line wider than the rectangle starts at its left edge.
    FakeCanvas wide;
    DrawMarkup(wide, Params("<P ALIGN=\"right\">abcdefgh", 50));
    EXPECT_EQ(Find(wide, "abcdefgh")->at.X, 0);
}

TEST(MarkupLines, BulletsByListLevel) {
    FakeCanvas c;
    DrawMarkup(c, Params("<UL><LI>a<UL><LI>b</UL><LI>c</UL>"));
    // <UL> breaks the line: the first line is empty.
    ASSERT_EQ(c.texts.size(), 6u);
    EXPECT_EQ(c.texts[0].text, "\xB7");
    EXPECT_EQ(c.texts[0].font.Name, "Symbol");
    EXPECT_EQ(c.texts[0].at, (MarkupPoint{0, 16}));
    EXPECT_EQ(c.texts[1].text, "a");
    EXPECT_EQ(c.texts[1].at, (MarkupPoint{12, 16}));
    EXPECT_EQ(c.texts[2].text, "o");
    // The inner <UL> ends the line of "a".
    EXPECT_EQ(c.texts[2].at, (MarkupPoint{12, 32}));
    EXPECT_EQ(c.texts[3].at, (MarkupPoint{24, 32}));
    // Back to level 1; a second item on one line ends that line.
    EXPECT_EQ(c.texts[4].text, "\xB7");
    EXPECT_EQ(c.texts[4].at, (MarkupPoint{0, 48}));
}

TEST(MarkupLines, SecondListItemOnALineEndsIt) {
    FakeCanvas c;
    DrawMarkup(c, Params("<UL><LI>a<LI>b"));
    EXPECT_EQ(Find(c, "a")->at, (MarkupPoint{12, 16}));
    EXPECT_EQ(Find(c, "b")->at, (MarkupPoint{12, 32}));
}

TEST(MarkupLines, IndentTagAndPersistentOffset) {
    FakeCanvas c;
    DrawMarkup(c, Params("<IND x=\"50\">a<IND x=\"5\">b<BR><OFS x=\"30\">c<BR>d</OFS><BR>e"));
    EXPECT_EQ(Find(c, "a")->at.X, 50);
    EXPECT_EQ(Find(c, "b")->at.X, 58);  // already past 5: stays
    EXPECT_EQ(Find(c, "c")->at.X, 30);
    EXPECT_EQ(Find(c, "d")->at.X, 30);  // the offset carries over
    EXPECT_EQ(Find(c, "e")->at.X, 0);
}

TEST(MarkupLines, DrawingDropsLinesBelowTheRectangle) {
    FakeCanvas c;
    MarkupParams p = Params("a<BR>b<BR>c<BR>d", 100, 40);
    DrawMarkup(c, p);
    EXPECT_EQ(c.JoinedText(), "ab");

    FakeCanvas m;
    p.MeasureOnly = true;
    EXPECT_EQ(DrawMarkup(m, p).Height, 4 * 16 + 2);
}

TEST(MarkupImages, PicturesListImagesAndMissingOnes) {
    FakeCanvas c;
    DrawMarkup(c, Params("a<IMG src=\"pic\">b<IMG src=\"nope\">c<IMG src=\"IDX:1\"><IMG "
                         "src=\"idx:5\"><IMG src=\"pic\" width=\"5\" height=\"6\">"));
    ASSERT_EQ(c.images.size(), 3u);
    EXPECT_EQ(c.images[0].rect, (MarkupRect{8, 0, 28, 30}));
    // An unknown picture takes no room.
    EXPECT_EQ(Find(c, "c")->at.X, 36);
    EXPECT_EQ(Find(c, "c")->at.Y, 30 - 16);  // text sits on the line's bottom
    EXPECT_EQ(c.images[1].image.Kind, MarkupImage::Source::ImageList);
    EXPECT_EQ(c.images[1].rect, (MarkupRect{44, 14, 60, 30}));
    EXPECT_EQ(c.images[2].rect, (MarkupRect{60, 24, 65, 30}));
}

TEST(MarkupImages, AltShowsForTheHoveredImageAndImagesInAnchorsHitTest) {
    FakeCanvas c;
    MarkupParams p = Params("<A href=\"img\"><IMG src=\"pic\" alt=\"alt\"></A>");
    p.HitPoint = {5, 5};
    MarkupResult r = DrawMarkup(c, p);
    EXPECT_EQ(r.Anchor, "img");
    EXPECT_EQ(r.ImageIndex, 1);
    ASSERT_EQ(c.images.size(), 1u);
    EXPECT_EQ(c.images[0].image.Name, "pic");

    FakeCanvas hovered;
    p.HoverImage = r.ImageIndex;
    DrawMarkup(hovered, p);
    ASSERT_EQ(hovered.images.size(), 1u);
    EXPECT_EQ(hovered.images[0].image.Name, "alt");
    EXPECT_EQ(hovered.images[0].rect, (MarkupRect{0, 0, 40, 10}));
}

TEST(MarkupImages, SystemIconSources) {
    FakeCanvas c;
    DrawMarkup(c, Params("<IMG src=\"SSYS:C:\\a.txt\"><IMG src=\"LSYS:C:\\\">"));
    ASSERT_EQ(c.images.size(), 2u);
    EXPECT_EQ(c.images[0].image.Kind, MarkupImage::Source::SmallSystemIcon);
    EXPECT_EQ(c.images[0].image.Name, "C:\\a.txt");
    EXPECT_EQ(c.images[1].image.Kind, MarkupImage::Source::LargeSystemIcon);
}

TEST(MarkupMeasure, RunWidthCorrections) {
    EXPECT_EQ(RunWidth(50.f, 8), 48);
    EXPECT_EQ(RunWidth(50.f, 9), 47);   // round(0.67) = 1
    EXPECT_EQ(RunWidth(50.f, 10), 47);  // round(1.33) = 1
    EXPECT_EQ(RunWidth(50.f, 14), 44);  // round(4) = 4
    EXPECT_EQ(RunWidth(1.f, 20), 0);    // never negative
}

}  // namespace
}  // namespace quill::widgets::markup
