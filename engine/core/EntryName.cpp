#include "EntryName.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace zipengine {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

char foldCase(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
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

bool wildcardMatch(std::string_view pattern, std::string_view text) {
    // Iterative matcher with one backtrack point: linear in practice, no recursion depth.
    std::size_t p = 0, t = 0, starP = std::string_view::npos, starT = 0;
    auto same = [](char a, char b) {
        return (isSeparator(a) && isSeparator(b)) || foldCase(a) == foldCase(b);
    };
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], text[t]))) {
            ++p, ++t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
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

bool fileSpecMatches(std::string_view spec, std::string_view entryName) {
    if (wildcardMatch(spec, entryName)) return true;
    if (std::any_of(spec.begin(), spec.end(), isSeparator)) return false;
    std::string_view trimmed = entryName;
    while (!trimmed.empty() && isSeparator(trimmed.back())) trimmed.remove_suffix(1);
    auto lastSeparator = std::find_if(trimmed.rbegin(), trimmed.rend(), isSeparator);
    if (lastSeparator == trimmed.rend()) return false;
    return wildcardMatch(spec, trimmed.substr(trimmed.rend() - lastSeparator));
}

}  // namespace zipengine
