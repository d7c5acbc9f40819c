// The archive component's operations around an engine that lives in this test program:
// the operation bracket, the extract request's checks and command record, and cleanup.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fake_engine.h"
#include "archive/ZipArchiver.h"

using namespace quill::archive;

namespace fs = std::filesystem;
using namespace zipengine_abi;

namespace {

// What the engine saw of one command record.
struct SeenRecord {
    std::string password, archive, baseFolder;
    std::vector<std::string> specs;
    int32_t overwrite = 0, refuseUnsafe = 0, verbose = 0, trace = 0, test = 0,
            passwordRequests = -1, check = 0;
    bool hasWindow = false;
};

class ZipArchiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("quill-za-" +
                  std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder / "base");
        archive = (folder / "update.zip").string();
        const std::string command = "cd '" + folder.string() +
                                    "' && printf 'hello' > a.txt && printf 'world' > b.txt && "
                                    "zip -q -P marigoldstep update.zip a.txt b.txt";
        ASSERT_EQ(std::system(command.c_str()), 0);

        loader.libraries["ZipEng179.dll"] = &engine;
        engine.run = [this](const ZE_CommandRecord& r) {
            seen.password = r.password ? r.password : "<null>";
            seen.archive = r.archive;
            seen.baseFolder = r.baseFolder ? r.baseFolder : "<none>";
            for (int i = 0; i < r.specCount; ++i) seen.specs.push_back(r.specs[i].spec);
            seen.overwrite = r.overwrite;
            seen.refuseUnsafe = r.refuseUnsafe;
            seen.verbose = r.verbose;
            seen.trace = r.trace;
            seen.test = r.test;
            seen.passwordRequests = r.passwordRequests;
            seen.check = r.checkValue;
            if (during) during(r);
            CallBack(r, ZE_ActItemCount, 2);
            CallBack(r, ZE_ActTotalSize, 0, nullptr, 10);
            CallBack(r, ZE_ActNewItem, 0, "a.txt", 5);
            CallBack(r, ZE_ActProgress, 0, nullptr, 5);
            CallBack(r, ZE_ActNewItem, 0, "b.txt", 5);
            CallBack(r, ZE_ActProgress, 0, nullptr, 5);
            CallBack(r, ZE_ActEndOfBatch);
            return result;
        };
        zip.ExtrOptions = {ExtrOverWrite};
        zip.Password = "marigoldstep";
        zip.Verbose = true;
        zip.OnTotalProgress.Assign([this](TZASender, int64_t, int32_t percent) {
            percents.push_back(percent);
            if (onProgress) onProgress();
        });
        zip.OnZipDialog.Assign([this](TZASender, const std::string& title, std::string& text,
                                      int32_t& result, TMsgDlgButtons) {
            dialogs.push_back(title + "|" + text);
            result = 1;  // OK
        });
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Base() const { return (folder / "base").string(); }

    fs::path folder;
    std::string archive;
    FakeEngine engine;
    FakeLoader loader;
    TZipArchiver zip{nullptr, MakeDefaultZACoreUI(), SystemPlatform(), loader};
    SeenRecord seen;
    int32_t result = 2;
    std::function<void(const ZE_CommandRecord&)> during;
    std::function<void()> onProgress;
    std::vector<int32_t> percents;
    std::vector<std::string> dialogs;
};

TEST_F(ZipArchiverTest, ExtractHandsTheEngineOneRecordAndReportsProgress) {
    zip.SetZipFileName(archive);
    EXPECT_EQ(percents, std::vector<int32_t>{101});  // the directory read ends its batch
    EXPECT_EQ(zip.EntryCount(), 2);
    zip.ExtrBaseDir = Base();
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(zip.SuccessCount(), 2);
    EXPECT_EQ(percents, (std::vector<int32_t>{101, 50, 100, 101}));
    EXPECT_EQ(seen.password, "marigoldstep");
    EXPECT_EQ(seen.archive, archive);
    EXPECT_EQ(seen.baseFolder, Base() + "/");
    EXPECT_TRUE(seen.specs.empty());
    EXPECT_EQ(seen.overwrite, kTrue);
    EXPECT_EQ(seen.refuseUnsafe, kFalse);
    EXPECT_EQ(seen.verbose, kTrue);
    EXPECT_EQ(seen.trace, kFalse);
    EXPECT_EQ(seen.test, kFalse);
    EXPECT_EQ(seen.passwordRequests, 1);
    EXPECT_EQ(seen.check, kCheckValue);
    EXPECT_FALSE(zip.Dll_Load());  // unloaded after the operation
    EXPECT_EQ(loader.loaded, 0);
    EXPECT_FALSE(zip.Busy());
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(ZipArchiverTest, EmptyArchiveNameIs10102AndLeavesTheComponentIdle) {
    EXPECT_EQ(zip.Extract(), ZS::NoZipSpecified);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dialogs[0].find("   (10001)|Error - no zip file specified!"), std::string::npos);
    EXPECT_FALSE(zip.Busy());
    EXPECT_TRUE(loader.requests.empty());
}

