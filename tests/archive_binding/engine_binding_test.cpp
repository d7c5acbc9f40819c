// The engine binding: finding and loading the library, version checks, holds, results and
// the answers to the engine's callbacks, with engines that live in this test program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fake_engine.h"

using namespace zipengine_abi;

namespace {

class EngineBindingTest : public ::testing::Test {
protected:
    EngineBindingTest() {
        loader.libraries["ZipEng179.dll"] = &engine;
        bind.OnMessage.Assign(
            [this](TZASender, int32_t code, const std::string& text) { messages.push_back(text); });
    }

    ZE_CommandRecord Command() {
        ZE_CommandRecord record{};
        record.caller = static_cast<TZADynamicBind*>(&bind);
        record.callback = &TZADynamicBind::Callback;
        record.version = kEngineVersion;
        record.checkValue = kCheckValue;
        return record;
    }

    // Runs the engine with `during` called from inside the engine call.
    int32_t RunEngine(std::function<void(const ZE_CommandRecord&)> during) {
        engine.run = [during](const ZE_CommandRecord& record) {
            during(record);
            return 3;
        };
        return bind.ExecUnzip(Command());
    }

    int ErrorIdOf(std::function<void()> operation) {
        try {
            operation();
        } catch (const EZipArchiver& e) {
            lastError = e.Message;
            return e.MessageId;
        }
        return 0;
    }

    FakeEngine engine;
    FakeLoader loader;
    TZADynamicBind bind{nullptr, MakeDefaultZACoreUI(), SystemPlatform(), loader};
    std::vector<std::string> messages;
    std::string lastError;
};

TEST_F(EngineBindingTest, OperationLoadsTheBareNameAndUnloadsWhenReleased) {
    TZAOperationSettings verbose;
    verbose.Verbose = true;
    bind.SetSettings(verbose);
    EXPECT_EQ(bind.BindForOperation(), 179);
    EXPECT_TRUE(bind.IsLoaded());
    EXPECT_EQ(loader.requests, std::vector<std::string>{"ZipEng179.dll"});
    EXPECT_EQ(bind.EnginePath(), "C:\\engines\\ZipEng179.dll");
    EXPECT_EQ(bind.EngineBuild(), 1790123);
    EXPECT_EQ(bind.ExecUnzip(Command()), 0);
    EXPECT_TRUE(bind.IsLoaded());  // the operation still holds it
    bind.ReleaseOperation();
    EXPECT_FALSE(bind.IsLoaded());
    EXPECT_EQ(loader.loaded, 0);
    EXPECT_EQ(bind.EnginePath(), "");
    EXPECT_EQ(messages, (std::vector<std::string>{"Loaded C:\\engines\\ZipEng179.dll",
                                                  "Unloaded C:\\engines\\ZipEng179.dll"}));
}

TEST_F(EngineBindingTest, DllLoadKeepsTheLibraryBetweenOperations) {
    bind.ApplyDllLoad(true);
    EXPECT_EQ(bind.HoldReasons(), TZADynamicBind::HoldDllLoad);
    bind.BindForOperation();
    bind.ReleaseOperation();
    EXPECT_TRUE(bind.IsLoaded());
    bind.ApplyDllLoad(false);
    EXPECT_FALSE(bind.IsLoaded());
}

TEST_F(EngineBindingTest, MissingLibraryFailsWith10650AfterAVerboseReport) {
    loader.libraries.clear();
    TZAOperationSettings verbose;
    verbose.Verbose = true;
    bind.SetSettings(verbose);
    EXPECT_EQ(ErrorIdOf([&] { bind.BindForOperation(); }), ZS::LoadFailed);
    EXPECT_EQ(lastError, "Failed to load ZipEng179.dll");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error [126 not found] loading ZipEng179.dll");
    EXPECT_EQ(bind.HoldReasons(), 0u);
}

TEST_F(EngineBindingTest, VersionsOutsideTheRangeAreRejectedAndFreed) {
    for (int32_t version : {301, 178}) {
        engine.version = version;
        EXPECT_EQ(ErrorIdOf([&] { bind.BindForOperation(); }), ZS::LoadOldOrCorrupt) << version;
        EXPECT_EQ(lastError, "Unable to load C:\\engines\\ZipEng179.dll - It is old or corrupt");
        EXPECT_FALSE(bind.IsLoaded());
        EXPECT_EQ(loader.loaded, 0);
        EXPECT_EQ(bind.HoldReasons(), 0u);
    }
    engine.version = 300;
    EXPECT_EQ(bind.BindForOperation(), 300);
}

TEST_F(EngineBindingTest, EngineWithoutPathExportIsRejectedUnread) {
    engine.exportsPath = false;
    EXPECT_EQ(ErrorIdOf([&] { bind.BindForOperation(); }), ZS::LoadOldOrCorrupt);
    EXPECT_EQ(lastError, "Unable to load ZipEng179.dll - It is old or corrupt");
    EXPECT_EQ(engine.versionCalls, 0);
    EXPECT_FALSE(bind.IsLoaded());
}

TEST_F(EngineBindingTest, DllDirectoryChoosesTheFileWhenItExists) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "quill-engine-dir";
    fs::create_directories(folder);
    const std::string dir = folder.string();
    const std::string expected = dir + "\\ZipEng179.dll";
    // Natively the binding's file test sees this name as one file in the temp folder.
    std::ofstream(expected).put('x');
    loader.libraries[expected] = &engine;

