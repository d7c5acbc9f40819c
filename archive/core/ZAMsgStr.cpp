#include "archive/ZAMsgStr.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "archive/ZADefMsgs.h"
#include "archive/ZAExtrLZ77.h"
#include "archive/ZAMsgStrSys.h"

namespace quill::archive {

namespace {
constexpr int kUSEnglish = 1033;
constexpr size_t kBlockHeaderSize = 6;
constexpr size_t kMaxTableBytes = 50000;
constexpr uint16_t kTableEnd = 0xFFFF;
constexpr uint16_t kNumberMarker = 0xFFFF;
constexpr uint16_t kStringTableType = 6;
constexpr int kTextsPerBlock = 16;

uint16_t ReadU16(std::span<const uint8_t> b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}

// Process-wide tables: the default one built from the built-in block on first use, and the
// language table loaded by SelectLanguage.
struct Tables {
    TZAMessageTable defaultTable;
    TZAMessageTable languageTable;
    int languageId = 0;
    std::string languageName;
};
Tables& State() {
    static Tables tables;
    return tables;
}

struct BlockHeader {
    int languageId = 0;
    size_t compressedSize = 0;
    std::string name;
    size_t dataOffset = 0;  // of the compressed data, from the block's start
    size_t TotalSize() const { return dataOffset + compressedSize; }
};

bool ReadBlockHeader(std::span<const uint8_t> block, BlockHeader& h) {
    if (block.size() < kBlockHeaderSize) return false;
    h.languageId = ReadU16(block, 0);
    h.compressedSize = ReadU16(block, 2);
    size_t nameLength = ReadU16(block, 4);
    if (block.size() - kBlockHeaderSize < nameLength) return false;
    h.name.assign(reinterpret_cast<const char*>(block.data() + kBlockHeaderSize), nameLength);
    h.dataOffset = kBlockHeaderSize + nameLength;
    return true;
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Leading letters, digits and underscores, upper-cased.
std::string LeadingName(const std::string& text, size_t from) {
    std::string name;
    for (size_t i = from; i < text.size() && IsNameChar(text[i]); ++i)
        name.push_back(char(std::toupper(static_cast<unsigned char>(text[i]))));
    return name;
}

std::string NormaliseLanguageName(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) return {};
    return LeadingName(text, i);
}

// A decimal number from 1 to 65535 filling the whole text (spaces around it allowed); else 0.
int ParseLanguageNumber(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos) return 0;
    int value = 0;
    auto [end, ec] = std::from_chars(text.data() + first, text.data() + last + 1, value);
    if (ec != std::errc() || end != text.data() + last + 1 || value < 1 || value > 65535) return 0;
    return value;
}

bool BlockMatches(const BlockHeader& h, int wantedId, const std::string& wantedName) {
    if (wantedId != 0)
        return h.languageId == wantedId || (wantedId < 1024 && (h.languageId & 0x3FF) == wantedId);
    return LeadingName(h.name, 0) == wantedName;
}

std::string IntegerText(int64_t value, char conversion, int precision) {
    char buffer[32];
    bool negative = value < 0;
    if (conversion == 'x' || conversion == 'X' || conversion == 'u') {
        // Negative 32-bit values are shown as the runtime shows them: as their unsigned bits.
        uint64_t bits =
            negative && value >= INT32_MIN ? uint64_t(uint32_t(value)) : uint64_t(value);
        std::snprintf(buffer, sizeof buffer,
                      conversion == 'x'   ? "%llx"
                      : conversion == 'X' ? "%llX"
                                          : "%llu",
                      static_cast<unsigned long long>(bits));
        negative = false;
    } else {
        uint64_t magnitude = negative ? 0 - uint64_t(value) : uint64_t(value);
        std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(magnitude));
    }
    std::string digits = buffer;
    if (precision > 0 && digits.size() < size_t(precision))
        digits.insert(0, size_t(precision) - digits.size(), '0');
    return negative ? "-" + digits : digits;
}
}  // namespace

std::string ZAFormat(const std::string& format, const ZAFmtArgs& args) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out.push_back(c);
            continue;
        }
        size_t j = i + 1;
        if (format[j] == '%') {
            out.push_back('%');
            i = j;
            continue;
        }
        bool left = false;
        if (format[j] == '-') {
            left = true;
            ++j;
        }
        int width = 0, precision = -1;
        while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])))
            width = width * 10 + (format[j++] - '0');
        if (j < format.size() && format[j] == '.') {
            precision = 0;
            ++j;
            while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])))
                precision = precision * 10 + (format[j++] - '0');
        }
        if (j >= format.size()) {
            out.append(format, i, std::string::npos);
            break;
        }
        char conversion = char(std::tolower(static_cast<unsigned char>(format[j])));
        if (conversion != 's' && conversion != 'd' && conversion != 'u' && conversion != 'x') {
            out.append(format, i, j - i + 1);  // not a format we know: keep it as written
            i = j;
            continue;
        }
        std::string piece;
        if (next < args.size()) {
            const ZAFmtArg& arg = args[next];
            if (conversion == 's') {
                if (const auto* s = std::get_if<std::string>(&arg))
                    piece = precision >= 0 ? s->substr(0, size_t(precision)) : *s;
            } else if (const auto* n = std::get_if<int64_t>(&arg)) {
                piece = IntegerText(*n, format[j] == 'X' ? 'X' : conversion, precision);
            }
        }
        ++next;
        if (piece.size() < size_t(width)) {
            std::string pad(size_t(width) - piece.size(), ' ');
            piece = left ? piece + pad : pad + piece;
        }
        out += piece;
        i = j;
    }
    return out;
}

