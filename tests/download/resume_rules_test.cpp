// The rules that decide what a reply to a range request does to the partial file.
#include <gtest/gtest.h>

#include "download/ResumeRules.h"

using namespace quill::download;

TEST(ResumeRules, ContentRangeIsReadStrictly) {
    const auto range = ParseContentRange(" bytes 100-999/1000");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->First, 100);
    EXPECT_EQ(range->Last, 999);
    EXPECT_EQ(range->Total, 1000);
    EXPECT_EQ(ParseContentRange("bytes 0-9/*")->Total, -1);
    for (const char* bad : {"", "bytes", "bytes 5-4/10", "bytes 0-9/9", "bytes -1-9/10",
                            "items 0-9/10", "bytes 0-9", "bytes 0-x/10", "bytes 0-9/10x"})
        EXPECT_FALSE(ParseContentRange(bad)) << bad;
}

TEST(ResumeRules, ReplyPlans) {
    // The exact continuation is appended, and gives the whole length.
    auto plan = PlanReply(206, 100, 900, "bytes 100-999/1000");
    EXPECT_EQ(plan.Use, ReplyUse::Append);
    EXPECT_EQ(plan.Total, 1000);
    EXPECT_EQ(PlanReply(206, 100, std::nullopt, "bytes 100-999/1000").Use, ReplyUse::Append);
    // Anything that would put a byte twice, leave a gap or stop short is refused.
    for (const char* range : {"bytes 90-999/1000", "bytes 110-999/1000", "bytes 100-899/1000",
                              "bytes 100-999/*", "garbage"})
        EXPECT_EQ(PlanReply(206, 100, std::nullopt, range).Use, ReplyUse::Refuse) << range;
    EXPECT_EQ(PlanReply(206, 100, 800, "bytes 100-999/1000").Use, ReplyUse::Refuse);
    EXPECT_EQ(PlanReply(206, 100, std::nullopt, std::nullopt).Use, ReplyUse::Refuse);
    EXPECT_EQ(PlanReply(206, 0, 1000, "bytes 0-999/1000").Use, ReplyUse::Refuse);
    EXPECT_EQ(PlanReply(416, 100, std::nullopt, std::nullopt).Use, ReplyUse::Refuse);
    // A whole body starts the file again; an error is never a body.
    plan = PlanReply(200, 100, 1000, std::nullopt);
    EXPECT_EQ(plan.Use, ReplyUse::StartOver);
    EXPECT_EQ(plan.Total, 1000);
    EXPECT_EQ(PlanReply(200, 0, std::nullopt, std::nullopt).Total, 0);
    for (int status : {404, 407, 500, 304, 416})
        EXPECT_EQ(PlanReply(status, 0, 10, std::nullopt).Use, ReplyUse::Fail) << status;
}

TEST(ResumeRules, ValidatorPausesAndStatusLine) {
    EXPECT_EQ(ResumeValidator(" \"abc\" ", "Tue, 01 Dec 2026 10:00:00 GMT"), "\"abc\"");
    EXPECT_EQ(ResumeValidator("W/\"abc\"", "Tue, 01 Dec 2026 10:00:00 GMT"),
              "Tue, 01 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(ResumeValidator("", ""), "");
    using std::chrono::milliseconds;
    EXPECT_EQ(RetryPause(1, milliseconds(2000)), milliseconds(2000));
    EXPECT_EQ(RetryPause(3, milliseconds(2000)), milliseconds(8000));
    EXPECT_EQ(RetryPause(0, milliseconds(5)), milliseconds(5));
    EXPECT_EQ(ReconnectText(2), "Reconectare... (2 din 3)");
}
