// Version query against the loopback server, version record, quit request.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <thread>

#include "test_environment.h"
#include "archive/ZANames.h"
#include "update/VersionHistory.h"
#include "update/utils.h"

using namespace quill::archive;

using namespace quill::update;

namespace fs = std::filesystem;
using testenv::WindowsPath;

namespace {

std::string Server() {
    return testenv::Get("QUILL_TEST_SERVER");
}

// Each case serves from a release subfolder of its own: <server>/release-<name>/.
std::string ReleaseWithReply(const std::string& name, const std::string& reply) {
    const fs::path folder = fs::path(WindowsPath(testenv::Get("QUILL_TEST_RELEASE"))) / name;
    fs::create_directories(folder);
    testenv::WriteFile((folder / "lastver.txt").string(), reply);
    return Server() + "release-" + name + "/";
}

class WorkFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("quill-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        for (auto& entry : fs::recursive_directory_iterator(folder_, ignored))
            SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(folder_, ignored);
    }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    fs::path folder_;
};

using VersionQueryTest = WorkFolder;

TEST_F(VersionQueryTest, ReturnsTheFirstLineWithoutItsLineEnd) {
    const auto reply = Path("lastVerNet.txt");
    EXPECT_EQ(VersionQuery(ReleaseWithReply("crlf", "OK00012.0.0.0\r\nsecond\r\n"), "ab12", reply),
              "OK00012.0.0.0");
    // The whole reply stays on disk until the next run.
    EXPECT_EQ(testenv::ReadFile(reply), "OK00012.0.0.0\r\nsecond\r\n");
    EXPECT_EQ(VersionQuery(ReleaseWithReply("zero", "0\nmore lines\n"), "ab12", reply), "0");
}

TEST_F(VersionQueryTest, EmptyBodyIsAnEmptyReplyNotZero) {
    const auto reply = Path("lastVerNet.txt");
    EXPECT_EQ(VersionQuery(ReleaseWithReply("empty", ""), "ab12", reply), "");
    EXPECT_TRUE(fs::exists(reply));
}

TEST_F(VersionQueryTest, FailedRequestsLeaveNoReplyFile) {
    const auto reply = Path("lastVerNet.txt");
    testenv::WriteFile(reply, "OK0000stale\r\n");
    EXPECT_EQ(VersionQuery("http://127.0.0.1:1/", "ab12", reply), "0");  // nothing listens
    EXPECT_FALSE(fs::exists(reply));

    testenv::WriteFile(reply, "OK0000stale\r\n");
    EXPECT_EQ(VersionQuery(Server() + "release-nothing/", "ab12", reply), "0");  // 404
    EXPECT_FALSE(fs::exists(reply));
}

TEST_F(VersionQueryTest, AsksTheServerEveryTimeNeverTheCache) {
    const auto reply = Path("lastVerNet.txt");
    const auto base = ReleaseWithReply("fresh", "OK00011.0.0.1");
    EXPECT_EQ(VersionQuery(base, "ab12", reply), "OK00011.0.0.1");
    ReleaseWithReply("fresh", "OK00011.0.0.2");
    EXPECT_EQ(VersionQuery(base, "ab12", reply), "OK00011.0.0.2");

    const std::string log = testenv::ReadFile(WindowsPath(testenv::Get("QUILL_TEST_LOG")));
    EXPECT_NE(log.find("\"/release-fresh/getLastVer.php?id=ab12\""), std::string::npos) << log;
    EXPECT_NE(log.find("no-cache"), std::string::npos) << log;
}

std::string Fixture(const char* name) {
    return WindowsPath(testenv::Get(name));
}

TEST(FileVersionTest, ReadsTheFourNumbersUnsigned) {
    EXPECT_EQ(VersionText(Fixture("QUILL_FAKE_V1")), "1.0.0.0");
    EXPECT_EQ(VersionText(Fixture("QUILL_FAKE_V3")), "3.12.0.40000");
    EXPECT_FALSE(FileVersionOf(Fixture("QUILL_FAKE_NOVERSION")).has_value());
    EXPECT_FALSE(FileVersionOf("C:\\no\\such\\quill.exe").has_value());
}

std::string RegistryVersion(const char* name = "VersiuneStructura") {
    char value[256] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, "Quillora\\Diverse", name, RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return "<absent>";
    return value;
}

void ClearRegistryVersion() {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Quillora\\Diverse", "VersiuneStructura");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Quillora\\Diverse", HighestVersionValue);
}

using RecordVersionTest = WorkFolder;

