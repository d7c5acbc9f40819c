// ZipEng179.dll as the archive component uses it: loaded by its bare name with LoadLibraryA,
// driven through a real command record, its callbacks answered through the callback record.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ZipEngineAbi.h"

using namespace zipengine_abi;
namespace fs = std::filesystem;

namespace {

struct ModuleCloser {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser>;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

struct Call {
    std::int32_t action;
    std::int32_t arg1;
    std::string text;
    std::int64_t value;
    std::int32_t arg2;
    std::int32_t arg3;
};

// The caller value of the record: what the component's worker is to the engine.
struct CallbackLog {
    std::vector<Call> calls;
    std::function<std::int32_t(ZE_CallbackRecord&)> answer;  // may reply; returns the result

    std::vector<Call> only(std::int32_t action) const {
        std::vector<Call> found;
        for (const Call& call : calls)
            if (call.action == action) found.push_back(call);
        return found;
    }
    std::int64_t progressSum() const {
        std::int64_t sum = 0;
        for (const Call& call : only(ZE_ActProgress)) sum += call.value;
        return sum;
    }
};

std::int32_t ZE_CALL onCallback(void* caller, ZE_CallbackRecord* record) {
    auto* log = static_cast<CallbackLog*>(caller);
    log->calls.push_back({record->actionReply & kActionMask, record->arg1,
                          record->text ? record->text : "", record->in.value, record->in.arg2,
                          record->in.arg3});
    return log->answer ? log->answer(*record) : 0;
}

class ZipEngineDllTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine_.reset(LoadLibraryA(kEngineFileName));
        ASSERT_TRUE(engine_) << "LoadLibraryA failed: " << GetLastError();
        unzExec_ = lookup<ZE_UnzExecFunc>("ZE_UnzExec");
        zipExec_ = lookup<ZE_ZipExecFunc>("ZE_ZipExec");
        version_ = lookup<ZE_VersionFunc>("ZE_Version");
        privVersion_ = lookup<ZE_PrivVersionFunc>("ZE_PrivVersion");
        abort_ = lookup<ZE_AbortFunc>("ZE_Abort");
        path_ = lookup<ZE_PathFunc>("ZE_Path");
        ASSERT_TRUE(unzExec_ && zipExec_ && version_ && privVersion_ && abort_ && path_);

        base_ =
            fs::current_path() / ("dll-base-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base_);
        fs::create_directories(base_);
        baseText_ = base_.string() + "\\";
        archive_ = (fs::current_path() / "archives" / "infozip.zip").string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }

    template <typename F>
    F lookup(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(engine_.get(), name)));
    }

    // A record filled as the component fills it with the updater's settings.
    ZE_CommandRecord commandRecord() {
        ZE_CommandRecord record;
        std::memset(&record, 0, sizeof record);
        record.caller = &log_;
        record.version = kEngineVersion;
        record.callback = onCallback;
        record.password = password_.c_str();
        record.reserved44 = kTrue;
        record.verbose = kTrue;
        record.directoryNames = kTrue;
        record.overwrite = kTrue;
        record.archive = archive_.c_str();
        record.passwordRequests = 1;
        record.baseFolder = baseText_.c_str();
        record.checkValue = kCheckValue;
        return record;
    }

    std::string source(const char* relative) {
        return readFile(fs::current_path() / "archives" / "src" / relative);
    }

    ModuleHandle engine_;
    ZE_UnzExecFunc unzExec_ = nullptr;
    ZE_ZipExecFunc zipExec_ = nullptr;
    ZE_VersionFunc version_ = nullptr;
    ZE_PrivVersionFunc privVersion_ = nullptr;
    ZE_AbortFunc abort_ = nullptr;
    ZE_PathFunc path_ = nullptr;
    CallbackLog log_;
    fs::path base_;
    std::string baseText_;
    std::string archive_;
    std::string password_ = "secret";
};

TEST_F(ZipEngineDllTest, VersionsAndPathOfTheLoadedLibrary) {
    EXPECT_EQ(version_(), 179);
    EXPECT_GT(privVersion_(), kMinEngineBuild);
    char expected[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(engine_.get(), expected, MAX_PATH), 0u);
    EXPECT_STREQ(path_(), expected);
    EXPECT_TRUE(std::string(path_()).ends_with("ZipEng179.dll"));
}

