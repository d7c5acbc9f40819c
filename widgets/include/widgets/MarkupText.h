// The text side of the markup language: entity replacement, the preparation
// of a whole markup text, tag attributes and colour values. No drawing here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill::widgets::markup {

// 0x00BBGGRR as forms store colours; negative values name system colours.
using TColor = std::int32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
// A system colour: this flag or'ed with the system's colour index.
inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
inline constexpr int kColorHighlight = 13;
inline constexpr int kColorHighlightText = 14;
inline constexpr TColor SystemColor(int index) {
    return clSystemColor | index;
}

// Replaces the entities of the whole text until none is left ("&amp;amp;"
// ends as "&"). Characters outside ASCII are those of Windows-1252.
std::string ReplaceTextEntities(std::string_view text);

// The entities that only text runs replace: "&nbsp;", "&lt;", "&gt;". Done per
// run so that "&lt;" never opens a tag.
std::string ReplaceRunEntities(std::string_view run);

// Everything done to a markup text before it is laid out: entities, the first
// "<#...>" dropped, line feeds dropped, carriage returns turned into <BR>.
std::string PrepareMarkup(std::string_view text);

// ASCII upper case of a tag (the tags and attribute names are ASCII).
std::string UpperAscii(std::string_view text);

// The value of attribute name (upper case) in tag: the text between the next
// pair of double quotes after the name. The name must stand as a word of its
// own, so COLOR is never found inside BGCOLOR. Searching starts at from.
std::optional<std::string> TagAttribute(std::string_view tag, std::string_view name,
                                        std::size_t from = 0);
// The first double-quoted value of the tag (an anchor's target).
std::optional<std::string> FirstQuotedValue(std::string_view tag);

// A leading whole number (optional sign); nullopt when there is none.
std::optional<int> ParseInteger(std::string_view text);

// "#RRGGBB" or a colour name (case does not matter); anything else is black.
TColor ParseColor(std::string_view value);

}  // namespace quill::widgets::markup
