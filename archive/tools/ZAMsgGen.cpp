// Build-time generator of the archive message blocks. Reads message tables (id, tab, text)
// and writes either the C++ source of the built-in block or a language-table resource.
//
//   ZAMsgGen cpp <table.txt> <out.cpp>
//   ZAMsgGen blob <out.bin> <language id>:<name>:<table.txt> ...
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/ZAExtrLZ77.h"

namespace quill::archive {
namespace {
using Bytes = std::vector<uint8_t>;
using Table = std::map<int, std::u16string>;

constexpr uint16_t kNumberMarker = 0xFFFF;
constexpr uint16_t kStringTableType = 6;
constexpr uint32_t kHeaderSize = 32;
constexpr uint16_t kStringMemoryFlags = 0x1030;  // moveable, pure, discardable
constexpr int kTextsPerBlock = 16;

void PutU16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void PutU32(Bytes& b, uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}

std::u16string Utf8ToUtf16(const std::string& s, int line) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        uint32_t cp;
        size_t extra;
        if (c < 0x80)
            cp = c, extra = 0;
        else if ((c & 0xE0) == 0xC0)
            cp = c & 0x1F, extra = 1;
        else if ((c & 0xF0) == 0xE0)
            cp = c & 0x0F, extra = 2;
        else
            throw std::runtime_error("line " + std::to_string(line) + ": unsupported UTF-8");
        if (extra && i + extra >= s.size())
            throw std::runtime_error("line " + std::to_string(line) + ": truncated UTF-8");
        for (size_t k = 1; k <= extra; ++k) cp = cp << 6 | (s[i + k] & 0x3F);
        out.push_back(char16_t(cp));
        i += 1 + extra;
    }
    return out;
}

std::string Unescape(const std::string& s, int line) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out.push_back(s[i]);
            continue;
        }
        if (++i == s.size())
            throw std::runtime_error("line " + std::to_string(line) + ": lone backslash");
        if (s[i] == 'n')
            out.push_back('\n');
        else if (s[i] == '\\')
            out.push_back('\\');
        else
            throw std::runtime_error("line " + std::to_string(line) + ": unknown escape");
    }
    return out;
}

Table ReadTable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    Table table;
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.empty() || text[0] == '#') continue;
        size_t tab = text.find('\t');
        if (tab == std::string::npos)
            throw std::runtime_error(path + ":" + std::to_string(line) + ": no tab");
        int id = std::stoi(text.substr(0, tab));
        if (id < 0 || id >= 0xFFFF * kTextsPerBlock)
            throw std::runtime_error(path + ":" + std::to_string(line) + ": id out of range");
        if (!table.emplace(id, Utf8ToUtf16(Unescape(text.substr(tab + 1), line), line)).second)
            throw std::runtime_error(path + ":" + std::to_string(line) + ": duplicate id");
    }
    return table;
}

void PutEntryHeader(Bytes& image, uint32_t dataSize, uint16_t type, uint16_t name, uint16_t flags,
                    uint16_t language) {
    PutU32(image, dataSize);
    PutU32(image, kHeaderSize);
    PutU16(image, kNumberMarker);
    PutU16(image, type);
    PutU16(image, kNumberMarker);
    PutU16(image, name);
    PutU32(image, 0);  // data version
    PutU16(image, flags);
    PutU16(image, language);
    PutU32(image, 0);  // version
    PutU32(image, 0);  // characteristics
}

// The image of a 32-bit resource file: the empty entry every such file starts with, then one
// string-table entry per group of sixteen ids that holds a text.
Bytes ResourceImage(const Table& table, uint16_t language) {
    Bytes image;
    PutEntryHeader(image, 0, 0, 0, 0, 0);
    std::map<int, std::u16string[kTextsPerBlock]> blocks;
    for (const auto& [id, text] : table) blocks[id / kTextsPerBlock][id % kTextsPerBlock] = text;
    for (const auto& [block, texts] : blocks) {
        Bytes data;
        for (const std::u16string& t : texts) {
            PutU16(data, uint32_t(t.size()));
            for (char16_t c : t) PutU16(data, c);
        }
        PutEntryHeader(image, uint32_t(data.size()), kStringTableType, uint16_t(block + 1),
                       kStringMemoryFlags, language);
        image.insert(image.end(), data.begin(), data.end());
        while (image.size() % 4) image.push_back(0);
    }
    return image;
}

Bytes MessageBlock(const Table& table, uint16_t language, const std::string& name) {
    Bytes image = ResourceImage(table, language);
    Bytes compressed = CompressLZ77(image);
    std::vector<uint8_t> check;
    if (ExpandLZ77(compressed, int64_t(compressed.size()), check) != TZALZ77Result::Expanded ||
        check != image)
        throw std::runtime_error("compressed block does not expand to its image");
    if (compressed.size() > 0xFFFF || name.size() > 0xFFFF)
        throw std::runtime_error("message block too large for its 16-bit length fields");
    Bytes block;
    PutU16(block, language);
    PutU16(block, uint32_t(compressed.size()));
    PutU16(block, uint32_t(name.size()));
    block.insert(block.end(), name.begin(), name.end());
    block.insert(block.end(), compressed.begin(), compressed.end());
    std::cerr << "message block " << name << ": " << table.size() << " texts, image "
              << image.size() << " bytes, compressed " << compressed.size() << " bytes\n";
    return block;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string CppSource(const Bytes& block) {
    std::ostringstream out;
    out << "// Generated by ZAMsgGen from ZADefMsgs.txt; edit the table, not this file.\n"
        << "#include \"archive/ZADefMsgs.h\"\n\nnamespace quill::archive {\nnamespace {\nconst "
           "uint8_t kBlock["
        << block.size() << "] = {";
    for (size_t i = 0; i < block.size(); ++i)
        out << (i % 16 ? " " : "\n    ") << int(block[i]) << ",";
    out << "\n};\n}  // namespace\n\nstd::span<const uint8_t> DefaultMessageBlock() { return "
           "kBlock; }\n\n}  // namespace quill::archive\n";
    return out.str();
}
}  // namespace
}  // namespace quill::archive

int main(int argc, char** argv) {
    using namespace quill::archive;
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        if (args.size() == 3 && args[0] == "cpp") {
            WriteFile(args[2], CppSource(MessageBlock(ReadTable(args[1]), 1033, "US")));
            return 0;
        }
        if (args.size() >= 3 && args[0] == "blob") {
            Bytes all;
            for (size_t i = 2; i < args.size(); ++i) {
                size_t a = args[i].find(':'), b = args[i].find(':', a + 1);
                if (a == std::string::npos || b == std::string::npos)
                    throw std::runtime_error("expected <language id>:<name>:<table>, got " +
                                             args[i]);
                Bytes block = MessageBlock(ReadTable(args[i].substr(b + 1)),
                                           uint16_t(std::stoi(args[i].substr(0, a))),
                                           args[i].substr(a + 1, b - a - 1));
                all.insert(all.end(), block.begin(), block.end());
            }
            WriteFile(args[1], std::string(all.begin(), all.end()));
            return 0;
        }
        std::cerr
            << "usage: ZAMsgGen cpp <table> <out.cpp> | blob <out.bin> <id>:<name>:<table>...\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "ZAMsgGen: " << e.what() << "\n";
        return 1;
    }
}
