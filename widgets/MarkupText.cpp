#include "widgets/MarkupText.h"

#include <array>
#include <cctype>
#include <charconv>
#include <limits>
#include <utility>

namespace quill::widgets::markup {
namespace {

struct Entity {
    std::string_view name;
    std::string_view text;
};

// Windows-1252 code points of the replacements.
constexpr std::array<Entity, 9> kTextEntities{{
    {"&amp;", "&"},
    {"&quot;", "\""},
    {"&sect;", "\xA7"},
    {"&permil;", "\x89"},
    {"&reg;", "\xAE"},
    {"&copy;", "\xA9"},
    {"&para;", "\xB6"},
    {"&trade;", "\x99"},
    {"&euro;", "\x80"},
}};

constexpr std::array<Entity, 3> kRunEntities{{
    {"&nbsp;", " "},
    {"&lt;", "<"},
    {"&gt;", ">"},
}};

template <std::size_t N>
void AppendReplacing(std::string& out, std::string_view text, const std::array<Entity, N>& table) {
    out.reserve(out.size() + text.size());
    for (char c : text) {
        out.push_back(c);
        if (c != ';') continue;
        // Every entity ends with ';': checking the tail on each ';' finds the
        // entities that earlier replacements produce too, in one pass, where
        // replacing over the whole text again would take quadratic time.
        bool replaced = true;
        while (replaced && !out.empty() && out.back() == ';') {
            replaced = false;
            for (const Entity& e : table) {
                if (std::string_view(out).ends_with(e.name)) {
                    out.resize(out.size() - e.name.size());
                    out.append(e.text);
                    replaced = true;
                    break;
                }
            }
        }
    }
}

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

struct NamedColor {
    std::string_view name;
    TColor color;
};

constexpr std::array<NamedColor, 16> kPlainColors{{
    {"clred", 0x0000FF},
    {"clblack", 0x000000},
    {"clblue", 0xFF0000},
    {"clgreen", 0x008000},
    {"claqua", 0xFFFF00},
    {"clyellow", 0x00FFFF},
    {"clfuchsia", 0xFF00FF},
    {"clwhite", 0xFFFFFF},
    {"cllime", 0x00FF00},
    {"clsilver", 0xC0C0C0},
    {"clgray", 0x808080},
    {"clolive", 0x008080},
    {"clnavy", 0x800000},
    {"clpurple", 0x800080},
    {"clteal", 0x808000},
    {"clmaroon", 0x000080},
}};

// In the order of the system's colour indices 1 to 24.
constexpr std::array<std::string_view, 24> kSystemColorNames{
    "clbackground",
    "clactivecaption",
    "clinactivecaption",
    "clmenu",
    "clwindow",
    "clwindowframe",
    "clmenutext",
    "clwindowtext",
    "clcaptiontext",
    "clactiveborder",
    "clinactiveborder",
    "clappworkspace",
    "clhighlight",
    "clhighlighttext",
    "clbtnface",
    "clbtnshadow",
    "clgraytext",
    "clbtntext",
    "clinactivecaptiontext",
    "clbtnhighlight",
    "cl3ddkshadow",
    "cl3dlight",
    "clinfotext",
    "clinfobk",
};

std::optional<int> HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return std::nullopt;
}

}  // namespace

std::string ReplaceTextEntities(std::string_view text) {
    std::string out;
    AppendReplacing(out, text, kTextEntities);
    return out;
}

std::string ReplaceRunEntities(std::string_view run) {
    std::string out;
    AppendReplacing(out, run, kRunEntities);
    return out;
}

std::string PrepareMarkup(std::string_view text) {
    std::string s = ReplaceTextEntities(text);
    if (auto open = s.find("<#"); open != std::string::npos) {
        auto close = s.find('>', open + 2);
        // An unterminated "<#" swallows the rest, as any text ending inside a tag does.
        s.erase(open, close == std::string::npos ? std::string::npos : close - open + 1);
    }
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\n') continue;
        if (c == '\r')
            out.append("<BR>");
        else
            out.push_back(c);
    }
    return out;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::optional<std::string> TagAttribute(std::string_view tag, std::string_view name,
                                        std::size_t from) {
    const std::string upper = UpperAscii(tag);
    std::size_t pos = from;
    while ((pos = upper.find(name, pos)) != std::string::npos) {
        const std::size_t end = pos + name.size();
        const bool startsWord = pos == 0 || !IsWordChar(upper[pos - 1]);
        const bool endsWord = end >= upper.size() || !IsWordChar(upper[end]);
        if (startsWord && endsWord) {
            auto open = tag.find('"', end);
            if (open == std::string_view::npos) return std::nullopt;
            auto close = tag.find('"', open + 1);
            if (close == std::string_view::npos) return std::nullopt;
            return std::string(tag.substr(open + 1, close - open - 1));
        }
        pos = end;
    }
    return std::nullopt;
}

std::optional<std::string> FirstQuotedValue(std::string_view tag) {
    auto open = tag.find('"');
    if (open == std::string_view::npos) return std::nullopt;
    auto close = tag.find('"', open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return std::string(tag.substr(open + 1, close - open - 1));
}

std::optional<int> ParseInteger(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr == text.data()) return std::nullopt;
    return value;
}

TColor ParseColor(std::string_view value) {
    if (value.size() == 7 && value.front() == '#') {
        int rgb[6];
        for (int i = 0; i < 6; ++i) {
            auto d = HexDigit(value[1 + i]);
            if (!d) return clBlack;
            rgb[i] = *d;
        }
        const int r = rgb[0] * 16 + rgb[1];
        const int g = rgb[2] * 16 + rgb[3];
        const int b = rgb[4] * 16 + rgb[5];
        return static_cast<TColor>(b << 16 | g << 8 | r);
    }
    std::string lower(value);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const NamedColor& named : kPlainColors)
        if (named.name == lower) return named.color;
    for (std::size_t i = 0; i < kSystemColorNames.size(); ++i)
        if (kSystemColorNames[i] == lower) return SystemColor(static_cast<int>(i) + 1);
    return clBlack;
}

}  // namespace quill::widgets::markup
