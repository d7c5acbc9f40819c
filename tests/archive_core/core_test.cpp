// Presentation of messages, exceptions and dialogs; password prompts; the busy cursor.
#include <gtest/gtest.h>

#include "fake_core_ui.h"

namespace {
class Presentation : public ::testing::Test {
protected:
    Presentation() : core(nullptr, std::make_unique<FakeCoreUI>(ui)) {
        core.OnMessage.Assign([this](TZASender, int32_t code, const std::string& text) {
            messages.emplace_back(code, text);
        });
    }
    FakeCoreUI::Log ui;
    TZACore core;
    std::vector<std::pair<int32_t, std::string>> messages;
};
using Message = std::pair<int32_t, std::string>;
}  // namespace

TEST_F(Presentation, ZipMessageShowsAnInformationBoxAndTellsTheOwner) {
    TurnOn(core, &TZAExtractSettings::Verbose);
    core.ZipMessage(ZS::FileOpen, " (x.zip)");
    EXPECT_EQ(core.LastErrorCode(), ZS::FileOpen);
    EXPECT_EQ(core.LastErrorText(), "Zip file could not be opened (x.zip)");
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Title, "Quillora   (10000)");
    EXPECT_EQ(ui.Boxes[0].Text, "Zip file could not be opened (x.zip)");
    EXPECT_EQ(ui.Boxes[0].Buttons, TMsgDlgButtons{mbOK});
    EXPECT_EQ(ui.Boxes[0].Context, ZipDlgContext::Message);
    EXPECT_EQ(messages,
              (std::vector<Message>{{ZS::FileOpen, "Zip file could not be opened (x.zip)"}}));
}

TEST_F(Presentation, UnattendedZipMessage) {
    TurnOn(core, &TZAExtractSettings::Unattended);
    core.ZipMessage(ZS::Canceled);
    EXPECT_TRUE(ui.Boxes.empty());
    EXPECT_EQ(messages.size(), 1u) << "the owner still hears of it";

    core.OnMessage.Clear();
    core.SetLastError(7, "earlier");
    core.ZipMessage(ZS::FileOpen);
    EXPECT_EQ(core.LastErrorCode(), 7) << "unattended without a handler does nothing at all";
    EXPECT_EQ(core.LastErrorText(), "earlier");
}

TEST_F(Presentation, ExceptionMessageShowsAnErrorBoxWhenDisplayed) {
    TurnOn(core, &TZAExtractSettings::Verbose);
    core.ExceptionMessage(EZipArchiver::CreateIdStr(ZS::ExtractDirMustExist, "C:\\P"));
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Title, "Quillora   (10001)");
    EXPECT_EQ(ui.Boxes[0].Context, ZipDlgContext::Exception);
    EXPECT_EQ(core.LastErrorCode(), ZS::ExtractDirMustExist);
    EXPECT_EQ(messages.back(),
              (Message{ZS::ExtractDirMustExist, "Extract directory 'C:\\P' must exist"}));

    core.ExceptionMessage(EZipArchiver::CreateId(ZS::Canceled, false));
    EXPECT_EQ(ui.Boxes.size(), 1u) << "not displayed";
    EXPECT_EQ(messages.back(), (Message{ZS::Canceled, "User canceled operation"}));

    TurnOn(core, &TZAExtractSettings::Unattended);
    core.ExceptionMessage(EZipArchiver::CreateId(ZS::FileOpen, true));
    EXPECT_EQ(ui.Boxes.size(), 1u) << "unattended";
    EXPECT_EQ(core.LastErrorCode(), ZS::FileOpen);
}

TEST_F(Presentation, ZipDialogTitles) {
    std::string text = "t";
    core.ZipDialog("", text, {mbOK}, 0x12FFFF);
    core.ZipDialog("Mine", text, {mbOK}, 0x12FFFF);
    TurnOn(core, &TZAExtractSettings::Verbose);
    core.ZipDialog("Mine", text, {mbOK}, 0x1A2713);
    ASSERT_EQ(ui.Boxes.size(), 3u);
    EXPECT_EQ(ui.Boxes[0].Title, "Quillora");
    EXPECT_EQ(ui.Boxes[1].Title, "Mine");
    EXPECT_EQ(ui.Boxes[2].Title, "Mine   (10003)") << "low 16 bits of the context";
}

TEST_F(Presentation, OnZipDialogAnswersInsteadOfTheBox) {
    int32_t answer = mr::Retry;
    TurnOn(core, &TZAExtractSettings::Verbose);
    core.OnZipDialog.Assign([&](TZASender, const std::string& title, std::string& msg,
                                int32_t& result, TMsgDlgButtons btns) {
        EXPECT_EQ(title, "Quillora   (10000)");
        EXPECT_EQ(result, int32_t(ZipDlgContext::Message)) << "Result preset to the context";
        EXPECT_EQ(btns, (TMsgDlgButtons{mbOK, mbCancel}));
        msg = "changed";
        result = answer;
    });
    std::string text = "original";
    EXPECT_EQ(core.ZipDialog("", text, {mbOK, mbCancel}, ZipDlgContext::Message), mr::Retry);
    EXPECT_EQ(text, "changed");
    EXPECT_TRUE(ui.Boxes.empty());

    for (int32_t outside : {0, 11, -1}) {
        answer = outside;
        text = "original";
        ui.Answers.push_back({mr::Cancel, ""});
        EXPECT_EQ(core.ZipDialog("", text, {mbOK, mbCancel}, ZipDlgContext::Message), mr::Cancel);
        EXPECT_EQ(text, "original") << "an answer outside 1..10 shows the box";
    }
    EXPECT_EQ(ui.Boxes.size(), 3u);
}

