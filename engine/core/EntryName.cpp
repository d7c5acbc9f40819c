#include "engine/EntryName.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "engine/NameText.h"

namespace zipengine {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool isDeviceName(std::string_view segment) {
    // Windows treats "con.txt" and "con  " as the device too.
    std::string_view stem = segment.substr(0, segment.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    std::string upper;
    for (char c : stem) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN",    "AUX",
                                                               "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kPlain.begin(), kPlain.end(), upper) != kPlain.end()) return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
           upper[3] >= '0' && upper[3] <= '9';
}

bool isSafeSegment(std::string_view segment) {
    if (segment == "..") return false;
    for (char c : segment) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos) return false;
    }
    if (segment.back() == '.' || segment.back() == ' ') return false;
    return !isDeviceName(segment);
}

bool isWideSeparator(char32_t c) {
    return c == U'/' || c == U'\\';
}

// Both already case folded, so that ? stands for one letter and not for one byte.
bool wildcardMatch(std::u32string_view pattern, std::u32string_view text) {
    // Iterative matcher with one backtrack point: linear in practice, no recursion depth.
    std::size_t p = 0, t = 0, starP = std::u32string_view::npos, starT = 0;
    auto same = [](char32_t a, char32_t b) {
        return a == b || (isWideSeparator(a) && isWideSeparator(b));
    };
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == U'?' || same(pattern[p], text[t]))) {
            ++p, ++t;
        } else if (starP != std::u32string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

}  // namespace

std::optional<std::vector<std::string>> safeEntrySegments(std::string_view name) {
    if (name.empty() || isSeparator(name.front())) return std::nullopt;  // absolute or UNC
    if (name.size() >= 2 && name[1] == ':') return std::nullopt;         // drive letter
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) ++end;
        std::string_view segment = name.substr(start, end - start);
        if (!segment.empty() && segment != ".") {
            if (!isSafeSegment(segment)) return std::nullopt;
            segments.emplace_back(segment);
        }
        start = end + 1;
    }
    if (segments.empty()) return std::nullopt;
    return segments;
}

bool fileSpecMatches(std::string_view specText, std::string_view entryName) {
    const std::u32string spec = foldedName(specText), name = foldedName(entryName);
    if (wildcardMatch(spec, name)) return true;
    if (std::any_of(spec.begin(), spec.end(), isWideSeparator)) return false;
    std::u32string_view trimmed = name;
    while (!trimmed.empty() && isWideSeparator(trimmed.back())) trimmed.remove_suffix(1);
    auto lastSeparator = std::find_if(trimmed.rbegin(), trimmed.rend(), isWideSeparator);
    if (lastSeparator == trimmed.rend()) return false;
    return wildcardMatch(spec, trimmed.substr(trimmed.rend() - lastSeparator));
}

std::string decodeEntryName(const StoredName& name, const OemDecoder& oem) {
    constexpr std::uint16_t kUtf8Flag = 0x0800;
    constexpr std::uint8_t kHostUnix = 3;
    if ((name.flags & kUtf8Flag) && isValidUtf8(name.bytes)) return std::string(name.bytes);
    // Info-ZIP's Unicode Path field: version 1, CRC-32 of the stored name, the UTF-8 name. A
    // CRC that differs means a later tool renamed the entry without knowing the field.
    if (name.unicodePath.size() > 5 && name.unicodePath[0] == 1) {
        const std::uint8_t* field = name.unicodePath.data();
        std::uint32_t crc =
            field[1] | field[2] << 8 | field[3] << 16 | static_cast<std::uint32_t>(field[4]) << 24;
        std::string_view unicode(reinterpret_cast<const char*>(field + 5),
                                 name.unicodePath.size() - 5);
        auto stored = reinterpret_cast<const Bytef*>(name.bytes.data());
        if (crc32_z(crc32(0, nullptr, 0), stored, name.bytes.size()) == crc && isValidUtf8(unicode))
            return std::string(unicode);
    }
    if (name.versionMadeBy >> 8 == kHostUnix && isValidUtf8(name.bytes))
        return std::string(name.bytes);
    if (oem) return oem(name.bytes);
    std::string latin1;
    for (char c : name.bytes) appendUtf8(latin1, static_cast<unsigned char>(c));
    return latin1;
}

}  // namespace zipengine