TEST_F(ZipArchiverTest, SpecListsAreCopiedUnlessTheFirstIsStarDotStarAndAlwaysEmptied) {
    zip.SetZipFileName(archive);
    zip.ExtrBaseDir = Base();
    zip.FSpecArgs = {"b.txt", "*.*"};
    zip.Extract();
    EXPECT_EQ(seen.specs, (std::vector<std::string>{"b.txt", "*.*"}));
    EXPECT_TRUE(zip.FSpecArgs.empty());

    seen.specs.clear();
    zip.FSpecArgs = {"*.*", "b.txt"};
    zip.Extract();
    EXPECT_TRUE(seen.specs.empty());
    seen.specs.clear();
    zip.FSpecArgs = {"*.*"};
    zip.ExtrBaseDir = Base() + "/missing";  // fails before the engine: still emptied
    zip.Extract();
    EXPECT_TRUE(zip.FSpecArgs.empty());
}

TEST_F(ZipArchiverTest, PasswordRequestCountIsHeldAtFifteen) {
    zip.SetPasswordReqCount(20);
    EXPECT_EQ(zip.PasswordReqCount(), 15u);
    zip.SetPasswordReqCount(15);
    EXPECT_EQ(zip.PasswordReqCount(), 15u);
}

TEST_F(ZipArchiverTest, BaseFolderWithOrWithoutSeparatorIsTheSame) {
    zip.SetZipFileName(archive);
    zip.ExtrBaseDir = Base();
    zip.Extract();
    const std::string without = seen.baseFolder;
    zip.ExtrBaseDir = Base() + "/";
    zip.Extract();
    EXPECT_EQ(seen.baseFolder, without);
}

TEST_F(ZipArchiverTest, MissingBaseFolderIs10504WithoutTheEngine) {
    zip.SetZipFileName(archive);
    zip.ExtrBaseDir = Base() + "/nowhere";
    EXPECT_EQ(zip.Extract(), ZS::ExtractDirMustExist);
    EXPECT_TRUE(loader.requests.empty());
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dialogs[0].find("Extract directory '" + Base() + "/nowhere/' must exist"),
              std::string::npos);

    zip.ExtrOptions = {ExtrOverWrite, ExtrForceDirs, ExtrRefuseUnsafe};  // unless it may be made
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_TRUE(fs::is_directory(Base() + "/nowhere"));
    EXPECT_EQ(seen.refuseUnsafe, kTrue);
}

TEST_F(ZipArchiverTest, MissingLibraryIs10650NamingTheLibrary) {
    loader.libraries.clear();
    zip.SetZipFileName(archive);
    zip.ExtrBaseDir = Base();
    EXPECT_EQ(zip.Extract(), ZS::LoadFailed);
    ASSERT_FALSE(dialogs.empty());
    EXPECT_NE(dialogs.back().find("Failed to load ZipEng179.dll"), std::string::npos);
    EXPECT_FALSE(zip.Busy());
}

TEST_F(ZipArchiverTest, EngineFailureReleasesTheLibrary) {
    result = -2;
    zip.SetZipFileName(archive);
    zip.ExtrBaseDir = Base();
    EXPECT_EQ(zip.Extract(), ZS::DllAbort);
    EXPECT_EQ(loader.loaded, 0);
    EXPECT_FALSE(zip.Dll_Load());
    EXPECT_TRUE(zip.FSpecArgs.empty());
}

TEST_F(ZipArchiverTest, ReentryFromAHandlerIsRefusedAndANewNameIgnored) {
    zip.SetZipFileName(archive);
    zip.ExtrBaseDir = Base();
    int32_t inner = 0;
    onProgress = [&] {
        if (inner != 0) return;
        inner = zip.Extract();
        zip.SetZipFileName(archive + ".other");
    };
    percents.clear();
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(inner, -255);
    EXPECT_TRUE(zip.ReEntered());
    EXPECT_EQ(zip.ZipFileName(), archive);
    EXPECT_EQ(zip.SuccessCount(), 2);
}

TEST_F(ZipArchiverTest, HandlerExceptionEndsTheRunWithItsTextAppended) {
    zip.SetZipFileName(archive);
    zip.ExtrBaseDir = Base();
    onProgress = [] { throw std::runtime_error("handler broke"); };
    result = -1;  // the engine stops as asked
    EXPECT_EQ(zip.Extract(), ZS::DllCancelled);
    ASSERT_FALSE(dialogs.empty());
    EXPECT_NE(dialogs.back().find("DLL Error - User Cancelled #2 \"handler broke\""),
              std::string::npos)
        << dialogs.back();

    // A later run that fails before the engine shows only its own error.
    onProgress = nullptr;
    zip.ExtrBaseDir = Base() + "/nowhere";
    EXPECT_EQ(zip.Extract(), ZS::ExtractDirMustExist);
    EXPECT_EQ(dialogs.back().find("handler broke"), std::string::npos) << dialogs.back();
}

