#pragma once
// The highest version this installation has ever recorded, kept beside the installed
// version in HKCU\Quillora\Diverse (value VersiuneMaxima), so that no replayed release can
// take the installation below it.

#include <optional>
#include <string>

#include "update/UpdateDecision.h"

namespace quill::update {

inline constexpr const char* HighestVersionValue = "VersiuneMaxima";

// The higher of VersiuneMaxima and VersiuneStructura; empty when neither holds a version.
std::optional<FileVersion> HighestRecordedVersion();

// Raises VersiuneMaxima to versionText when that is higher (or the value is missing).
// Returns false when the registry refuses.
bool NoteRecordedVersion(const std::string& versionText);

}  // namespace quill::update
