// Entities, preparation, attributes and colours of the markup language.
#include "widgets/MarkupText.h"

#include <gtest/gtest.h>

namespace quill::widgets::markup {
namespace {

TEST(MarkupEntities, ReplacedUntilNoneIsLeft) {
    EXPECT_EQ(ReplaceTextEntities("a &amp; b"), "a & b");
    EXPECT_EQ(ReplaceTextEntities("&amp;amp;amp;"), "&");
    EXPECT_EQ(ReplaceTextEntities("&amp;quot;"), "\"");
    EXPECT_EQ(ReplaceTextEntities("&sect;&permil;&reg;&copy;&para;&trade;&euro;"),
              "\xA7\x89\xAE\xA9\xB6\x99\x80");
    // Run entities are left for the runs; unknown ones stay as they are.
    EXPECT_EQ(ReplaceTextEntities("&lt;&nbsp;&foo;&amp"), "&lt;&nbsp;&foo;&amp");
}

TEST(MarkupEntities, RunEntities) {
    EXPECT_EQ(ReplaceRunEntities("&lt;b&gt;&nbsp;x"), "<b> x");
    EXPECT_EQ(ReplaceRunEntities("&amp;"), "&amp;");
}

TEST(MarkupEntities, LongNestingStaysLinear) {
    std::string text = "&";
    for (int i = 0; i < 200000; ++i) text += "amp;";
    EXPECT_EQ(ReplaceTextEntities(text), "&");
}

TEST(MarkupPrepare, HashTagLineFeedsAndCarriageReturns) {
    EXPECT_EQ(PrepareMarkup("a<#x>b<#y>c"), "ab<#y>c");
    EXPECT_EQ(PrepareMarkup("a<#never closed"), "a");
    EXPECT_EQ(PrepareMarkup("a\r\nb\nc\rd"), "a<BR>bc<BR>d");
    EXPECT_EQ(PrepareMarkup("x &amp;lt; y"), "x &lt; y");
}

TEST(MarkupAttributes, WholeWordNamesAndQuotedValues) {
    const std::string tag = "<FONT bgcolor=\"#112233\" color=\"clRed\" size = \"3\">";
    EXPECT_EQ(TagAttribute(tag, "COLOR"), "clRed");
    EXPECT_EQ(TagAttribute(tag, "BGCOLOR"), "#112233");
    EXPECT_EQ(TagAttribute(tag, "SIZE"), "3");
    EXPECT_EQ(TagAttribute(tag, "FACE"), std::nullopt);
    EXPECT_EQ(TagAttribute("<P ALIGN=right>", "ALIGN"), std::nullopt);
    EXPECT_EQ(TagAttribute("<P ALIGN=\"open>", "ALIGN"), std::nullopt);
    // BGCOLORTO is not BGCOLOR, and BGCOLOR is not found inside BGCOLORTO.
    EXPECT_EQ(TagAttribute("<BODY bgcolorto=\"#000000\">", "BGCOLOR"), std::nullopt);
    EXPECT_EQ(FirstQuotedValue("<A href=\"go\">"), "go");
    EXPECT_EQ(FirstQuotedValue("<A>"), std::nullopt);
}

TEST(MarkupAttributes, Integers) {
    EXPECT_EQ(ParseInteger("20"), 20);
    EXPECT_EQ(ParseInteger(" -5px"), -5);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger("x"), std::nullopt);
    EXPECT_EQ(ParseInteger("99999999999999"), std::nullopt);
}

TEST(MarkupColors, HexNamesSystemColoursAndUnknown) {
    EXPECT_EQ(ParseColor("#102030"), 0x302010);
    EXPECT_EQ(ParseColor("#ff0000"), 0x0000FF);
    EXPECT_EQ(ParseColor("clRed"), 0x0000FF);
    EXPECT_EQ(ParseColor("clnavy"), 0x800000);
    EXPECT_EQ(ParseColor("clteal"), 0x808000);
    EXPECT_EQ(ParseColor("clbackground"), SystemColor(1));
    EXPECT_EQ(ParseColor("clbtnface"), SystemColor(15));
    EXPECT_EQ(ParseColor("clinfobk"), SystemColor(24));
    EXPECT_LT(ParseColor("clhighlight"), 0);
    EXPECT_EQ(ParseColor("clchartreuse"), clBlack);
    EXPECT_EQ(ParseColor("#12345"), clBlack);
    EXPECT_EQ(ParseColor("#12345G"), clBlack);
}

}  // namespace
}  // namespace quill::widgets::markup
