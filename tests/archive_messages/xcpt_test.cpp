// The archive exception's constructors and the OS error suffix.
#include <gtest/gtest.h>

#include "archive/ZAMsgStrSys.h"
#include "archive/ZAXcpt.h"

using namespace quill::archive;

TEST(EZipArchiver, ConstructorsSetTextIdAndDisplayFlag) {
    auto e = EZipArchiver::CreateText("Re-entry", false);
    EXPECT_EQ(e.Message, "Re-entry");
    EXPECT_FALSE(e.Displayed);
    EXPECT_EQ(e.MessageId, 0);
    EXPECT_STREQ(e.what(), "Re-entry");

    e = EZipArchiver::CreateId(ZS::Canceled, false);
    EXPECT_EQ(e.Message, "User canceled operation");
    EXPECT_FALSE(e.Displayed);
    EXPECT_EQ(e.MessageId, ZS::Canceled);

    e = EZipArchiver::CreateIdInt(ZS::DllCritical, -7);
    EXPECT_EQ(e.Message, "critical DLL Error -7");
    EXPECT_TRUE(e.Displayed);
    EXPECT_EQ(e.MessageId, ZS::DllCritical);

    e = EZipArchiver::CreateIdStr(ZS::ExtractDirMustExist, "C:\\Prog");
    EXPECT_EQ(e.Message, "Extract directory 'C:\\Prog' must exist");
    EXPECT_TRUE(e.Displayed);

    e = EZipArchiver::CreateIdArgs(ZS::InsertVolume, {3, 4});
    EXPECT_EQ(e.Message, "Please insert disk volume 3 of 4");
    EXPECT_EQ(e.MessageId, ZS::InsertVolume);
}

TEST(EZipArchiver, OsErrorSuffixIsHexCodeAndSystemText) {
    auto e = EZipArchiver::CreateIdOsError(ZS::CannotWrite, 5, "C:\\Prog");
    EXPECT_EQ(e.Message, "Cannot write to C:\\Prog <5:" + OsErrorText(5) + ">");
    EXPECT_TRUE(e.Displayed);
    EXPECT_EQ(e.MessageId, ZS::CannotWrite);
    EXPECT_FALSE(OsErrorText(5).empty());
    EXPECT_EQ(OsErrorText(5).find('\n'), std::string::npos);

    EXPECT_EQ(OsErrorSuffix(32).substr(0, 4), " <20");
    EXPECT_EQ(OsErrorSuffix(0), "");
    EXPECT_EQ(OsErrorSuffix(-3), "");
    EXPECT_EQ(EZipArchiver::CreateIdOsError(ZS::CannotWrite, 0, "D:\\").Message,
              "Cannot write to D:\\");
}
