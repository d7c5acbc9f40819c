// Modification times of entries, as the file system keeps them.
#pragma once

#include <filesystem>
#include <optional>

#include "engine/ZipDirectory.h"

namespace zipengine {

// From the NTFS, extended or old Unix time field when the entry has one (UTC), else from the
// DOS date and time (local time). std::nullopt for a DOS stamp that names no valid time.
std::optional<std::filesystem::file_time_type> entryModified(const ZipEntry& entry);

// Whether the file on disk is older than the entry, allowing for the two-second steps of DOS
// times. A file whose time cannot be read counts as older.
bool fileIsOlderThanEntry(const std::filesystem::path& file, const ZipEntry& entry);

}  // namespace zipengine