bool BuildMessageTable(std::span<const uint8_t> block, TZAMessageTable& table,
                       int requireLanguage) {
    table.clear();
    BlockHeader h;
    if (!ReadBlockHeader(block, h)) return false;
    if (requireLanguage != 0 && h.languageId != requireLanguage) return false;
    if (block.size() < h.TotalSize()) return false;
    std::vector<uint8_t> image;
    const TZALZ77Result result =
        ExpandLZ77(block.subspan(h.dataOffset, h.compressedSize), int64_t(h.compressedSize), image);
    if (result != TZALZ77Result::Expanded || image.size() >= kMaxTableBytes) return false;
    table.assign((image.size() + 1) / 2 + 1, 0);
    for (size_t i = 0; i < image.size(); ++i) table[i / 2] |= uint16_t(image[i] << (8 * (i % 2)));
    table.back() = kTableEnd;
    return true;
}

bool FindMessageText(const TZAMessageTable& table, int id, std::u16string& text) {
    if (table.empty() || id < 0) return false;
    const int64_t block = id / kTextsPerBlock;
    const int64_t last = int64_t(table.size()) - 1;
    auto u32 = [&](int64_t at) {
        return uint32_t(table[size_t(at)]) | uint32_t(table[size_t(at) + 1]) << 16;
    };
    int64_t pos = 0;
    while (last - pos > 9) {
        if (pos & 1) ++pos;
        if (last - pos <= 9) break;
        const int64_t dataSize = u32(pos), headerSize = u32(pos + 2);
        if (dataSize + headerSize < 8) return false;
        const bool isStringTable =
            table[size_t(pos + 4)] == kNumberMarker && table[size_t(pos + 5)] == kStringTableType &&
            table[size_t(pos + 6)] == kNumberMarker && table[size_t(pos + 7)] == block + 1;
        if (isStringTable) {
            int64_t at = pos + headerSize / 2;
            for (int64_t skip = id - kTextsPerBlock * block; skip > 0; --skip) {
                if (at > last) return false;
                at += 1 + table[size_t(at)];
            }
            if (at >= last) return false;
            const int64_t count = table[size_t(at)];
            if (count == 0 || at + count >= last) return false;
            text.assign(table.begin() + at + 1, table.begin() + at + 1 + count);
            return true;
        }
        pos += (dataSize + headerSize + 1) / 2;
    }
    return false;
}

std::string MessageDisplayText(const std::u16string& text) {
    std::string ansi = WideToAnsi(text);
    std::string out;
    out.reserve(ansi.size() + 8);
    for (char c : ansi) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

void ResetMessageTablesForTesting() {
    Tables& s = State();
    s.defaultTable.clear();
    s.languageTable.clear();
    s.languageId = 0;
    s.languageName.clear();
}

std::string LoadZipText(int id) {
    Tables& s = State();
    std::u16string text;
    bool found = FindMessageText(s.languageTable, id, text);
    if (!found) {
        // A failed build leaves the table empty and is tried again at the next lookup.
        if (s.defaultTable.empty())
            BuildMessageTable(DefaultMessageBlock(), s.defaultTable, kUSEnglish);
        found = FindMessageText(s.defaultTable, id, text);
    }
    if (!found) return "Resource missing for " + std::to_string(id);
    return MessageDisplayText(text);
}

std::string LoadZipTextFmt(int id, const ZAFmtArgs& args) {
    return ZAFormat(LoadZipText(id), args);
}

std::string SelectLanguage(const std::string& name) {
    Tables& s = State();
    s.languageTable.clear();
    s.languageId = 0;
    s.languageName.clear();

    const std::string wantedName = NormaliseLanguageName(name);
    int wantedId = 0;
    if (wantedName.size() < 2) {
        wantedId = name == "*" ? UserDefaultLangId() : ParseLanguageNumber(name);
        if (wantedId == 0) return {};
    }
    if (wantedName == "US" || wantedId == kUSEnglish) return {};

    std::span<const uint8_t> resource = LanguageResource();
    size_t pos = 0;
    while (resource.size() - pos > 8) {
        std::span<const uint8_t> rest = resource.subspan(pos);
        BlockHeader h;
        if (!ReadBlockHeader(rest, h)) return {};
        if (BlockMatches(h, wantedId, wantedName)) {
            TZAMessageTable table;
            if (!BuildMessageTable(rest, table, 0)) return {};
            s.languageTable = std::move(table);
            s.languageId = h.languageId;
            s.languageName = h.name;
            return h.name;
        }
        if (rest.size() < h.TotalSize()) return {};
        pos += h.TotalSize();
    }
    return {};
}

std::string CurrentLanguageName() {
    const Tables& s = State();
    return s.languageTable.empty() ? std::string("US: default") : s.languageName;
}

int CurrentLanguageId() {
    return State().languageId;
}

}  // namespace quill::archive