TEST_F(ZipEngineDllTest, ExtractsWithTheRecordsPasswordAndReportsThroughTheCallback) {
    auto record = commandRecord();
    EXPECT_EQ(unzExec_(&record), 6);
    EXPECT_EQ(readFile(base_ / "top.txt"), source("top.txt"));
    EXPECT_EQ(readFile(base_ / "dir" / "sub" / "b.bin"), source("dir/sub/b.bin"));
    EXPECT_EQ(readFile(base_ / "dir" / "a.txt"), source("dir/a.txt"));

    ASSERT_FALSE(log_.calls.empty());
    EXPECT_EQ(log_.calls.front().action, ZE_ActAbortKey);
    EXPECT_NE(log_.calls.front().arg1, 0);
    ASSERT_EQ(log_.only(ZE_ActItemCount).size(), 1u);
    EXPECT_EQ(log_.only(ZE_ActItemCount)[0].arg1, 6);
    ASSERT_EQ(log_.only(ZE_ActTotalSize).size(), 1u);
    EXPECT_EQ(log_.only(ZE_ActTotalSize)[0].value, 351000);
    EXPECT_EQ(log_.progressSum(), 351000);
    ASSERT_EQ(log_.only(ZE_ActNewItem).size(), 6u);
    EXPECT_EQ(log_.only(ZE_ActNewItem)[3].text, "dir/sub/b.bin");
    EXPECT_EQ(log_.only(ZE_ActNewItem)[3].value, 300000);
    EXPECT_EQ(log_.only(ZE_ActMessage).size(), 6u) << "verbose: one line per entry";
    EXPECT_EQ(log_.calls.back().action, ZE_ActEndOfBatch);
}

TEST_F(ZipEngineDllTest, MissingPasswordIsAskedForThroughTheReplyText) {
    password_.clear();
    log_.answer = [](ZE_CallbackRecord& record) {
        if ((record.actionReply & kActionMask) == ZE_ActPassword) {
            std::strcpy(record.replyText, "secret");
            record.actionReply = ZE_ReplyYes;
        }
        return 0;
    };
    auto record = commandRecord();
    EXPECT_EQ(unzExec_(&record), 6);
    ASSERT_EQ(log_.only(ZE_ActPassword).size(), 1u);
    EXPECT_EQ(log_.only(ZE_ActPassword)[0].arg1, 1) << "the record's request count";
    EXPECT_EQ(log_.only(ZE_ActPassword)[0].text, "top.txt");
    EXPECT_EQ(readFile(base_ / "top.txt"), source("top.txt"));
}

TEST_F(ZipEngineDllTest, DeclinedPasswordFailsTheBatchWithoutWriting) {
    password_ = "wrong";
    log_.answer = [](ZE_CallbackRecord& record) {
        if ((record.actionReply & kActionMask) == ZE_ActPassword) record.actionReply = ZE_ReplyNo;
        return 0;
    };
    auto record = commandRecord();
    EXPECT_EQ(unzExec_(&record), ZE_Aborting);
    EXPECT_TRUE(fs::is_empty(base_));
    ASSERT_FALSE(log_.only(ZE_ActSkipped).empty());
    EXPECT_EQ(log_.only(ZE_ActSkipped)[0].arg1, ZE_ErrPassword);
    EXPECT_EQ(log_.only(ZE_ActSkipped)[0].arg2, ZE_SkipBadPassword + 1);
}

TEST_F(ZipEngineDllTest, OverwriteOffAsksAndANoKeepsTheFile) {
    { std::ofstream(base_ / "top.txt") << "mine"; }
    log_.answer = [](ZE_CallbackRecord& record) {
        if ((record.actionReply & kActionMask) == ZE_ActOverwrite) record.actionReply = ZE_ReplyNo;
        return 0;
    };
    auto record = commandRecord();
    record.overwrite = kFalse;
    EXPECT_EQ(unzExec_(&record), 5);
    EXPECT_EQ(readFile(base_ / "top.txt"), "mine");
    ASSERT_EQ(log_.only(ZE_ActOverwrite).size(), 1u);
    EXPECT_EQ(log_.only(ZE_ActOverwrite)[0].arg1, 0) << "default: do not overwrite";
    EXPECT_EQ(log_.only(ZE_ActOverwrite)[0].arg3, 2) << "the file on disk is not older";
    ASSERT_EQ(log_.only(ZE_ActSkipped).size(), 1u);
    EXPECT_EQ(log_.only(ZE_ActSkipped)[0].arg2, ZE_SkipOverwriteDeclined + 1);
}

TEST_F(ZipEngineDllTest, FileSpecsAndFlatExtraction) {
    const char* spec = "*.bin";
    ZE_FileSpec specs[1] = {};
    specs[0].spec = spec;
    auto record = commandRecord();
    record.specCount = 1;
    record.specs = specs;
    record.directoryNames = kFalse;
    EXPECT_EQ(unzExec_(&record), 1);
    EXPECT_EQ(readFile(base_ / "b.bin"), source("dir/sub/b.bin"));
    EXPECT_FALSE(fs::exists(base_ / "dir"));
}

TEST_F(ZipEngineDllTest, TestModeWritesNothing) {
    auto record = commandRecord();
    record.test = kTrue;
    EXPECT_EQ(unzExec_(&record), 3);
    EXPECT_TRUE(fs::is_empty(base_));
    EXPECT_EQ(log_.progressSum(), 351000);
}