TEST_F(RecordVersionTest, WritesOneLineAndTheRegistryValueEveryTime) {
    ClearRegistryVersion();
    const auto file = Path("firme.reg");
    ASSERT_TRUE(RecordInstalledVersion(Fixture("QUILL_FAKE_V3"), file));
    EXPECT_EQ(testenv::ReadFile(file), "3.12.0.40000\r\n");
    EXPECT_EQ(RegistryVersion(), "3.12.0.40000");

    ASSERT_TRUE(RecordInstalledVersion(Fixture("QUILL_FAKE_V1"), file));
    EXPECT_EQ(testenv::ReadFile(file), "1.0.0.0\r\n");
    EXPECT_EQ(RegistryVersion(), "1.0.0.0");
    // The new record took the old one's name: nothing staged stays beside it.
    EXPECT_FALSE(fs::exists(file + ".tmp"));
    const VersionRecord record = ReadVersionRecord(file);
    EXPECT_EQ(record.File, "1.0.0.0");
    EXPECT_EQ(record.Registry, "1.0.0.0");
    // The highest version ever recorded stays: no replayed release may go below it.
    EXPECT_EQ(RegistryVersion(HighestVersionValue), "3.12.0.40000");
    ASSERT_TRUE(HighestRecordedVersion());
    EXPECT_EQ(FormatVersion(*HighestRecordedVersion()), "3.12.0.40000");
    ClearRegistryVersion();
    EXPECT_EQ(ReadVersionRecord(Path("absent.reg")).File, std::nullopt);
    EXPECT_EQ(ReadVersionRecord(file).Registry, std::nullopt);
}

TEST_F(RecordVersionTest, UnwritableFileFailsBeforeTheRegistryIsWritten) {
    ClearRegistryVersion();
    // A folder where the file should be: it cannot be created on any system.
    const auto blocked = Path("firme.reg");
    fs::create_directories(blocked);
    EXPECT_THROW(RecordInstalledVersion(Fixture("QUILL_FAKE_V1"), blocked), EInOutError);
    EXPECT_EQ(RegistryVersion(), "<absent>");
    EXPECT_FALSE(fs::exists(blocked + ".tmp"));
}

TEST_F(RecordVersionTest, ReadOnlyFileFailsBeforeTheRegistryIsWritten) {
    ClearRegistryVersion();
    const auto file = Path("firme.reg");
    testenv::WriteFile(file, "0.9.0.0\r\n");
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE probe = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        GTEST_SKIP() << "wine running as root writes read-only files; the folder case covers this";
    }
    EXPECT_THROW(RecordInstalledVersion(Fixture("QUILL_FAKE_V1"), file), EInOutError);
    EXPECT_EQ(testenv::ReadFile(file), "0.9.0.0\r\n");
    EXPECT_EQ(RegistryVersion(), "<absent>");
}

TEST_F(RecordVersionTest, ExecutableWithoutVersionRecordsNothing) {
    ClearRegistryVersion();
    const auto file = Path("firme.reg");
    EXPECT_FALSE(RecordInstalledVersion(Fixture("QUILL_FAKE_NOVERSION"), file));
    EXPECT_FALSE(RecordInstalledVersion(Path("missing.exe"), file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(RegistryVersion(), "<absent>");
}

TEST(CloseMainApplicationTest, QuitRequestEndsTheMainApplication) {
    EXPECT_FALSE(CloseMainApplication("QuilloraFree"));  // not running yet

    std::string command = "\"" + Fixture("QUILL_FAKE_V1") + "\" --window";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    for (int i = 0; i < 200 && !FindWindowA(nullptr, "QuilloraFree"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(CloseMainApplication("QuilloraFree"));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

namespace {

using AnsiPathTest = WorkFolder;

// The three ways a wide name becomes narrow: as it is, by its short form, or not at all.
TEST_F(AnsiPathTest, LettersOutsideTheCodePageTakeTheShortForm) {
    const std::wstring base = folder_.wstring() + L"\\";
    const std::wstring plain = base + L"Contabilitate", lossy = base + L"\u0218tiin\u021Ba";
    ASSERT_TRUE(CreateDirectoryW(plain.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(lossy.c_str(), nullptr));

    EXPECT_EQ(ZANames::AnsiPath(plain), folder_.string() + "\\Contabilitate");
    const std::string shortForm = ZANames::AnsiPath(lossy);
    ASSERT_FALSE(shortForm.empty());
    EXPECT_EQ(shortForm.find('?'), std::string::npos) << shortForm;
    const DWORD attributes = GetFileAttributesA(shortForm.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << shortForm;
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // A name the system cannot shorten (nothing there) has no narrow form at all.
    EXPECT_EQ(ZANames::AnsiPath(base + L"\u0218ters"), "");
    // The running program's folder is one the narrow functions find.
    EXPECT_NE(GetFileAttributesA(ProgramFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