TEST_F(Presentation, ExtractPasswordAnswers) {
    const std::vector<std::pair<int, TMsgDlgBtn>> cases = {{mr::OK, mbOK},
                                                           {mr::Cancel, mbCancel},
                                                           {mr::All, mbNoToAll},
                                                           {mr::Abort, mbAbort},
                                                           {mr::None, mbAbort}};
    for (auto [result, expected] : cases) {
        ui.Answers.push_back({result, "secret"});
        TMsgDlgBtn answer = mbHelp;
        std::string password = "x";
        core.GetExtractPassword(answer, password);
        EXPECT_EQ(answer, expected) << result;
        EXPECT_EQ(password, expected == mbOK ? "secret" : "") << result;
    }
    ASSERT_FALSE(ui.Boxes.empty());
    EXPECT_EQ(ui.Boxes[0].Title, "Password");
    EXPECT_EQ(ui.Boxes[0].Text, "Enter Password ");
    EXPECT_EQ(ui.Boxes[0].Buttons, (TMsgDlgButtons{mbOK, mbCancel, mbAll}));
    EXPECT_EQ(ui.Boxes[0].Context, ZipDlgContext::ExtractPassword);
}

TEST_F(Presentation, UnattendedPasswordsLeaveTheAnswer) {
    TurnOn(core, &TZAExtractSettings::Unattended);
    TMsgDlgBtn answer = mbRetry;
    std::string password = "x";
    core.GetExtractPassword(answer, password);
    EXPECT_EQ(answer, mbRetry);
    EXPECT_EQ(password, "");
    core.GetAddPassword(answer, password);
    EXPECT_EQ(answer, mbRetry);
    EXPECT_EQ(messages,
              (std::vector<Message>{{ZS::NoExtrPassword, "Error - no extract password given"},
                                    {ZS::NoAddPassword, "Error - no add password given"}}));
    EXPECT_TRUE(ui.Boxes.empty());
}

TEST_F(Presentation, AddPasswordAsksTwiceAndComparesExactly) {
    TMsgDlgBtn answer;
    std::string password;
    ui.Answers = {{mr::OK, "Abc"}, {mr::OK, "Abc"}};
    core.GetAddPassword(answer, password);
    EXPECT_EQ(answer, mbOK);
    EXPECT_EQ(password, "Abc");
    ASSERT_EQ(ui.Boxes.size(), 2u);
    EXPECT_EQ(ui.Boxes[0].Context, ZipDlgContext::AddPassword);
    EXPECT_EQ(ui.Boxes[0].Buttons, (TMsgDlgButtons{mbOK, mbCancel}));
    EXPECT_EQ(ui.Boxes[1].Context, ZipDlgContext::AddPasswordConfirm);
    EXPECT_EQ(ui.Boxes[1].Text, "Confirm Password ");

    ui.Answers = {{mr::OK, "Abc"}, {mr::OK, "abc"}};
    core.GetAddPassword(answer, password);
    EXPECT_EQ(answer, mbOK);
    EXPECT_EQ(password, "");
    EXPECT_EQ(messages.back(), (Message{ZS::PasswordsDontMatch,
                                        "Error - passwords do NOT match\r\nPassword ignored"}));
    EXPECT_EQ(ui.Boxes.back().Context, ZipDlgContext::Message);

    ui.Boxes.clear();
    ui.Answers = {{mr::OK, ""}};
    core.GetAddPassword(answer, password);
    EXPECT_EQ(ui.Boxes.size(), 1u) << "an empty first password asks no confirmation";
    EXPECT_EQ(answer, mbOK);
    EXPECT_EQ(password, "");

    ui.Answers = {{mr::OK, "Abc"}, {mr::Cancel, "Abc"}};
    core.GetAddPassword(answer, password);
    EXPECT_EQ(answer, mbCancel) << "the last prompt's answer";
    EXPECT_EQ(password, "");
}

TEST_F(Presentation, BusyCursorNestsAndEndRunRestores) {
    core.StartRun();
    core.StartWaitCursor();
    core.StartWaitCursor();
    EXPECT_EQ(ui.BusyShown, 1);
    core.StopWaitCursor();
    EXPECT_EQ(ui.Restored, 0);
    core.StopWaitCursor();
    EXPECT_EQ(ui.Restored, 1);
    core.StopWaitCursor();
    EXPECT_EQ(ui.Restored, 1) << "unbalanced ends are ignored";

    core.StartWaitCursor();
    core.EndRun();
    EXPECT_EQ(ui.Restored, 2) << "the end of a run restores a cursor left busy";
    EXPECT_FALSE(core.Running());

    ui.GuiThread = false;
    core.StartRun();
    core.StartWaitCursor();
    core.EndRun();
    EXPECT_EQ(ui.BusyShown, 2) << "nothing off the GUI thread";
}

TEST_F(Presentation, ClearResetsTheRunState) {
    core.Report(ZAReport::Message, 3, 0, "x");
    core.SetCancel(true);
    core.Report(ZAReport::TotalSize, 0, 9, "");
    core.Clear();
    EXPECT_EQ(core.LastErrorCode(), 0);
    EXPECT_EQ(core.LastErrorText(), "");
    EXPECT_FALSE(core.Cancel());
    EXPECT_EQ(core.ProgressDetails().TotalBytes, 0);
    EXPECT_EQ(CurrentLanguageName(), "US: default");
}
