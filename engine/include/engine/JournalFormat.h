// The install journal's text, shared by the transaction that writes it and the recovery that
// reads it. One line per record, UTF-8, fields separated by tabs (no file name holds one),
// paths relative to the base folder with "/" between segments:
//
//   zipengine install journal<TAB>1                        header, flushed before anything else
//   folder<TAB>F                                           a folder about to be made
//   staged<TAB>S                                           a staged file about to be made
//   file<TAB>T<TAB>S<TAB>size<TAB>crc<TAB>O<TAB>A          target T gets staged S (its size and
//                                                          CRC-32 in 8 hex digits); O keeps the
//                                                          old file, A is its name if it must
//                                                          be moved aside (both empty: new file)
//   prepared<TAB>count<TAB>crc                             every `file` line written before it
//                                                          (count) and the CRC-32 of every byte
//                                                          before this line; flushed together
//                                                          with every staged file: the commit
//                                                          may begin
//   done                                                   every target holds its new file
//
// A line counts only when it ends with a line feed: a cut while one was written leaves it out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/InstallJournal.h"

namespace zipengine::journal {

inline constexpr std::string_view kHeader = "zipengine install journal\t1\n";
inline constexpr const char* kJournalSuffix = ".journal";
inline constexpr const char* kStagedSuffix = ".tmp";
inline constexpr const char* kOldSuffix = ".old";

// The engine's own names: ".ze", eight lower-case hex digits, then `suffix`.
bool isEngineName(std::string_view fileName, std::string_view suffix);

struct Entry {
    std::string target, staged;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::string oldCopy, aside;  // empty when the target did not exist
};

std::string folderLine(const std::string& folder);
std::string stagedLine(const std::string& staged);
std::string entryLine(const Entry& entry);
std::string preparedLine(std::size_t entries, std::uint32_t crcBefore);
inline constexpr std::string_view kDoneLine = "done\n";

struct Contents {
    bool headerOk = false;
    bool tornHeader = false;  // only a beginning of the header: cut while it was written
    bool damaged = false;     // a whole line that is not ours, or a prepared line that fails
    bool prepared = false;
    bool done = false;
    std::vector<std::string> folders, staged;
    std::vector<Entry> entries;
};
Contents parse(std::string_view text);

// The relative name of `path` below `base` as the journal writes it.
std::string relativeName(const std::filesystem::path& base, const std::filesystem::path& path);
// The path a journal name stands for; none when it could leave the base folder.
std::optional<std::filesystem::path> resolve(const std::filesystem::path& base,
                                             const std::string& relative);

// Size and CRC-32 of a file's bytes; none when it cannot be read.
struct Fingerprint {
    std::uint64_t size;
    std::uint32_t crc;
    bool operator==(const Fingerprint&) const = default;
};
std::optional<Fingerprint> fingerprintOf(const std::filesystem::path& path);

// Recovers the install of one journal: forward when it can, or only back (`backOnly`: the
// transaction giving up). Never throws.
RecoveryResult recover(const std::filesystem::path& base, const std::filesystem::path& journal,
                       FileOps& ops, bool backOnly);

}  // namespace zipengine::journal
