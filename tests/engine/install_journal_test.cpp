// An install of a few files cut at every one of the engine's file operations, by a failure or
// by the end of the process: after recovery the folder holds the old or the new release, byte
// for byte, and nothing else.
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "engine/FileOps.h"
#include "engine/InstallJournal.h"
#include "engine_test_support.h"

namespace {

using namespace enginetest;
using namespace zipengine_abi;
using zipengine::FileStatus;
using zipengine::RecoveryOutcome;
using Tree = std::map<std::string, std::string>;

constexpr int kKilledStatus = 77;

// The platform's operations, counted; the call numbered `at` fails, or ends the process (after
// a power cut also loses what was not flushed: zeros in its place), or is the first of those
// that never reach the disk (as after a kill, without ending the process). Also watches that
// nothing is put in place while it or the journal has bytes that are not flushed.
class FaultyFileOps final : public zipengine::FileOps {
public:
    enum class Fault { Fail, Kill, PowerCut, Dead };
    FaultyFileOps(Fault fault, int at) : fault_(fault), at_(at) {}

    int calls = 0;
    std::vector<std::string> unflushedAtReplace;
    std::vector<std::string> replaced;
    std::vector<int> replaceCalls;
    fs::path inUse;  // probed as held open by someone

    bool hit() {
        ++calls;
        if (fault_ == Fault::Dead) return at_ > 0 && calls >= at_;
        if (calls != at_) return false;
        if (fault_ == Fault::PowerCut) loseWhatWasNotFlushed();
        if (fault_ == Fault::Kill || fault_ == Fault::PowerCut) _exit(kKilledStatus);
        return true;
    }

    std::unique_ptr<zipengine::WritableFile> create(const fs::path& path) override {
        if (hit()) return nullptr;
        auto file = real_.create(path);
        return file ? std::make_unique<File>(*this, path, std::move(file)) : nullptr;
    }
    FileStatus replace(const fs::path& from, const fs::path& to) override {
        for (const auto& [path, unflushed] : dirty_)
            if (path == from || path.extension() == ".journal")
                unflushedAtReplace.push_back(path.filename().string());
        replaced.push_back(to.filename().string());
        replaceCalls.push_back(calls + 1);
        return hit() ? FileStatus::Failed : real_.replace(from, to);
    }
    FileStatus keepCopy(const fs::path& existing, const fs::path& copy) override {
        return hit() ? FileStatus::Failed : real_.keepCopy(existing, copy);
    }
    FileStatus remove(const fs::path& path) override {
        if (hit()) return FileStatus::Failed;
        dirty_.erase(path);
        return real_.remove(path);
    }
    FileStatus makeFolder(const fs::path& path) override {
        return hit() ? FileStatus::Failed : real_.makeFolder(path);
    }
    FileStatus removeFolder(const fs::path& path) override {
        return hit() ? FileStatus::Failed : real_.removeFolder(path);
    }
    FileStatus probeReplace(const fs::path& path) override {
        if (hit()) return FileStatus::Failed;
        return path == inUse ? FileStatus::InUse : real_.probeReplace(path);
    }
    FileStatus setModified(const fs::path& path, fs::file_time_type time) override {
        return hit() ? FileStatus::Failed : real_.setModified(path, time);
    }

private:
    class File final : public zipengine::WritableFile {
    public:
        File(FaultyFileOps& ops, fs::path path, std::unique_ptr<zipengine::WritableFile> real)
            : ops_(ops), path_(std::move(path)), real_(std::move(real)) {}
        bool write(std::span<const std::uint8_t> bytes) override {
            if (ops_.hit()) return false;
            ops_.dirty_.try_emplace(path_, written_);
            written_ += bytes.size();
            return real_->write(bytes);
        }
        bool flush() override {
            if (ops_.hit() || !real_->flush()) return false;
            ops_.dirty_.erase(path_);
            return true;
        }
        bool close() override {
            bool failed = ops_.hit();
            return real_->close() && !failed;  // a dead process's files are closed all the same
        }

    private:
        FaultyFileOps& ops_;
        fs::path path_;
        std::uint64_t written_ = 0;
        std::unique_ptr<zipengine::WritableFile> real_;
    };

    void loseWhatWasNotFlushed() {
        for (const auto& [path, flushed] : dirty_) {
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekg(0, std::ios::end);
            auto size = static_cast<std::uint64_t>(file.tellg());
            file.seekp(static_cast<std::streamoff>(flushed));
            file << std::string(size - flushed, '\0');
        }
    }

