#include "engine/ExtractionTransaction.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

#include "engine/EngineError.h"
#include "engine/JournalFormat.h"
#include "engine/NameText.h"

namespace zipengine {

namespace fs = std::filesystem;
using zipengine_abi::ZE_ErrInUse;
using zipengine_abi::ZE_ErrUnsafeName;
using zipengine_abi::ZE_ErrWrite;

namespace {

constexpr auto kRetryPause = std::chrono::milliseconds(100);
// The program the updater installs. Committed last, a new quill.exe means that every other file
// is new too: the version it reports is the version of the whole folder.
constexpr std::string_view kMainExecutable = "quill.exe";

bool isInside(const fs::path& path, const fs::path& canonicalBase) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    if (error) return false;
    fs::path relative = resolved.lexically_relative(canonicalBase);
    return !relative.empty() && *relative.begin() != "..";
}

bool present(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::uint32_t crcUpdate(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(crc32_z(crc, bytes.data(), bytes.size()));
}

std::uint32_t crcStart() {
    return static_cast<std::uint32_t>(crc32(0, nullptr, 0));
}

}  // namespace

// The journal being written: every line goes out at once; `flush` puts it on the disk.
class ExtractionTransaction::Journal {
public:
    Journal(FileOps& ops, fs::path path) : ops_(ops), path_(std::move(path)) {
        file_ = ops_.create(path_);
        if (!file_) throw EngineError(ZE_ErrWrite, "Cannot create " + utf8FromPath(path_));
        append(journal::kHeader);
        flush();
    }
    void append(std::string_view line) {
        std::span bytes(reinterpret_cast<const std::uint8_t*>(line.data()), line.size());
        if (!file_ || !file_->write(bytes))
            throw EngineError(ZE_ErrWrite, "Cannot write " + utf8FromPath(path_));
        crc_ = crcUpdate(crc_, bytes);
    }
    void flush() {
        if (!file_ || !file_->flush())
            throw EngineError(ZE_ErrWrite, "Cannot write " + utf8FromPath(path_));
    }
    void close() noexcept {
        if (file_) file_->close();
        file_.reset();
    }
    std::uint32_t crc() const { return crc_; }
    const fs::path& path() const { return path_; }

private:
    FileOps& ops_;
    fs::path path_;
    std::unique_ptr<WritableFile> file_;
    std::uint32_t crc_ = crcStart();
};

ExtractionTransaction::ExtractionTransaction(fs::path baseFolder,
                                             std::chrono::milliseconds inUseRetry, FileOps& ops)
    : base_(std::move(baseFolder)), inUseRetry_(inUseRetry), ops_(ops) {
    if (base_.empty()) base_ = pathFromUtf8(".");
    std::error_code error;
    if (!fs::exists(base_, error)) {
        // Created and remembered, so a rollback removes it again.
        fs::path missing = base_;
        std::vector<fs::path> chain;
        while (!missing.empty() && !fs::exists(missing, error)) {
            chain.push_back(missing);
            if (missing.parent_path() == missing) break;
            missing = missing.parent_path();
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (ops_.makeFolder(*it) != FileStatus::Ok && !fs::is_directory(*it))
                throw EngineError(ZE_ErrWrite, "Cannot create folder " + utf8FromPath(*it));
            createdBaseFolders_.push_back(*it);
        }
    }
    if (!fs::is_directory(base_, error))
        throw EngineError(ZE_ErrWrite, "Not a folder: " + utf8FromPath(base_));
    canonicalBase_ = fs::canonical(base_, error);
    if (error) throw EngineError(ZE_ErrWrite, "Cannot resolve folder " + utf8FromPath(base_));
}

ExtractionTransaction::~ExtractionTransaction() {
    if (!finished_) rollback();
}

ExtractionTransaction::Journal& ExtractionTransaction::journal() {
    // Begun before the first folder or staged file, so that a cut at any later moment leaves
    // a record of what to take away.
    if (!journal_)
        journal_ = std::make_unique<Journal>(
            ops_, uniqueSibling(base_ / "journal", journal::kJournalSuffix));
    return *journal_;
}

void ExtractionTransaction::makeFolder(const fs::path& relativeFolder) {
    fs::path folder = base_;
    for (const fs::path& segment : relativeFolder) {
        folder /= segment;
        if (checkedFolders_.contains(folder)) continue;
        std::error_code error;
        if (!fs::exists(fs::symlink_status(folder, error))) {
            journal().append(journal::folderLine(journal::relativeName(base_, folder)));
            if (ops_.makeFolder(folder) != FileStatus::Ok)
                throw EngineError(ZE_ErrWrite, "Cannot create folder " + utf8FromPath(folder));
        } else if (!fs::is_directory(folder, error)) {
            throw EngineError(ZE_ErrWrite, "Not a folder: " + utf8FromPath(folder));
        }
        // A link or junction inside the base must not lead the entries out of it.
        if (!isInside(folder, canonicalBase_))
            throw EngineError(ZE_ErrUnsafeName,
                              "Folder leads outside the base: " + utf8FromPath(folder));
        checkedFolders_.insert(folder);
    }
}

fs::path ExtractionTransaction::uniqueSibling(const fs::path& target, const char* suffix) const {
    static std::atomic<std::uint32_t> counter{std::random_device{}()};
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof name, ".ze%08x%s", counter.fetch_add(1), suffix);
        fs::path candidate = target.parent_path() / pathFromUtf8(name);
        if (!present(candidate)) return candidate;
    }
}

