#include <gtest/gtest.h>

#include "update/UpdateDecision.h"

using namespace quill::update;

namespace {

StartArguments Args(std::string installed, std::string id = "id42", std::string force = "") {
    return {std::move(installed), std::move(id), std::move(force)};
}

TEST(StartArgumentsTest, MissingArgumentsReadAsEmptyAndExtraOnesAreIgnored) {
    const auto none = ReadStartArguments({});
    EXPECT_EQ(none.InstalledVersion, "");
    EXPECT_EQ(none.ForceFlag, "");
    const auto many = ReadStartArguments({"1.0", "id", "force", "ignored"});
    EXPECT_EQ(many.InstalledVersion, "1.0");
    EXPECT_EQ(many.InstallationId, "id");
    EXPECT_EQ(many.ForceFlag, "force");
}

TEST(StartArgumentsTest, BothVersionAndIdNeedTwoCharacters) {
    EXPECT_FALSE(HasValidSyntax(Args("1", "abc")));
    EXPECT_FALSE(HasValidSyntax(Args("1.0", "a")));
    EXPECT_FALSE(HasValidSyntax(Args("", "")));
    EXPECT_TRUE(HasValidSyntax(Args("10", "ab")));
}

TEST(UpdateDecisionTest, ZeroReplyOffersNothingEvenWhenForced) {
    EXPECT_FALSE(DecideUpdate(Args("1.0.0.0", "id", "force"), "0").Due);
}

TEST(UpdateDecisionTest, VersionStartsAtTheSeventhCharacter) {
    const auto d = DecideUpdate(Args("1.0.0.0"), "OK0001 2.0.0.0");
    EXPECT_TRUE(d.Due);
    EXPECT_EQ(d.AvailableVersion, " 2.0.0.0");
    EXPECT_EQ(DecideUpdate(Args("1.0.0.0"), "OK00012.0.0.0").AvailableVersion, "2.0.0.0");
}

TEST(UpdateDecisionTest, EqualVersionsAreDueOnlyWhenForced) {
    EXPECT_FALSE(DecideUpdate(Args("2.3.1.7"), "STATUS2.3.1.7").Due);
    EXPECT_TRUE(DecideUpdate(Args("2.3.1.7", "id", "x"), "STATUS2.3.1.7").Due);
}

TEST(UpdateDecisionTest, AnyTextualDifferenceCountsIncludingOlderAndCase) {
    EXPECT_TRUE(DecideUpdate(Args("1.0.10"), "STATUS1.0.9").Due);
    EXPECT_TRUE(DecideUpdate(Args("1.0.0.0a"), "STATUS1.0.0.0A").Due);
    EXPECT_TRUE(DecideUpdate(Args("1.0.0.0"), "STATUS1.0.0.0 ").Due);
}

TEST(UpdateDecisionTest, ShortRepliesGiveAnEmptyAvailableVersion) {
    const auto six = DecideUpdate(Args("1.0.0.0"), "ABCDEF");
    EXPECT_TRUE(six.Due);
    EXPECT_EQ(six.AvailableVersion, "");
    EXPECT_TRUE(DecideUpdate(Args("1.0.0.0"), "").Due);
    EXPECT_TRUE(DecideUpdate(Args("1.0.0.0"), "00").Due);  // only the exact "0" stops
}

TEST(FirstLineTest, StopsAtAnyLineEnd) {
    EXPECT_EQ(FirstLine("0\r\nmore\r\n"), "0");
    EXPECT_EQ(FirstLine("OK00012.0\nnext"), "OK00012.0");
    EXPECT_EQ(FirstLine("lone\rcr"), "lone");
    EXPECT_EQ(FirstLine("no end"), "no end");
    EXPECT_EQ(FirstLine(""), "");
    EXPECT_EQ(FirstLine("\r\nsecond"), "");
}

TEST(FormatVersionTest, PrintsUnsignedNumbersWithoutPadding) {
    EXPECT_EQ(FormatVersion({3, 12, 0, 40000}), "3.12.0.40000");
    EXPECT_EQ(FormatVersion({65535, 0, 7, 65535}), "65535.0.7.65535");
}

}  // namespace
