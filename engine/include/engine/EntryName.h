// What an archive entry's name may become on disk, and which file specs select it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zipengine {

// Turns a name stored in the OEM code page into UTF-8. The Windows side asks the system for
// its OEM code page; without a decoder the bytes are read as ISO 8859-1.
using OemDecoder = std::function<std::string(std::string_view stored)>;

// What the central directory says about one entry's name.
struct StoredName {
    std::string_view bytes;
    std::uint16_t flags = 0;                    // bit 11: the name is UTF-8
    std::uint16_t versionMadeBy = 0;            // high byte: the host system (3: Unix)
    std::span<const std::uint8_t> unicodePath;  // data of extra field 0x7075, empty if none
};

// The entry's name in UTF-8, read as 7-Zip and Info-ZIP's unzip read it: UTF-8 when flagged;
// else the Unicode Path field's name when its CRC-32 matches the stored bytes; else UTF-8 when
// made on Unix and valid UTF-8; else the OEM code page.
std::string decodeEntryName(const StoredName& name, const OemDecoder& oem);

// Splits an entry name into folder and file segments that are safe to create below a base
// folder on Windows and elsewhere: std::nullopt for absolute names, drive letters, UNC
// prefixes, ".." segments, device names (CON, COM1, ...), characters Windows forbids, and
// segments Windows would silently alter (trailing dots or spaces). Empty and "." segments are
// dropped; a name with nothing left is unsafe too.
std::optional<std::vector<std::string>> safeEntrySegments(std::string_view name);

// Names are UTF-8 here. A file spec with the wildcards * (any run of characters, separators
// included) and ? (one character), compared case-insensitively with / and \ alike. A spec without
// any separator also matches the entry's last segment alone, so "quill.exe" finds "bin/quill.exe".
bool fileSpecMatches(std::string_view spec, std::string_view entryName);

}  // namespace zipengine
