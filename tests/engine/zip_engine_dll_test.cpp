// ZipEng179.dll as the archive component uses it: loaded by its bare name with LoadLibraryA,
// driven through a real command record, its callbacks answered through the callback record.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/ZipEngineAbi.h"

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

// Every file and folder below `root`, by wide relative name; files with their size and a hash
// of their bytes (short enough to read in a failure).
std::map<std::wstring, std::string> tree(const fs::path& root) {
    std::map<std::wstring, std::string> found;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        std::string content = item.is_directory() ? "" : readFile(item.path());
        found[fs::relative(item.path(), root).generic_wstring()] =
            item.is_directory() ? "<folder>"
                                : std::to_string(content.size()) + " bytes, hash " +
                                      std::to_string(std::hash<std::string>{}(content));
    }
    return found;
}

std::string ansiOf(const std::wstring& wide, bool* lossy = nullptr) {
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                     nullptr, &usedDefault);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, ansi.data(), length,
                        nullptr, &usedDefault);
    ansi.resize(std::strlen(ansi.c_str()));
    if (lossy) *lossy = usedDefault;
    return ansi;
}

// A folder as the component names it in ANSI: its long name where the ANSI code page holds
// every letter, else its short name, which is plain ASCII.
std::string componentNameOf(const fs::path& folder, bool& shortForm) {
    std::string ansi = ansiOf(folder.native(), &shortForm);
    if (!shortForm) return ansi;
    wchar_t shortName[MAX_PATH];
    DWORD length = GetShortPathNameW(folder.c_str(), shortName, MAX_PATH);
    EXPECT_TRUE(length > 0 && length < MAX_PATH) << GetLastError();
    bool lossy = false;
    ansi = ansiOf(shortName, &lossy);
    EXPECT_FALSE(lossy) << "a short name is ASCII";
    return ansi;
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
    static fs::path archives() { return fs::current_path() / "archives"; }

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
        if (action == ZE_ActProgress) {
            EXPECT_EQ(abortEngine(key), 1);
        }
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

// Romanian folder and entry names: run once as the build's locale has it and once more under
// LANG=ro_RO.UTF-8 (ANSI 1250, OEM 852) by the ctest entry engine_dll_names_ro.
class ZipEngineDllNamesTest : public ZipEngineDllTest {
protected:
    void SetUp() override {
        ZipEngineDllTest::SetUp();
        const char* wanted = std::getenv("QUILL_EXPECT_ACP");
        // The entry that asks for a code page exists to test it: not getting it is a failure.
        if (wanted && GetACP() != static_cast<UINT>(std::atoi(wanted)))
            GTEST_FAIL() << "ANSI code page " << GetACP() << ", not " << wanted
                         << ": the Linux locale is missing (localedef -i ro_RO -f UTF-8 "
                            "ro_RO.UTF-8)";
    }

    // Extracts `archive` into base/`folder`, named as the component would name it; checks that
    // every entry landed under its name, byte for byte, and nothing was written beside it.
    void extractInto(const std::wstring& folder, const char* archive, const char* sourceTree,
                     bool& shortForm) {
        SCOPED_TRACE(archive);
        const fs::path target = base_ / folder;
        fs::remove_all(target);
        fs::create_directories(target);
        baseText_ = componentNameOf(target, shortForm) + "\\";
        archive_ = (archives() / archive).string();
        log_.calls.clear();
        auto record = commandRecord();
        std::int32_t result = unzExec_(&record);
        EXPECT_GT(result, 0);
        EXPECT_EQ(tree(target), tree(archives() / sourceTree));
        EXPECT_EQ(tree(base_).size(), tree(target).size() + 1) << "only the folder asked for";
    }
};

TEST_F(ZipEngineDllNamesTest, FolderFirmaReachesTheEngineInAnsiAndKeepsItsName) {
    for (const char* archive : {"names-infozip.zip", "names-7zip.zip"}) {
        bool shortForm = false;
        extractInto(L"Firmă", archive, "src-names", shortForm);
        if (GetACP() == 1250) {
            EXPECT_FALSE(shortForm) << "\"ă\" is in code page 1250";
        }
    }
    if (GetACP() != 1250) return;
    // Names in the callbacks are ANSI; letters 1250 lacks (comma below) come as "?".
    std::vector<std::string> items;
    for (const Call& call : log_.only(ZE_ActNewItem)) items.push_back(call.text);
    EXPECT_NE(std::find(items.begin(), items.end(), "Contabilitate Firm\xE3/bilan?.xls"),
              items.end());
    EXPECT_NE(std::find(items.begin(), items.end(), "?tiin?\xE3/\xBAtiri.txt"), items.end());
    EXPECT_NE(std::find(items.begin(), items.end(), "\xCEndrumar.pdf"), items.end());
}

TEST_F(ZipEngineDllNamesTest, FolderOutsideTheAnsiCodePageReachesTheEngineByItsShortName) {
    bool shortForm = false;
    extractInto(L"Știință", "names-7zip.zip", "src-names", shortForm);
    EXPECT_TRUE(shortForm) << "\"Ș\" is in no ANSI code page of this test";
    EXPECT_TRUE(fs::exists(base_ / L"Știință" / L"Contabilitate Firmă" / L"bilanț.xls"));
}

TEST_F(ZipEngineDllNamesTest, DosNamesAreReadInTheOemCodePage) {
    if (GetOEMCP() != 852) GTEST_SKIP() << "OEM code page " << GetOEMCP() << ", not 852";
    bool shortForm = false;
    extractInto(L"Firmă", "names-dos852.zip", "src-dos852", shortForm);
}

// A replaced file that is still mapped (a running program or a loaded library) can be moved
// aside but not deleted: the install has succeeded all the same.
TEST_F(ZipEngineDllTest, ReplacedFileStillInUseIsInformationAndGoesAtTheNextRun) {
    const fs::path target = base_ / "top.txt";
    fs::copy_file(kEngineFileName, target);
    HMODULE mapped = LoadLibraryExW(target.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!mapped) GTEST_SKIP() << "cannot map a library image here: " << GetLastError();
    ModuleHandle hold(mapped);
    auto leftovers = [&] {
        std::vector<fs::path> found;
        for (const auto& item : fs::directory_iterator(base_))
            if (item.path().filename().string().starts_with(".ze")) found.push_back(item.path());
        return found;
    };

    auto record = commandRecord();
    EXPECT_EQ(unzExec_(&record), 6);
    EXPECT_EQ(readFile(target), source("top.txt"));
    // The old image under its kept name (and the name it was moved aside to), and the journal
    // that names them for the next run.
    ASSERT_GE(leftovers().size(), 2u);
    std::string told;
    for (const Call& call : log_.only(ZE_ActMessage)) {
        EXPECT_EQ(call.arg1, ZE_ErrNone) << call.text;
        told += call.text;
    }
    for (const fs::path& leftover : leftovers()) {
        if (leftover.extension() == ".old") {
            EXPECT_NE(told.find(leftover.filename().string()), std::string::npos)
                << "the leftover is named in a message: " << leftover;
        }
    }

    hold.reset();
    record = commandRecord();
    EXPECT_EQ(unzExec_(&record), 6);
    EXPECT_TRUE(leftovers().empty());
}
