// The few operating-system services the message texts need, with a Win32 implementation and
// a native one (Latin-1 conversion, US English, no resources, no system texts).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace ZASys {
// UTF-16 to the ANSI code page.
std::string WideToAnsi(const std::u16string& text);
// The user's default locale id.
int UserDefaultLangId();
// The language-table resource (RCDATA 11610) of the program, or an empty span.
std::span<const uint8_t> LanguageResource();
// Replaces the program's language-table resource (an empty span restores it); for tests.
void OverrideLanguageResource(std::span<const uint8_t> bytes);
// The system's message text for an OS error code, without trailing line breaks.
std::string ErrorText(int code);
}  // namespace ZASys