    Fault fault_;
    int at_;
    zipengine::FileOps& real_ = zipengine::platformFileOps();
    std::map<fs::path, std::uint64_t> dirty_;  // written, not flushed since: bytes that are
};

// The installed release: files the archive replaces, one it holds unchanged, one it lacks.
void installOldRelease(const fs::path& base) {
    writeFile(base / "quill.exe", "old main program");
    writeFile(base / "a.txt", "old a");
    writeFile(base / "sub/b.bin", "old b");
    writeFile(base / "same.txt", readFile(archivePath("src-install/same.txt")));
    writeFile(base / "only-old.txt", "only the old release has me");
}

zipengine::ExtractRequest installRequest(const fs::path& base, zipengine::FileOps& ops) {
    auto request = requestFor("install.zip", base);
    request.baseFolder = base.string() + "/";  // as the component hands it over
    request.fileOps = &ops;
    return request;
}

struct Releases {
    Tree oldTree, newTree;
};

const Releases& releases() {
    static const Releases trees = [] {
        ScratchFolder scratch;
        installOldRelease(scratch.path());
        Releases made{snapshot(scratch.path()), {}};
        RecordingHost host;
        EXPECT_EQ(extract(requestFor("install.zip", scratch.path()), host), 6);
        made.newTree = snapshot(scratch.path());
        return made;
    }();
    return trees;
}

// Runs `body` in a child process; its exit status, or -1 when it did not exit.
template <typename Body>
int inChild(Body body) {
    pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string wholeMainProgram(const fs::path& base) {
    std::string bytes = readFile(base / "quill.exe");
    bool whole =
        bytes == releases().oldTree.at("quill.exe") || bytes == releases().newTree.at("quill.exe");
    return whole ? "" : "quill.exe is not whole: " + std::to_string(bytes.size()) + " bytes";
}

TEST(InstallJournalTest, KillOrPowerCutAtEveryCallLeavesAProgramThatRecoveryMakesOldOrNew) {
    const Releases& trees = releases();
    int completedAt = 0;
    for (int step = 2; completedAt == 0; ++step) {
        const int n = step / 2;  // each call is cut by a kill, then by a power cut
        auto fault = step % 2 ? FaultyFileOps::Fault::PowerCut : FaultyFileOps::Fault::Kill;
        SCOPED_TRACE((step % 2 ? "power cut at call " : "killed at call ") + std::to_string(n));
        ScratchFolder scratch;
        installOldRelease(scratch.path());
        int status = inChild([&] {
            FaultyFileOps ops(fault, n);
            RecordingHost host;
            return extract(installRequest(scratch.path(), ops), host) == 6 ? 0 : 1;
        });
        ASSERT_TRUE(status == kKilledStatus || status == 0) << status;
        if (status == 0) completedAt = n;
        EXPECT_EQ(wholeMainProgram(scratch.path()), "");
        // Recovery cut again and again, each time one call later, until it runs to its end
        // (after a power cut it runs at once: its cuts are the same as after a kill).
        for (int m = fault == FaultyFileOps::Fault::Kill ? 1 : 0;; ++m) {
            FaultyFileOps ops(FaultyFileOps::Fault::Dead, m);
            auto result = zipengine::recoverInterruptedInstall(scratch.path(), ops);
            EXPECT_EQ(wholeMainProgram(scratch.path()), "") << "recovery cut at " << m;
            if (m == 0 || ops.calls < m) {
                EXPECT_NE(result.outcome, RecoveryOutcome::Blocked);
                break;
            }
        }
        Tree after = snapshot(scratch.path());
        EXPECT_TRUE(after == trees.oldTree || after == trees.newTree);
        if (status == 0) {
            EXPECT_EQ(after, trees.newTree);
        }
    }
    EXPECT_GT(completedAt, 20) << "every operation of the install was cut once";
}

// Without the engine's names (.ze????????.*): the program as a user sees it.
Tree programFiles(Tree tree) {
    std::erase_if(tree, [](const auto& item) {
        return fs::path(item.first).filename().string().starts_with(".ze");
    });
    return tree;
}

TEST(InstallJournalTest, FailureAtEveryCallIsToldAsWhatIsOnDiskAndNothingIsPlacedUnflushed) {
    const Releases& trees = releases();
    for (int n = 1;; ++n) {
        SCOPED_TRACE("failed at call " + std::to_string(n));
        ScratchFolder scratch;
        installOldRelease(scratch.path());
        FaultyFileOps ops(FaultyFileOps::Fault::Fail, n);
        RecordingHost host;
        std::int32_t result = extract(installRequest(scratch.path(), ops), host);
        const Tree& told = result == 6 ? trees.newTree : trees.oldTree;
        EXPECT_TRUE(result == 6 || result == ZE_Aborting) << result;
        EXPECT_EQ(programFiles(snapshot(scratch.path())), programFiles(told));
        // What stays (an old copy that could not go, say) goes at the next recovery.
        FaultyFileOps watching(FaultyFileOps::Fault::Fail, 0);
        zipengine::recoverInterruptedInstall(scratch.path(), watching);
        EXPECT_EQ(snapshot(scratch.path()), told);
        EXPECT_EQ(ops.unflushedAtReplace, std::vector<std::string>{});
        EXPECT_EQ(watching.unflushedAtReplace, std::vector<std::string>{});
        if (ops.calls < n) {
            EXPECT_EQ(ops.replaced.back(), "quill.exe") << "the main program comes last";
            break;
        }
    }
}

// The folder as a cut in the middle of the commit leaves it: two targets new, the others old.
void cutInTheMiddleOfTheCommit(const fs::path& base) {
    static const int thirdReplacement = [] {
        ScratchFolder scratch;
        installOldRelease(scratch.path());
        FaultyFileOps counting(FaultyFileOps::Fault::Fail, 0);
        RecordingHost host;
        extract(installRequest(scratch.path(), counting), host);
        return counting.replaceCalls.at(2);
    }();
    installOldRelease(base);
    FaultyFileOps ops(FaultyFileOps::Fault::Dead, thirdReplacement);
    RecordingHost host;
    extract(installRequest(base, ops), host);
}

fs::path onlyFile(const fs::path& base, const std::string& suffix) {
    for (const auto& item : fs::recursive_directory_iterator(base))
        if (item.path().extension() == suffix) return item.path();
    return {};
}

TEST(InstallJournalTest, MissingStagedFileOrDamagedJournalGoesBackAndLosesNoOldFile) {
    const Releases& trees = releases();
    {
        SCOPED_TRACE("a staged file went missing");
        ScratchFolder scratch;
        cutInTheMiddleOfTheCommit(scratch.path());
        // The main program's: the one staged file whose target is surely still old.
        std::string journal = readFile(onlyFile(scratch.path(), ".journal"));
        std::size_t line = journal.find("file\tquill.exe\t");
        ASSERT_NE(line, std::string::npos);
        std::string staged = journal.substr(line + 15, journal.find('\t', line + 15) - line - 15);
        ASSERT_TRUE(fs::remove(scratch.path() / staged)) << staged;
        EXPECT_EQ(zipengine::recoverInterruptedInstall(scratch.path()).outcome,
                  RecoveryOutcome::RolledBack);
        EXPECT_EQ(snapshot(scratch.path()), trees.oldTree);
    }
    for (const char* damage : {"file\t", "prepared\t", "zipengine"}) {
        SCOPED_TRACE(std::string("damaged: ") + damage);
        ScratchFolder scratch;
        cutInTheMiddleOfTheCommit(scratch.path());
        fs::path journal = onlyFile(scratch.path(), ".journal");
        std::string text = readFile(journal);
        text[text.find(damage) + 1] ^= 1;
        writeFile(journal, text);
        zipengine::recoverInterruptedInstall(scratch.path());
        // Whatever recovery could not be sure of stays: every old file is still somewhere.
        std::set<std::string> contents;
        for (const auto& [name, bytes] : snapshot(scratch.path())) contents.insert(bytes);
        for (const auto& [name, bytes] : trees.oldTree)
            EXPECT_TRUE(contents.contains(bytes)) << name;
        EXPECT_EQ(wholeMainProgram(scratch.path()), "");
    }
}

TEST(InstallJournalTest, ATargetHeldOpenStopsEverythingBeforeAnythingChanges) {
    const Releases& trees = releases();
    ScratchFolder scratch;
    installOldRelease(scratch.path());
    FaultyFileOps ops(FaultyFileOps::Fault::Fail, 0);
    ops.inUse = scratch.path() / "sub/b.bin";
    RecordingHost host;
    EXPECT_EQ(extract(installRequest(scratch.path(), ops), host), ZE_Aborting);
    EXPECT_EQ(host.only("message").back().value, ZE_ErrInUse);
    EXPECT_EQ(ops.replaced, std::vector<std::string>{}) << "waited for before any swap";
    EXPECT_EQ(snapshot(scratch.path()), trees.oldTree);

    // Recovery too: blocked, it names the file and changes nothing; released, it ends the job.
    cutInTheMiddleOfTheCommit(scratch.path());
    Tree cut = snapshot(scratch.path());
    FaultyFileOps holding(FaultyFileOps::Fault::Fail, 0);
    holding.inUse = scratch.path() / "quill.exe";
    auto blocked = zipengine::recoverInterruptedInstall(scratch.path(), holding);
    EXPECT_EQ(blocked.outcome, RecoveryOutcome::Blocked);
    EXPECT_EQ(fs::path(blocked.blockedFile).filename(), "quill.exe");
    EXPECT_EQ(snapshot(scratch.path()), cut);
    EXPECT_EQ(zipengine::recoverInterruptedInstall(scratch.path()).outcome,
              RecoveryOutcome::RolledForward);
    EXPECT_EQ(snapshot(scratch.path()), trees.newTree);
}

}  // namespace
