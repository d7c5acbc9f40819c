// The archive dialog box under wine: its buttons, keys, titles and password edit. A helper
// thread finds the box by its title, reads its controls and answers it as a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "archive/ZACore.h"
#include "toolkit/Application.h"
#include "toolkit/Forms.h"

using namespace quill::archive;

namespace {
struct SeenBox {
    bool Found = false;
    std::vector<std::string> Buttons;  // captions, left to right
    std::vector<RECT> ButtonRects;
    std::string Text;
    char PasswordChar = 0;
    int EditLimit = 0;
    bool EditFocused = false;
};

std::string WindowText(HWND wnd) {
    char buffer[512] = {};
    GetWindowTextA(wnd, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND wnd) {
    char buffer[64] = {};
    GetClassNameA(wnd, buffer, sizeof buffer);
    return buffer;
}

// Waits for the top-level window titled `title` on the GUI thread, reads it, then lets `act`
// answer it with the focused window.
class BoxAnswerer {
public:
    BoxAnswerer(DWORD guiThread, std::string title, std::function<void(HWND box, HWND focus)> act)
        : worker_([=, this] { Run(guiThread, title, act); }) {}
    ~BoxAnswerer() {
        if (worker_.joinable()) worker_.join();
    }
    const SeenBox& Seen() {
        worker_.join();
        return seen_;
    }

private:
    void Run(DWORD guiThread, const std::string& title,
             const std::function<void(HWND, HWND)>& act) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        HWND box = nullptr, focus = nullptr;
        while (std::chrono::steady_clock::now() < deadline) {
            box = FindWindowA(nullptr, title.c_str());
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            if (box && IsWindowVisible(box) && GetGUIThreadInfo(guiThread, &info) &&
                info.hwndFocus && GetAncestor(info.hwndFocus, GA_ROOT) == box) {
                focus = info.hwndFocus;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!box || !focus) {
            // Unblock the modal loop so that the test fails instead of hanging.
            if (box) PostMessageA(box, WM_CLOSE, 0, 0);
            return;
        }
        seen_.Found = true;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const std::string cls = ClassOf(child);
            if (cls == "Button") {
                RECT r;
                GetWindowRect(child, &r);
                auto at = std::find_if(seen_.ButtonRects.begin(), seen_.ButtonRects.end(),
                                       [&](const RECT& o) { return o.left > r.left; });
                size_t index = size_t(at - seen_.ButtonRects.begin());
                seen_.ButtonRects.insert(at, r);
                seen_.Buttons.insert(seen_.Buttons.begin() + index, WindowText(child));
            } else if (cls == "Edit") {
                seen_.PasswordChar = char(SendMessageA(child, EM_GETPASSWORDCHAR, 0, 0));
                seen_.EditLimit = int(SendMessageA(child, EM_GETLIMITTEXT, 0, 0));
                seen_.EditFocused = child == focus;
            }
        }
        act(box, focus);
    }

    SeenBox seen_;
    std::thread worker_;
};

void PressKey(HWND focus, WORD key) {
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}

class ZipBoxOnScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tk::Application.Initialize();
        tk::Application.SetTitle("ZipBoxTest");
        mainForm = new tk::TForm(nullptr);  // the updater's dialog is the main form
    }
    static void TearDownTestSuite() { delete mainForm; }

    TZACore core{nullptr};
    DWORD gui = GetCurrentThreadId();
    static tk::TForm* mainForm;
};
tk::TForm* ZipBoxOnScreen::mainForm = nullptr;
}  // namespace

TEST_F(ZipBoxOnScreen, OkCancelAllShowsThreeButtonsAndEnterChoosesOK) {
    BoxAnswerer answer(gui, "Choose", [](HWND, HWND focus) { PressKey(focus, VK_RETURN); });
    std::string text = "Pick one of the three buttons below.";
    const int result = core.ZipDialog("Choose", text, {mbOK, mbCancel, mbAll}, 0x132710);
    const SeenBox& seen = answer.Seen();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"&OK", "&Cancel", "CancelAll"}));
    EXPECT_EQ(result, 1);
    ASSERT_EQ(seen.ButtonRects.size(), 3u);
    EXPECT_EQ(seen.ButtonRects[0].top, seen.ButtonRects[2].top) << "one row";
    EXPECT_GT(seen.ButtonRects[1].left, seen.ButtonRects[0].right) << "with a gap";
}

TEST_F(ZipBoxOnScreen, EscapeChoosesCancel) {
    BoxAnswerer answer(gui, "Choose", [](HWND, HWND focus) { PressKey(focus, VK_ESCAPE); });
    std::string text = "Escape please.";
    EXPECT_EQ(core.ZipDialog("Choose", text, {mbOK, mbCancel, mbAll}, 0x132710), 2);
    EXPECT_TRUE(answer.Seen().Found);
}

