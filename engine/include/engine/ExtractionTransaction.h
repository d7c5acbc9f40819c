// All or nothing on disk, also across a kill or a power cut: entries are written to temporary
// files beside their targets, and a journal in the base folder names every one of them before
// the first target is replaced (see engine/README.md, "All or nothing").
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "engine/EntryDecoder.h"
#include "engine/FileOps.h"

namespace zipengine {

class ExtractionTransaction {
public:
    // `inUseRetry` is how long targets that cannot be replaced (still open in the program that
    // is closing, typically) are waited for before the whole batch is given up.
    ExtractionTransaction(std::filesystem::path baseFolder, std::chrono::milliseconds inUseRetry,
                          FileOps& ops);
    ~ExtractionTransaction();  // rolls back unless committed
    ExtractionTransaction(const ExtractionTransaction&) = delete;
    ExtractionTransaction& operator=(const ExtractionTransaction&) = delete;

    const std::filesystem::path& baseFolder() const { return base_; }

    // Creates the folder below the base (and its missing parents), remembered for a rollback.
    // Throws EngineError: ZE_ErrUnsafeName when it resolves outside the base (a link),
    // ZE_ErrWrite when it cannot be made.
    void makeFolder(const std::filesystem::path& relativeFolder);

    // A temporary file beside the target (whose folder must have been made); write into it,
    // then hand it back to finishFile, which puts it on the disk. Throws EngineError
    // (ZE_ErrWrite).
    class StagedFile : public ByteSink {
    public:
        void write(std::span<const std::uint8_t> bytes) override;

    private:
        friend class ExtractionTransaction;
        std::unique_ptr<WritableFile> file_;
        std::size_t index_ = 0;
        std::uint64_t size_ = 0;
        std::uint32_t crc_ = 0;
    };
    std::unique_ptr<StagedFile> beginFile(const std::filesystem::path& relativeTarget);
    void finishFile(std::unique_ptr<StagedFile> file,
                    std::optional<std::filesystem::file_time_type> modified);

    // Puts every staged file in place, each in one step; the main executable last. Throws
    // EngineError (ZE_ErrInUse or ZE_ErrWrite) after putting everything back.
    void commit();
    void rollback() noexcept;

    // Replaced files that could not be deleted after a commit (still in use): the journal
    // stays and names them, and the next run (or recovery) removes them.
    const std::vector<std::filesystem::path>& leftovers() const { return leftovers_; }

private:
    struct Staged {
        std::filesystem::path temporary;
        std::filesystem::path target;
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
        bool finished = false;
    };
    class Journal;

    std::filesystem::path uniqueSibling(const std::filesystem::path& target,
                                        const char* suffix) const;
    Journal& journal();
    // Waits until no existing target is held open against replacing; false when time is up.
    bool waitUntilReplaceable();

    std::filesystem::path base_;
    std::filesystem::path canonicalBase_;
    std::chrono::milliseconds inUseRetry_;
    FileOps& ops_;
    std::unique_ptr<Journal> journal_;
    std::vector<std::filesystem::path> createdBaseFolders_;
    std::set<std::filesystem::path> checkedFolders_;
    std::vector<Staged> staged_;
    std::vector<std::filesystem::path> leftovers_;
    bool finished_ = false;
};

}  // namespace zipengine