std::unique_ptr<ExtractionTransaction::StagedFile> ExtractionTransaction::beginFile(
    const fs::path& relativeTarget) {
    fs::path target = base_ / relativeTarget;
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(target, error)))
        throw EngineError(ZE_ErrWrite, "A folder has the name of file " + utf8FromPath(target));
    Staged staged{uniqueSibling(target, journal::kStagedSuffix), target};
    journal().append(journal::stagedLine(journal::relativeName(base_, staged.temporary)));
    auto file = std::make_unique<StagedFile>();
    file->file_ = ops_.create(staged.temporary);
    if (!file->file_)
        throw EngineError(ZE_ErrWrite, "Cannot create " + utf8FromPath(staged.temporary));
    file->index_ = staged_.size();
    file->crc_ = crcStart();
    staged_.push_back(std::move(staged));
    return file;
}

void ExtractionTransaction::StagedFile::write(std::span<const std::uint8_t> bytes) {
    if (!file_->write(bytes)) throw EngineError(ZE_ErrWrite, "Write error (disk full?)");
    size_ += bytes.size();
    crc_ = crcUpdate(crc_, bytes);
}

void ExtractionTransaction::finishFile(std::unique_ptr<StagedFile> file,
                                       std::optional<fs::file_time_type> modified) {
    // On the disk before the journal says the commit may begin.
    if (!file->file_->flush() || !file->file_->close())
        throw EngineError(ZE_ErrWrite, "Write error (disk full?)");
    Staged& staged = staged_[file->index_];
    staged.size = file->size_;
    staged.crc = file->crc_;
    staged.finished = true;
    // A file system without times is no reason to fail.
    if (modified) ops_.setModified(staged.temporary, *modified);
}

bool ExtractionTransaction::waitUntilReplaceable() {
    auto deadline = std::chrono::steady_clock::now() + inUseRetry_;
    for (;;) {
        bool free = std::none_of(staged_.begin(), staged_.end(), [&](const Staged& staged) {
            return present(staged.target) && ops_.probeReplace(staged.target) == FileStatus::InUse;
        });
        if (free) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kRetryPause);
    }
}

