#pragma once
// The start of every run: an install that a cut (a power failure, a killed process)
// interrupted is finished or undone before anything else, and the version record is
// brought in line with the main executable that is there.

#include <optional>
#include <string>

namespace quill::update {

// Told when a file of the interrupted install stays locked.
std::string RecoveryBlockedText(const std::string& file);

// Finishes or undoes an install interrupted in the program folder and removes what it left,
// then, when the folder changed or the version record (firme.reg, when there is one, and the
// registry value) disagrees with quill.exe, records the version of that quill.exe. Returns
// the installed version the run goes on with: `commandLineVersion` when nothing was done,
// else that of quill.exe. Silent on success; when a file stays locked it says so in one box,
// changes nothing more and returns no version (the run ends).
std::optional<std::string> RecoverInterruptedInstall(const std::string& commandLineVersion);

}  // namespace quill::update