    bind.SetDllDirectory(dir + "\\");  // a trailing backslash is dropped
    EXPECT_EQ(bind.DllDirectory(), dir);
    bind.BindForOperation();
    bind.ReleaseOperation();
    EXPECT_EQ(loader.requests.back(), expected);

    // Nothing there: the bare name is loaded through the system's search order.
    bind.SetDllDirectory(".\\engines");
    bind.BindForOperation();
    bind.ReleaseOperation();
    EXPECT_EQ(loader.requests.back(), "ZipEng179.dll");

    bind.SetDllDirectory("><");  // no embedded engine in this program
    bind.BindForOperation();
    bind.ReleaseOperation();
    EXPECT_EQ(loader.requests.back(), "ZipEng179.dll");
    fs::remove_all(folder);
}

TEST_F(EngineBindingTest, NegativeResultsBecomeTheirMessages) {
    const std::pair<int32_t, int> table[] = {{-1, ZS::DllCancelled},        {-2, ZS::DllAbort},
                                             {-3, ZS::DllHandlerException}, {-4, ZS::DllNoMem},
                                             {-5, ZS::DllInvalidStruct},    {-6, ZS::DllCritical},
                                             {-7, ZS::DllCritical}};
    bind.BindForOperation();
    for (const auto& row : table) {
        const int32_t result = row.first;  // a plain copy: lambdas cannot capture a binding
        const int id = row.second;
        engine.run = [result](const ZE_CommandRecord&) { return result; };
        EXPECT_EQ(ErrorIdOf([&] { bind.ExecUnzip(Command()); }), id) << result;
    }
    EXPECT_EQ(lastError, "critical DLL Error -7");
    EXPECT_TRUE(bind.IsLoaded());  // the engine-call hold is given back, the operation's stays
    EXPECT_EQ(bind.HoldReasons(), TZADynamicBind::HoldOperation);
}

TEST_F(EngineBindingTest, ReportsReachTheEventsAndHighActionBitsAreIgnored) {
    std::vector<std::pair<int64_t, int32_t>> progress;
    bind.OnTotalProgress.Assign(
        [&](TZASender, int64_t total, int32_t percent) { progress.emplace_back(total, percent); });
    std::vector<std::string> items;
    bind.OnItemProgress.Assign(
        [&](TZASender, const std::string& item, uint32_t, int32_t) { items.push_back(item); });
    RunEngine([](const ZE_CommandRecord& c) {
        CallBack(c, ZE_ActItemCount, 1);  // resets the details, so it comes first
        CallBack(c, ZE_ActTotalSize, 0, nullptr, 200);
        CallBack(c, ZE_ActNewItem | 0x40, 0, "docs/readme.txt", 200);
        CallBack(c, ZE_ActProgress | 0xC0, 0, nullptr, 100);
        CallBack(c, ZE_ActProgress, 0, nullptr, 100);
        CallBack(c, ZE_ActEndOfBatch);
    });
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), std::make_pair(int64_t{200}, 50));
    EXPECT_EQ(progress.back(), std::make_pair(int64_t{0}, 101));
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.front(), "docs\\readme.txt");
}

