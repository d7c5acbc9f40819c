// The archive component under Windows: the real engine library extracting an encrypted
// archive made by Info-ZIP, and small fake engines for the binding's refusals.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "test_environment.h"
#include "archive/ZipArchiver.h"

using namespace quill::archive;

namespace fs = std::filesystem;

namespace {

std::string TestData(const char* name) {
    return testenv::WindowsPath(testenv::Get(name));
}

class ArchiveComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = fs::temp_directory_path() /
               ("za-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(base);
        fs::create_directories(base);
        zip.ExtrOptions = {ExtrOverWrite};
        zip.Password = "marigoldstep";
        zip.Verbose = true;
        zip.OnTotalProgress.Assign([this](TZASender, int64_t total, int32_t percent) {
            progress.emplace_back(total, percent);
        });
        zip.OnZipDialog.Assign([this](TZASender, const std::string& title, std::string& text,
                                      int32_t& result, TMsgDlgButtons) {
            dialogs.push_back(title + "|" + text);
            result = 1;
        });
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }

    fs::path base;
    TZipArchiver zip{nullptr};
    std::vector<std::pair<int64_t, int32_t>> progress;
    std::vector<std::string> dialogs;
};

TEST_F(ArchiveComponentTest, RealEngineExtractsTheEncryptedArchive) {
    zip.DLLDirectory = TestData("QUILL_ENGINE_DIR");
    zip.SetZipFileName(TestData("QUILL_UPDATE_ZIP"));
    ASSERT_EQ(progress, (std::vector<std::pair<int64_t, int32_t>>{{0, 101}}));
    zip.ExtrBaseDir = base.string();
    EXPECT_EQ(zip.Extract(), 0) << (dialogs.empty() ? "" : dialogs.back());
    EXPECT_EQ(zip.SuccessCount(), 3);
    EXPECT_EQ(testenv::ReadFile((base / "readme.txt").string()), "Quillora update\n");
    // Without ExtrDirNames the entries land in the base folder without their folders.
    EXPECT_EQ(fs::file_size(base / "big.bin"), 300000u);
    EXPECT_FALSE(fs::exists(base / "data"));

    ASSERT_GE(progress.size(), 4u);
    for (size_t i = 2; i + 1 < progress.size(); ++i)
        EXPECT_GE(progress[i].second, progress[i - 1].second) << i;
    EXPECT_EQ(progress[progress.size() - 2].second, 100);
    EXPECT_EQ(progress.back(), std::make_pair(int64_t{0}, 101));
    EXPECT_FALSE(zip.Dll_Load());
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(ArchiveComponentTest, WrongPasswordAnswerExtractsNothing) {
    zip.DLLDirectory = TestData("QUILL_ENGINE_DIR");
    zip.Password = "wrong";
    zip.OnPasswordError.Assign([](TZASender, bool, std::string& password, const std::string&,
                                  uint32_t& repeat, TMsgDlgBtn& action) { action = mbCancel; });
    zip.SetZipFileName(TestData("QUILL_UPDATE_ZIP"));
    zip.ExtrBaseDir = base.string();
    zip.Extract();
    EXPECT_FALSE(fs::exists(base / "readme.txt"));
    EXPECT_FALSE(zip.Dll_Load());
}

TEST_F(ArchiveComponentTest, MissingLibraryIs10650NamingIt) {
    // Nothing beside this program: the system's search for the bare name fails.
    zip.SetZipFileName(TestData("QUILL_UPDATE_ZIP"));
    zip.ExtrBaseDir = base.string();
    EXPECT_EQ(zip.Extract(), ZS::LoadFailed);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dialogs[0].find("Failed to load ZipEng179.dll"), std::string::npos) << dialogs[0];
    EXPECT_TRUE(fs::is_empty(base));
}

struct FakeCase {
    const char* folder;
    int expected;
};

TEST_F(ArchiveComponentTest, FakeEnginesAreRejectedOrTheirResultsReported) {
    const FakeCase cases[] = {{"QUILL_FAKE_301", ZS::LoadOldOrCorrupt},
                              {"QUILL_FAKE_178", ZS::LoadOldOrCorrupt},
                              {"QUILL_FAKE_NOPATH", ZS::LoadOldOrCorrupt}};
    zip.SetZipFileName(TestData("QUILL_UPDATE_ZIP"));
    zip.ExtrBaseDir = base.string();
    for (const FakeCase& c : cases) {
        zip.DLLDirectory = TestData(c.folder);
        EXPECT_EQ(zip.Extract(), c.expected) << c.folder;
        EXPECT_FALSE(zip.Dll_Load()) << c.folder;
    }
    ASSERT_EQ(dialogs.size(), 3u);
    for (const std::string& shown : dialogs)
        EXPECT_NE(shown.find(" - It is old or corrupt"), std::string::npos) << shown;

    zip.DLLDirectory = TestData("QUILL_FAKE_179");
    const std::pair<int, int> results[] = {{-1, ZS::DllCancelled},        {-2, ZS::DllAbort},
                                           {-3, ZS::DllHandlerException}, {-4, ZS::DllNoMem},
                                           {-5, ZS::DllInvalidStruct},    {-6, ZS::DllCritical},
                                           {-7, ZS::DllCritical}};
    for (auto [result, id] : results) {
        SetEnvironmentVariableA("QUILL_FAKE_MODE", ("result:" + std::to_string(result)).c_str());
        EXPECT_EQ(zip.Extract(), id) << result;
    }
    SetEnvironmentVariableA("QUILL_FAKE_MODE", nullptr);
}

TEST_F(ArchiveComponentTest, PasswordAnswerReachesTheEngineCut) {
    const std::string log = (base / "fake.log").string();
    SetEnvironmentVariableA("QUILL_FAKE_LOG", log.c_str());
    SetEnvironmentVariableA("QUILL_FAKE_MODE", "password");
    zip.OnPasswordError.Assign([](TZASender, bool, std::string& password,
                                  const std::string& forFile, uint32_t& repeat, TMsgDlgBtn&) {
        EXPECT_EQ(forFile, "secret\\data.txt");
        password.assign(120, 'x');
        repeat = 100;
    });
    zip.DLLDirectory = TestData("QUILL_FAKE_179");
    zip.SetZipFileName(TestData("QUILL_UPDATE_ZIP"));
    zip.ExtrBaseDir = base.string();
    EXPECT_EQ(zip.Extract(), 0);
    SetEnvironmentVariableA("QUILL_FAKE_MODE", nullptr);
    SetEnvironmentVariableA("QUILL_FAKE_LOG", nullptr);
    EXPECT_EQ(testenv::ReadFile(log), "reply=-1 count=15 length=80\n");
}

}  // namespace