TEST_F(ZipArchiverTest, NotAZipArchiveIsShownOnReadAndOnExtract) {
    const std::string text = (folder / "notes.zip").string();
    std::ofstream(text) << "this is not an archive, just some text that is long enough";
    zip.SetZipFileName(text);
    zip.ExtrBaseDir = Base();
    EXPECT_EQ(zip.Extract(), ZS::NoValidZip);
    EXPECT_EQ(dialogs.size(), 2u);
    EXPECT_TRUE(loader.requests.empty());
}

}  // namespace

namespace {
TEST_F(ZipArchiverTest, UnwritableBaseFolderIs11051WithTheSystemError) {
    zip.SetZipFileName(archive);
    zip.ExtrBaseDir = "/proc";  // nobody may create files there, not even an administrator
    EXPECT_EQ(zip.Extract(), ZS::CannotWrite);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dialogs[0].find("Cannot write to /proc/ <"), std::string::npos) << dialogs[0];
    EXPECT_TRUE(loader.requests.empty());
}
}  // namespace

namespace {
// The system's answers, except that the folder `Temp` lies on drive "T:\" of kind `Kind`.
class TTempDrivePlatform final : public TZAPlatform {
public:
    std::string Temp;
    TZADriveKind Kind = TZADriveKind::Removable;

    std::unique_ptr<TZAFile> OpenRead(const std::string& p) override { return S().OpenRead(p); }
    std::unique_ptr<TZAFile> Create(const std::string& p) override { return S().Create(p); }
    bool FileExists(const std::string& p) override { return S().FileExists(p); }
    bool DeleteFile(const std::string& p, bool undo) override { return S().DeleteFile(p, undo); }
    std::vector<std::string> FindFiles(const std::string& f, const std::string& p) override {
        return S().FindFiles(f, p);
    }
    std::string TempFileName(const std::string& f, const std::string& p) override {
        return S().TempFileName(f, p);
    }
    std::string TempFolder() override { return S().TempFolder(); }
    bool DirectoryExists(const std::string& p) override { return S().DirectoryExists(p); }
    bool ForceDirectories(const std::string& p) override { return S().ForceDirectories(p); }
    std::string ExpandFileName(const std::string& p) override { return S().ExpandFileName(p); }
    std::string DriveRootOf(const std::string& p) override {
        return p.rfind(Temp, 0) == 0 ? "T:\\" : S().DriveRootOf(p);
    }
    TZADriveKind DriveType(const std::string& root) override {
        return root == "T:\\" ? Kind : S().DriveType(root);
    }
    uint32_t LogicalDrives() override { return S().LogicalDrives(); }
    bool VolumeInformation(const std::string& r, TZAVolumeInfo& i) override {
        return S().VolumeInformation(r, i);
    }
    std::string OemToAnsi(const std::string& t) override { return S().OemToAnsi(t); }
    std::string AnsiToOem(const std::string& t) override { return S().AnsiToOem(t); }
    bool IsLeadByte(uint8_t b) override { return S().IsLeadByte(b); }

private:
    static TZAPlatform& S() { return SystemPlatform(); }
};

TEST_F(ZipArchiverTest, TempDirOnADriveThatMayGoAwayIs11051OnTheGivenPlatform) {
    TTempDrivePlatform platform;
    platform.Temp = (folder / "temp").string();
    TZipArchiver other{nullptr, MakeDefaultZACoreUI(), platform, loader};
    other.OnZipDialog.Assign(
        [this](TZASender, const std::string&, std::string& text, int32_t& answer, TMsgDlgButtons) {
            dialogs.push_back(text);
            answer = 1;  // OK
        });
    other.Password = "marigoldstep";
    other.SetZipFileName(archive);
    other.ExtrBaseDir = Base();
    other.SetTempDir(platform.Temp);
    EXPECT_EQ(other.Extract(), ZS::CannotWrite);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dialogs[0].find("Cannot write to " + platform.Temp), std::string::npos) << dialogs[0];
    EXPECT_TRUE(loader.requests.empty());

    platform.Kind = TZADriveKind::RamDisk;  // a RAM disk stays in place, as a fixed disk does
    EXPECT_EQ(other.Extract(), 0);
    EXPECT_EQ(other.SuccessCount(), 2);
    EXPECT_EQ(other.TempDir(), platform.Temp);
}
}  // namespace