TEST_F(EngineBindingTest, PasswordAnswersAreCutToEightyAndFifteenRepeats) {
    bind.OnPasswordError.Assign([](TZASender, bool isZip, std::string& password,
                                   const std::string& forFile, uint32_t& repeat,
                                   TMsgDlgBtn& action) {
        EXPECT_FALSE(isZip);
        EXPECT_EQ(forFile, "dir\\secret.txt");
        password.assign(100, 'p');
        repeat = 100;
    });
    ZE_CallbackRecord answered{};
    RunEngine([&](const ZE_CommandRecord& c) {
        CallBack(c, ZE_ActPassword, 3, "dir/secret.txt", 0, 0, 0, &answered);
    });
    EXPECT_EQ(answered.actionReply, ZE_ReplyYes);
    EXPECT_EQ(std::string(answered.replyText), std::string(80, 'p'));
    EXPECT_EQ(answered.arg1, 15);
}

TEST_F(EngineBindingTest, PasswordRefusalsMapToReplyCodes) {
    const std::pair<TMsgDlgBtn, int32_t> table[] = {
        {mbCancel, ZE_ReplyNo}, {mbNoToAll, ZE_ReplyNoToAll}, {mbAbort, ZE_ReplyNo}};
    for (const auto& row : table) {
        const TMsgDlgBtn button = row.first;  // a plain copy: lambdas cannot capture a binding
        const int32_t reply = row.second;
        bind.SetCancel(false);
        bind.OnPasswordError.Assign([button](TZASender, bool, std::string& password,
                                             const std::string&, uint32_t&, TMsgDlgBtn& action) {
            password = "ignored when not OK";
            action = button;
        });
        ZE_CallbackRecord answered{};
        int32_t result = 0;
        RunEngine([&](const ZE_CommandRecord& c) {
            result = CallBack(c, ZE_ActPassword, 2, "a.txt", 0, 0, 0, &answered);
        });
        EXPECT_EQ(answered.actionReply, reply);
        EXPECT_EQ(answered.arg1, 0);                   // no password, no repeats
        EXPECT_EQ(result, button == mbAbort ? 1 : 0);  // abort asks the engine to stop
    }
}

TEST_F(EngineBindingTest, OverwriteCrcAndExtractNameQueries) {
    bind.OnExtractOverwrite.Assign(
        [](TZASender, const std::string& file, bool isOlder, bool& doIt, int32_t index) {
            EXPECT_TRUE(doIt);  // preset from the engine's default
            EXPECT_FALSE(isOlder);
            EXPECT_EQ(index, 4);
            doIt = false;
        });
    bind.OnCRC32Error.Assign(
        [](TZASender, const std::string&, uint32_t found, uint32_t expected, bool& doExtract) {
            EXPECT_EQ(found, 0x1234u);
            EXPECT_EQ(expected, 0x5678u);
            doExtract = false;
        });
    bind.OnSetExtName.Assign([](TZASender, std::string& name, bool& changed) {
        changed = true;
        name = name == "a\\" ? "b" : "renamed.txt";  // a folder may not become a file
    });
    ZE_CallbackRecord overwrite{}, crc{}, rename{}, folder{};
    RunEngine([&](const ZE_CommandRecord& c) {
        CallBack(c, ZE_ActOverwrite, 1, "x.txt", 0, 4, 2, &overwrite);
        CallBack(c, ZE_ActCrcError, 0x1234, "x.txt", 0, 0x5678, 0, &crc);
        CallBack(c, ZE_ActExtractName, 0, "x.txt", 0, 0, 0, &rename);
        CallBack(c, ZE_ActExtractName, 0, "a/", 0, 0, 0, &folder);
    });
    EXPECT_EQ(overwrite.actionReply, ZE_ReplyNo);
    EXPECT_EQ(crc.actionReply, ZE_ReplyNoToAll);
    EXPECT_EQ(rename.actionReply, ZE_ReplyYes);
    EXPECT_EQ(std::string(rename.replyText), "renamed.txt");
    EXPECT_EQ(folder.actionReply, ZE_ActExtractName);  // untouched
}