TEST_F(ZipBoxOnScreen, TheAllButtonAnswersEight) {
    BoxAnswerer answer(gui, "Choose", [](HWND box, HWND) {
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (WindowText(child) == "CancelAll") PostMessageA(child, BM_CLICK, 0, 0);
    });
    std::string text = "All.";
    EXPECT_EQ(core.ZipDialog("Choose", text, {mbOK, mbCancel, mbAll}, 0x132710), 8);
    EXPECT_TRUE(answer.Seen().Found);
}

TEST_F(ZipBoxOnScreen, VerboseErrorBoxTitleEndsWithTheContext) {
    TZAOperationSettings verbose;
    verbose.Verbose = true;
    core.SetSettings(verbose);
    BoxAnswerer answer(gui, "ZipBoxTest   (10001)",
                       [](HWND, HWND focus) { PressKey(focus, VK_RETURN); });
    core.ExceptionMessage(EZipArchiver::CreateId(ZS::NoValidZip, true));
    const SeenBox& seen = answer.Seen();
    ASSERT_TRUE(seen.Found) << "no box titled \"ZipBoxTest   (10001)\"";
    EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"&OK"}));
    EXPECT_EQ(core.LastErrorCode(), ZS::NoValidZip);
}

TEST_F(ZipBoxOnScreen, PasswordPromptTakesTheTypedText) {
    BoxAnswerer answer(gui, "Password", [](HWND, HWND focus) {
        for (char c : std::string("s3cret")) PostMessageA(focus, WM_CHAR, WPARAM(c), 1);
        PressKey(focus, VK_RETURN);
    });
    TMsgDlgBtn button = mbHelp;
    std::string password;
    core.GetExtractPassword(button, password);
    const SeenBox& seen = answer.Seen();
    ASSERT_TRUE(seen.Found);
    EXPECT_TRUE(seen.EditFocused) << "the edit is the active control";
    EXPECT_EQ(seen.PasswordChar, '*');
    EXPECT_EQ(seen.EditLimit, 80);
    EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"&OK", "&Cancel", "CancelAll"}));
    EXPECT_EQ(button, mbOK);
    EXPECT_EQ(password, "s3cret");
}

TEST_F(ZipBoxOnScreen, CancelledPasswordPromptGivesNoText) {
    BoxAnswerer answer(gui, "Password", [](HWND, HWND focus) {
        PostMessageA(focus, WM_CHAR, WPARAM('x'), 1);
        PressKey(focus, VK_ESCAPE);
    });
    TMsgDlgBtn button = mbHelp;
    std::string password = "old";
    core.GetExtractPassword(button, password);
    EXPECT_TRUE(answer.Seen().Found);
    EXPECT_EQ(button, mbCancel);
    EXPECT_EQ(password, "");
}

TEST_F(ZipBoxOnScreen, ProcessesMessagesAfterReportsOnTheGuiThread) {
    core.StartRun();
    EXPECT_FALSE(core.NotMainThread());
    HWND wnd = mainForm->Handle();
    MSG msg;
    while (PeekMessageA(&msg, wnd, 0, 0, PM_REMOVE)) {
    }
    PostMessageA(wnd, WM_NULL, 0, 0);
    ASSERT_TRUE(PeekMessageA(&msg, wnd, 0, 0, PM_NOREMOVE));
    core.Report(ZAReport::CheckOnly, 0, 0, "");
    EXPECT_FALSE(PeekMessageA(&msg, wnd, 0, 0, PM_NOREMOVE)) << "pending messages were handled";

    bool asked = false;
    core.OnCheckTerminate.Assign([&](TZASender, bool&) { asked = true; });
    PostMessageA(wnd, WM_NULL, 0, 0);
    core.Report(ZAReport::CheckOnly, 0, 0, "");
    EXPECT_TRUE(asked);
    EXPECT_TRUE(PeekMessageA(&msg, wnd, 0, 0, PM_NOREMOVE))
        << "OnCheckTerminate replaces the pumping";
    core.EndRun();
}

TEST_F(ZipBoxOnScreen, BusyCursorIsTheApplicationsHourglass) {
    core.StartRun();
    core.StartWaitCursor();
    core.StartWaitCursor();
    EXPECT_EQ(tk::Application.ScreenCursor(), tk::crHourGlass);
    EXPECT_EQ(tk::Application.BusyCount(), 1);
    core.StopWaitCursor();
    EXPECT_EQ(tk::Application.ScreenCursor(), tk::crHourGlass);
    core.StopWaitCursor();
    EXPECT_EQ(tk::Application.BusyCount(), 0);
    EXPECT_EQ(tk::Application.ScreenCursor(), tk::crDefault);
    core.EndRun();
}
