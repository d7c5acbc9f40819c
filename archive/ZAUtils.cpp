#include "ZAUtils.h"

#include <cctype>
#include <cstdio>

namespace ZAPath {

namespace {
bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}
}  // namespace

size_t NameStart(const std::string& p) {
    for (size_t i = p.size(); i > 0; --i) {
        const char c = p[i - 1];
        if (IsSeparator(c) || c == ':') return i;
    }
    return 0;
}

std::string FolderOf(const std::string& p) {
    return p.substr(0, NameStart(p));
}

std::string NameOf(const std::string& p) {
    return p.substr(NameStart(p));
}

std::string ExtensionOf(const std::string& p) {
    const size_t start = NameStart(p);
    const size_t dot = p.rfind('.');
    if (dot == std::string::npos || dot < start) return {};
    return p.substr(dot);
}

std::string ChangeExtension(const std::string& p, const std::string& ext) {
    return p.substr(0, p.size() - ExtensionOf(p).size()) + ext;
}

std::string UpperCase(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

int NumberOrZero(const std::string& s) {
    if (s.empty() || s.size() > 9) return 0;
    int value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string ThreeDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

}  // namespace ZAPath

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    auto same = [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}