TEST_F(EngineBindingTest, SkipReportsSetTheErrorAndFallBackToOnMessage) {
    RunEngine([](const ZE_CommandRecord& c) {
        CallBack(c, ZE_ActSkipped, 0x1207, "../evil.txt", 0, ZE_SkipUnsafeName + 1);
    });
    EXPECT_EQ(bind.LastErrorCode(), 0x07);
    EXPECT_EQ(bind.FullCode(), 0x1207);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "Skipped ..\\evil.txt 1");

    std::string skipped;
    bind.OnExtractSkipped.Assign([&](TZASender, const std::string& file, UnZipSkipTypes type,
                                     int32_t) { skipped = file + ":" + std::to_string(type); });
    RunEngine([](const ZE_CommandRecord& c) { CallBack(c, ZE_ActSkipped, 0, "b.txt", 0, 3); });
    EXPECT_EQ(skipped, "b.txt:2");
}

TEST_F(EngineBindingTest, HandlerExceptionCancelsAndAnswers10106FromThenOn) {
    bind.OnItemProgress.Assign(
        [](TZASender, const std::string&, uint32_t, int32_t) { throw std::runtime_error("boom"); });
    std::vector<int32_t> results;
    RunEngine([&](const ZE_CommandRecord& c) {
        results.push_back(CallBack(c, ZE_ActNewItem, 0, "a.txt", 10));
        results.push_back(CallBack(c, ZE_ActTick));
    });
    EXPECT_EQ(results, (std::vector<int32_t>{10106, 10106}));
    EXPECT_TRUE(bind.Cancel());
    EXPECT_EQ(bind.CallbackExceptionText(), " #1 \"boom\"");
}

TEST_F(EngineBindingTest, HandlerFailingAfterTheReplyNamesTheQueryNotTheReply) {
    bind.OnExtractOverwrite.Assign(
        [](TZASender, const std::string&, bool, bool& doIt, int32_t) { doIt = true; });
    bind.OnCheckTerminate.Assign([](TZASender, bool&) { throw std::runtime_error("late"); });
    ZE_CallbackRecord answered{};
    RunEngine([&](const ZE_CommandRecord& c) {
        CallBack(c, ZE_ActOverwrite, 1, "x.txt", 0, 4, 2, &answered);
    });
    EXPECT_EQ(answered.actionReply, ZE_ReplyYes);
    EXPECT_EQ(bind.CallbackExceptionText(),
              " #" + std::to_string(int(ZE_ActOverwrite)) + " \"late\"");
}

TEST_F(EngineBindingTest, AbortKeyReachesZeAbort) {
    RunEngine([&](const ZE_CommandRecord& c) {
        CallBack(c, ZE_ActAbortKey, 77);
        bind.AbortEngine();
    });
    EXPECT_EQ(engine.abortCalls, 1);
    EXPECT_EQ(engine.lastAbortKey, 77);
    EXPECT_EQ(bind.AbortKey(), 0);  // forgotten after the call
}

TEST_F(EngineBindingTest, CallbacksDoNothingOnceDestructionBegan) {
    int reports = 0;
    bind.OnTick.Assign([&](TZASender) { ++reports; });
    RunEngine([&](const ZE_CommandRecord& c) {
        bind.SetDestroying(true);
        EXPECT_EQ(CallBack(c, ZE_ActTick), 0);
        bind.SetDestroying(false);
    });
    EXPECT_EQ(reports, 0);
}

}  // namespace