void ExtractionTransaction::commit() {
    if (staged_.empty()) {
        finished_ = true;
        if (journal_) {
            journal_->close();
            ops_.remove(journal_->path());
        }
        return;
    }
    // Decided before anything is swapped: a target held open stops the batch with every file
    // as it was.
    if (!waitUntilReplaceable()) {
        std::string names;
        for (const Staged& staged : staged_)
            if (present(staged.target) && ops_.probeReplace(staged.target) == FileStatus::InUse)
                names += (names.empty() ? "" : ", ") + utf8FromPath(staged.target);
        rollback();
        throw EngineError(ZE_ErrInUse, "File in use: " + names);
    }
    auto fail = [this](zipengine_abi::ZE_ErrorCode code, const std::string& text) {
        rollback();
        throw EngineError(code, text);
    };

    std::vector<journal::Entry> entries;
    std::vector<const Staged*> order;
    for (const Staged& staged : staged_) order.push_back(&staged);
    std::stable_partition(order.begin(), order.end(), [&](const Staged* staged) {
        return staged->target.parent_path() != base_ ||
               foldedName(utf8FromPath(staged->target.filename())) != foldedName(kMainExecutable);
    });
    for (const Staged* staged : order) {
        journal::Entry entry{journal::relativeName(base_, staged->target),
                             journal::relativeName(base_, staged->temporary),
                             staged->size,
                             staged->crc,
                             {},
                             {}};
        if (present(staged->target)) {
            entry.oldCopy =
                journal::relativeName(base_, uniqueSibling(staged->target, journal::kOldSuffix));
            // Reserved now, used only when the target must be moved aside.
            entry.aside =
                journal::relativeName(base_, uniqueSibling(staged->target, journal::kOldSuffix));
        }
        entries.push_back(std::move(entry));
    }
    try {
        for (const journal::Entry& entry : entries) journal().append(journal::entryLine(entry));
        journal().append(journal::preparedLine(entries.size(), journal().crc()));
        journal().flush();
    } catch (const EngineError& error) {
        fail(ZE_ErrWrite, error.what());
    }

    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Staged& staged = *order[i];
        if (!entries[i].oldCopy.empty()) {
            // The old file keeps a second name before the target takes the new one: its name
            // never goes missing and the old bytes stay until the journal says done.
            if (ops_.keepCopy(staged.target, *journal::resolve(base_, entries[i].oldCopy)) !=
                FileStatus::Ok)
                fail(ZE_ErrWrite, "Cannot keep a copy of " + utf8FromPath(staged.target));
        }
        FileStatus status = ops_.replace(staged.temporary, staged.target);
        if (status == FileStatus::Denied && !entries[i].aside.empty()) {
            // A running image (or a read-only file) cannot be replaced, only moved aside.
            status = ops_.replace(staged.target, *journal::resolve(base_, entries[i].aside));
            if (status == FileStatus::Ok) status = ops_.replace(staged.temporary, staged.target);
        }
        if (status == FileStatus::InUse)
            fail(ZE_ErrInUse, "File in use: " + utf8FromPath(staged.target));
        if (status != FileStatus::Ok)
            fail(ZE_ErrWrite, "Cannot place " + utf8FromPath(staged.target));
    }
    try {
        journal().append(journal::kDoneLine);
        journal().flush();
    } catch (const EngineError& error) {
        fail(ZE_ErrWrite, error.what());
    }
    finished_ = true;
    journal_->close();

    for (const journal::Entry& entry : entries) {
        for (const std::string* copy : {&entry.oldCopy, &entry.aside}) {
            if (copy->empty()) continue;
            fs::path path = *journal::resolve(base_, *copy);
            if (present(path) && ops_.remove(path) != FileStatus::Ok) leftovers_.push_back(path);
        }
    }
    if (leftovers_.empty()) ops_.remove(journal_->path());
}

void ExtractionTransaction::rollback() noexcept {
    if (journal_) {
        journal_->close();
        journal::recover(base_, journal_->path(), ops_, true);
        journal_.reset();
    }
    staged_.clear();
    for (auto it = createdBaseFolders_.rbegin(); it != createdBaseFolders_.rend(); ++it)
        ops_.removeFolder(*it);  // only when empty: never takes anything it did not make
    createdBaseFolders_.clear();
    finished_ = true;
}

}  // namespace zipengine
