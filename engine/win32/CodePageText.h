// Where the library meets the component's ANSI strings and the system's OEM code page. The
// rule for names is stated in core/NameText.h: each narrow name from the component becomes
// wide (or UTF-8) here, once, and every text for the component becomes ANSI here, once.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zipengine {

// A path named by an ANSI string of the component.
std::filesystem::path pathFromAnsi(std::string_view ansi);
std::string utf8FromAnsi(std::string_view ansi);
// Letters the ANSI code page lacks become "?": never a look-alike that names another file.
std::string ansiFromUtf8(std::string_view utf8);
// Entry names stored in the OEM code page (852 under a Romanian Windows).
std::string utf8FromOem(std::string_view oem);

}  // namespace zipengine
