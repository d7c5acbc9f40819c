// Recovery of an install that a kill or a power cut interrupted. Extraction keeps a journal in
// the base folder while it replaces files (see engine/README.md, "All or nothing"); this
// finishes the install when every new file is whole on disk, else puts the old files back.
#pragma once

#include <filesystem>
#include <string>

namespace zipengine {

class FileOps;

enum class RecoveryOutcome { NothingToDo, RolledForward, RolledBack, Blocked };

struct RecoveryResult {
    RecoveryOutcome outcome;
    std::string blockedFile;  // UTF-8; the file that stayed locked when Blocked
};

// Finishes or undoes an install interrupted in baseFolder (journal present), then removes
// every leftover (.tmp, .old, journal). Never throws; Blocked when a file stays locked.
RecoveryResult recoverInterruptedInstall(const std::filesystem::path& baseFolder);
// The same through given file operations (tests).
RecoveryResult recoverInterruptedInstall(const std::filesystem::path& baseFolder, FileOps& ops);

}  // namespace zipengine
