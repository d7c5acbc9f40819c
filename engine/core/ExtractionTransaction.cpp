#include "engine/ExtractionTransaction.h"

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

#include "engine/EngineError.h"
#include "engine/NameText.h"

namespace zipengine {

namespace fs = std::filesystem;
using zipengine_abi::ZE_ErrInUse;
using zipengine_abi::ZE_ErrUnsafeName;
using zipengine_abi::ZE_ErrWrite;

namespace {

constexpr auto kRetryPause = std::chrono::milliseconds(100);
constexpr const char* kSiblingPattern = ".ze%08x%s";  // eight lower-case hex digits

// A replaced file this engine moved aside in an earlier run: ".ze" + 8 hex digits + ".old".
bool isEngineLeftoverName(const std::string& name) {
    if (name.size() != 15 || !name.starts_with(".ze") || !name.ends_with(".old")) return false;
    return std::all_of(name.begin() + 3, name.begin() + 11,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool isInside(const fs::path& path, const fs::path& canonicalBase) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    if (error) return false;
    fs::path relative = resolved.lexically_relative(canonicalBase);
    return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

ExtractionTransaction::ExtractionTransaction(fs::path baseFolder,
                                             std::chrono::milliseconds inUseRetry)
    : base_(std::move(baseFolder)), inUseRetry_(inUseRetry) {
    if (base_.empty()) base_ = pathFromUtf8(".");
    std::error_code error;
    if (!fs::exists(base_, error)) {
        // Created and remembered like any other folder, so a rollback removes it again.
        fs::path missing = base_;
        std::vector<fs::path> chain;
        while (!missing.empty() && !fs::exists(missing, error)) {
            chain.push_back(missing);
            if (missing.parent_path() == missing) break;
            missing = missing.parent_path();
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (!fs::create_directory(*it, error) && !fs::is_directory(*it))
                throw EngineError(ZE_ErrWrite, "Cannot create folder " + utf8FromPath(*it));
            createdFolders_.push_back(*it);
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

void ExtractionTransaction::makeFolder(const fs::path& relativeFolder) {
    fs::path folder = base_;
    for (const fs::path& segment : relativeFolder) {
        folder /= segment;
        if (checkedFolders_.contains(folder)) continue;
        std::error_code error;
        if (!fs::exists(fs::symlink_status(folder, error))) {
            if (!fs::create_directory(folder, error))
                throw EngineError(ZE_ErrWrite, "Cannot create folder " + utf8FromPath(folder));
            createdFolders_.push_back(folder);
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
    std::error_code error;
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof name, kSiblingPattern, counter.fetch_add(1), suffix);
        fs::path candidate = target.parent_path() / pathFromUtf8(name);
        if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
    }
}

std::unique_ptr<ExtractionTransaction::StagedFile> ExtractionTransaction::beginFile(
    const fs::path& relativeTarget) {
    fs::path target = base_ / relativeTarget;
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(target, error)))
        throw EngineError(ZE_ErrWrite, "A folder has the name of file " + utf8FromPath(target));
    Staged staged{uniqueSibling(target, ".tmp"), target, {}, false};
    auto file = std::make_unique<StagedFile>();
    file->file_ = openFile(staged.temporary, "wb");
    if (!file->file_)
        throw EngineError(ZE_ErrWrite, "Cannot create " + utf8FromPath(staged.temporary));
    file->index_ = staged_.size();
    staged_.push_back(std::move(staged));
    return file;
}

void ExtractionTransaction::StagedFile::write(std::span<const std::uint8_t> bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        throw EngineError(ZE_ErrWrite, "Write error (disk full?)");
}

void ExtractionTransaction::finishFile(std::unique_ptr<StagedFile> file,
                                       std::optional<fs::file_time_type> modified) {
    std::FILE* handle = file->file_.release();
    if (std::fflush(handle) != 0 || std::fclose(handle) != 0)
        throw EngineError(ZE_ErrWrite, "Write error (disk full?)");
    if (modified) {
        std::error_code ignored;  // a file system without times is no reason to fail
        fs::last_write_time(staged_[file->index_].temporary, *modified, ignored);
    }
}

bool ExtractionTransaction::renameWithRetry(const fs::path& from, const fs::path& to) {
    auto deadline = std::chrono::steady_clock::now() + inUseRetry_;
    for (;;) {
        std::error_code error;
        fs::rename(from, to, error);
        if (!error) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kRetryPause);
    }
}

void ExtractionTransaction::commit() {
    for (Staged& staged : staged_) {
        std::error_code error;
        if (fs::exists(fs::symlink_status(staged.target, error))) {
            fs::path backup = uniqueSibling(staged.target, ".old");
            if (!renameWithRetry(staged.target, backup)) {
                undoPlacements();
                throw EngineError(ZE_ErrInUse, "File in use: " + utf8FromPath(staged.target));
            }
            staged.backup = backup;
        }
        if (!renameWithRetry(staged.temporary, staged.target)) {
            undoPlacements();
            throw EngineError(ZE_ErrWrite, "Cannot place " + utf8FromPath(staged.target));
        }
        staged.placed = true;
    }
    finished_ = true;
    for (Staged& staged : staged_) {
        if (staged.backup.empty()) continue;
        std::error_code error;
        // Windows refuses to delete a read-only file; the replaced file is ours to delete now.
        fs::permissions(staged.backup, fs::perms::owner_write, fs::perm_options::add, error);
        auto deadline = std::chrono::steady_clock::now() + inUseRetry_;
        while (!fs::remove(staged.backup, error) && error &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(kRetryPause);
        if (error) leftovers_.push_back(staged.backup);
    }
    removeEarlierLeftovers();
}

void ExtractionTransaction::removeEarlierLeftovers() noexcept {
    // Only the folders this run wrote into: each of them was checked to lie inside the base.
    std::set<fs::path> folders{base_};
    for (const Staged& staged : staged_) folders.insert(staged.target.parent_path());
    for (const fs::path& folder : folders) {
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const fs::path& file = it->path();
            if (!isEngineLeftoverName(utf8FromPath(file.filename()))) continue;
            if (std::find(leftovers_.begin(), leftovers_.end(), file) != leftovers_.end())
                continue;  // still in use a moment ago: the next run tries again
            std::error_code ignored;
            if (!fs::is_regular_file(fs::symlink_status(file, ignored))) continue;
            fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ignored);
            fs::remove(file, ignored);
        }
    }
}

void ExtractionTransaction::undoPlacements() noexcept {
    for (auto it = staged_.rbegin(); it != staged_.rend(); ++it) {
        if (it->placed) {
            renameWithRetry(it->target, it->temporary);
            it->placed = false;
        }
        if (!it->backup.empty()) {
            renameWithRetry(it->backup, it->target);
            it->backup.clear();
        }
    }
}

void ExtractionTransaction::rollback() noexcept {
    undoPlacements();
    for (const Staged& staged : staged_) {
        std::error_code ignored;
        fs::remove(staged.temporary, ignored);
    }
    staged_.clear();
    for (auto it = createdFolders_.rbegin(); it != createdFolders_.rend(); ++it) {
        std::error_code ignored;
        fs::remove(*it, ignored);  // only when empty: never takes anything it did not make
    }
    createdFolders_.clear();
    finished_ = true;
}

}  // namespace zipengine