TEST_F(ZipEngineDllTest, AbortWithTheKeyFromACallbackStopsAndChangesNothing) {
    std::int32_t key = 0;
    ZE_AbortFunc abortEngine = abort_;
    log_.answer = [&](ZE_CallbackRecord& record) {
        std::int32_t action = record.actionReply & kActionMask;
        if (action == ZE_ActAbortKey) key = record.arg1;
        if (action == ZE_ActProgress) EXPECT_EQ(abortEngine(key), 1);
        return 0;
    };
    auto record = commandRecord();
    EXPECT_EQ(unzExec_(&record), ZE_UserCancelled);
    EXPECT_TRUE(fs::is_empty(base_));
    EXPECT_EQ(abort_(key), 0) << "the run has ended: its key names nothing";
}

TEST_F(ZipEngineDllTest, NonZeroCallbackResultStopsAtTheNextEntry) {
    log_.answer = [](ZE_CallbackRecord& record) {
        return (record.actionReply & kActionMask) == ZE_ActNewItem ? 1 : 0;
    };
    auto record = commandRecord();
    EXPECT_EQ(unzExec_(&record), ZE_UserCancelled);
    EXPECT_EQ(log_.only(ZE_ActNewItem).size(), 1u);
    EXPECT_TRUE(fs::is_empty(base_));
}

TEST_F(ZipEngineDllTest, HostileNamesStayInsideTheBase) {
    archive_ = (fs::current_path() / "archives" / "hostile.zip").string();
    auto record = commandRecord();
    EXPECT_EQ(unzExec_(&record), 2);
    EXPECT_EQ(readFile(base_ / "ok.txt"), "fine");
    EXPECT_FALSE(fs::exists(base_.parent_path() / "evil.txt"));
    EXPECT_FALSE(fs::exists(base_.parent_path() / "up.txt"));
    EXPECT_FALSE(fs::exists("C:\\drive.txt"));
    EXPECT_EQ(log_.only(ZE_ActSkipped).size(), 10u);
}

TEST_F(ZipEngineDllTest, TargetInUseIsRetriedUntilReleased) {
    { std::ofstream(base_ / "top.txt") << "running"; }
    std::string target = (base_ / "top.txt").string();
    FileHandle open(CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(open.get(), INVALID_HANDLE_VALUE);
    std::thread closer([&] {
        Sleep(1000);  // the main application finishing its shutdown
        open.reset();
    });
    auto record = commandRecord();
    std::int32_t result = unzExec_(&record);
    closer.join();
    EXPECT_EQ(result, 6);
    EXPECT_EQ(readFile(base_ / "top.txt"), source("top.txt"));
}

TEST_F(ZipEngineDllTest, TargetInUseTooLongFailsWithEverythingAsBefore) {
    { std::ofstream(base_ / "top.txt") << "running"; }
    std::string target = (base_ / "top.txt").string();
    FileHandle open(CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(open.get(), INVALID_HANDLE_VALUE);
    auto record = commandRecord();
    EXPECT_EQ(unzExec_(&record), ZE_Aborting);
    open.reset();
    EXPECT_EQ(readFile(base_ / "top.txt"), "running");
    std::vector<std::string> left;
    for (const auto& item : fs::recursive_directory_iterator(base_))
        left.push_back(item.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"top.txt"});
    ASSERT_FALSE(log_.only(ZE_ActMessage).empty());
    EXPECT_EQ(log_.only(ZE_ActMessage).back().arg1, ZE_ErrInUse);
}

TEST_F(ZipEngineDllTest, ReadOnlyTargetIsReplacedWithoutLeftovers) {
    { std::ofstream(base_ / "top.txt") << "old release"; }
    std::string target = (base_ / "top.txt").string();
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    auto record = commandRecord();
    EXPECT_EQ(unzExec_(&record), 6);
    EXPECT_EQ(readFile(base_ / "top.txt"), source("top.txt"));
    for (const auto& item : fs::recursive_directory_iterator(base_))
        EXPECT_FALSE(item.path().filename().string().starts_with(".ze")) << item.path();
}

TEST_F(ZipEngineDllTest, UnusableRecordsAndAddingAreRefused) {
    auto record = commandRecord();
    record.checkValue = 0;
    EXPECT_EQ(unzExec_(&record), ZE_InvalidStructure);
    record = commandRecord();
    record.archive = nullptr;
    EXPECT_EQ(unzExec_(&record), ZE_InvalidStructure);
    EXPECT_EQ(unzExec_(nullptr), ZE_InvalidStructure);
    EXPECT_TRUE(log_.calls.empty());

    record = commandRecord();
    EXPECT_LT(zipExec_(&record), 0);
    ASSERT_EQ(log_.only(ZE_ActMessage).size(), 1u);
    EXPECT_EQ(log_.only(ZE_ActMessage)[0].arg1, ZE_ErrUnsupported);
}

}  // namespace
