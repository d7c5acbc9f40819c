// The one rule for what the closing box of the install sequence says.
#include <gtest/gtest.h>

#include "update/InstallOutcome.h"

using namespace quill::update;

TEST(InstallOutcome, OnlyAWholeExtractionCountsAsInstalled) {
    EXPECT_TRUE(UpdateInstalled(0, 3, false));
    EXPECT_FALSE(UpdateInstalled(0, 0, false)) << "nothing extracted";
    EXPECT_FALSE(UpdateInstalled(10504, 3, false)) << "an archive error";
    EXPECT_FALSE(UpdateInstalled(-9, 0, false));
    EXPECT_FALSE(UpdateInstalled(0, 3, true)) << "the extraction raised";
}

TEST(InstallOutcome, MessageNamesTheOutcomeAndAnyFailure) {
    EXPECT_EQ(InstallMessage(true, ""), "Actualizarea a fost instalata. Va multumim.");
    EXPECT_EQ(InstallMessage(false, ""),
              "Actualizarea nu a fost instalata. Va rugam sa incercati din nou mai tarziu.");
    EXPECT_EQ(InstallMessage(false, "Cannot open firme.reg"),
              "Actualizarea nu a putut fi finalizata: Cannot open firme.reg");
    // Files replaced but the version not recorded: neither a failure nor a plain success.
    EXPECT_EQ(InstallMessage(true, "Cannot open firme.reg"),
              "Actualizarea a fost instalata, dar nu a putut fi finalizata: Cannot open firme.reg");
}
