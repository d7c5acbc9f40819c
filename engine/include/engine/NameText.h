// Names as text inside the engine.
//
// The one rule for file names: inside the engine every name is Unicode, held as UTF-8 in a
// std::string, and becomes a std::filesystem::path only through pathFromUtf8 (wide on
// Windows, so every letter reaches the disk as it is). No path is ever built from any other
// narrow string: on Windows that would read the bytes in the wrong code page. Narrow names
// from the caller are in the ANSI code page; the library's Windows side turns them wide once
// (MultiByteToWideChar with CP_ACP) before they reach the core, and turns the UTF-8 texts the
// core reports back into ANSI once, where the callback contract wants them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zipengine {

bool isValidUtf8(std::string_view text);

// The code points of UTF-8 text; each invalid byte becomes U+FFFD.
std::u32string codePointsOf(std::string_view utf8);
void appendUtf8(std::string& out, char32_t codePoint);

// For comparing names as Windows does: case folded for ASCII and the Latin letters.
std::u32string foldedName(std::string_view utf8);

std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string utf8FromPath(const std::filesystem::path& path);

}  // namespace zipengine
