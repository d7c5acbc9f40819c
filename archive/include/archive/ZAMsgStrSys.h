// The few operating-system services the message texts and the engine loader need, with a
// Win32 implementation and a native one (Latin-1 conversion, US English, no resources, the C
// library's error texts). The one place for them in this folder.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quill::archive {

// UTF-16 to the ANSI code page.
std::string WideToAnsi(const std::u16string& text);
// The user's default locale id.
int UserDefaultLangId();
// The program's RCDATA resource `id` (whether this code runs in the program or in a
// library); an empty span when it has none. The bytes live as long as the program.
std::span<const uint8_t> ProgramResource(int id);
// The language-table resource (RCDATA 11610) of the program, or an empty span.
std::span<const uint8_t> LanguageResource();
// Replaces the program's language-table resource (an empty span restores it); for tests.
void OverrideLanguageResource(std::span<const uint8_t> bytes);
// The system's message text for an OS error code, without trailing line breaks.
std::string OsErrorText(int code);

}  // namespace quill::archive
