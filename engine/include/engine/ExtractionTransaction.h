// All or nothing on disk: entries are written to temporary files beside their targets and
// moved into place only when every one of them was written and verified.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "engine/EntryDecoder.h"
#include "engine/FileHandle.h"

namespace zipengine {

class ExtractionTransaction {
public:
    // `inUseRetry` is how long a target that cannot be replaced (still open in the program
    // that is closing, typically) is retried before the whole batch is given up.
    ExtractionTransaction(std::filesystem::path baseFolder, std::chrono::milliseconds inUseRetry);
    ~ExtractionTransaction();  // rolls back unless committed
    ExtractionTransaction(const ExtractionTransaction&) = delete;
    ExtractionTransaction& operator=(const ExtractionTransaction&) = delete;

    const std::filesystem::path& baseFolder() const { return base_; }

    // Creates the folder below the base (and its missing parents), remembered for a rollback.
    // Throws EngineError: ZE_ErrUnsafeName when it resolves outside the base (a link),
    // ZE_ErrWrite when it cannot be made.
    void makeFolder(const std::filesystem::path& relativeFolder);

    // A temporary file beside the target (whose folder must have been made); write into it,
    // then hand it back to finishFile. Throws EngineError (ZE_ErrWrite).
    class StagedFile : public ByteSink {
    public:
        void write(std::span<const std::uint8_t> bytes) override;

    private:
        friend class ExtractionTransaction;
        FileHandle file_;
        std::size_t index_ = 0;
    };
    std::unique_ptr<StagedFile> beginFile(const std::filesystem::path& relativeTarget);
    void finishFile(std::unique_ptr<StagedFile> file,
                    std::optional<std::filesystem::file_time_type> modified);

    // Moves every staged file into place, keeping the replaced files until all are placed.
    // Throws EngineError (ZE_ErrInUse or ZE_ErrWrite) after putting everything back.
    void commit();
    void rollback() noexcept;

    // Replaced files that could not be deleted after a commit (still in use). A later commit
    // that writes into their folder removes them.
    const std::vector<std::filesystem::path>& leftovers() const { return leftovers_; }

private:
    struct Staged {
        std::filesystem::path temporary;
        std::filesystem::path target;
        std::filesystem::path backup;  // empty while the target has not been moved aside
        bool placed = false;
    };

    std::filesystem::path uniqueSibling(const std::filesystem::path& target,
                                        const char* suffix) const;
    bool renameWithRetry(const std::filesystem::path& from, const std::filesystem::path& to);
    void undoPlacements() noexcept;
    // Deletes the replaced files that earlier runs could not, in the folders this run used.
    void removeEarlierLeftovers() noexcept;

    std::filesystem::path base_;
    std::filesystem::path canonicalBase_;
    std::chrono::milliseconds inUseRetry_;
    std::vector<std::filesystem::path> createdFolders_;
    std::set<std::filesystem::path> checkedFolders_;
    std::vector<Staged> staged_;
    std::vector<std::filesystem::path> leftovers_;
    bool finished_ = false;
};

}  // namespace zipengine
