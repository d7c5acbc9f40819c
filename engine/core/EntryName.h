// What an archive entry's name may become on disk, and which file specs select it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zipengine {

// Splits an entry name into folder and file segments that are safe to create below a base
// folder on Windows and elsewhere: std::nullopt for absolute names, drive letters, UNC
// prefixes, ".." segments, device names (CON, COM1, ...), characters Windows forbids, and
// segments Windows would silently alter (trailing dots or spaces). Empty and "." segments are
// dropped; a name with nothing left is unsafe too.
std::optional<std::vector<std::string>> safeEntrySegments(std::string_view name);

// A file spec with the wildcards * (any run of characters, separators included) and ?
// (one character), compared case-insensitively with / and \ alike. A spec without any
// separator also matches the entry's last segment alone, so "quill.exe" finds "bin/quill.exe".
bool fileSpecMatches(std::string_view spec, std::string_view entryName);

}  // namespace zipengine
