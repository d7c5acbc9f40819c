// Message texts: the built-in table against its source, the lookup's edge cases, the formats
// and the language selection.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "archive/ZADefMsgs.h"
#include "archive/ZAExtrLZ77.h"
#include "archive/ZAMsgStr.h"
#include "archive/ZAMsgStrSys.h"

using namespace quill::archive;

namespace {
std::ifstream OpenSource(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
#ifdef _WIN32
    if (!in) in.open("Z:" + path, std::ios::binary);  // wine maps the build machine's root as Z:
#endif
    return in;
}

// The source table as the program should show it: \n as CR LF.
std::map<int, std::string> SourceTable() {
    std::ifstream in = OpenSource(ZA_TABLE_SOURCE);
    EXPECT_TRUE(in.good()) << ZA_TABLE_SOURCE;
    std::map<int, std::string> table;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t tab = line.find('\t');
        std::string text, raw = line.substr(tab + 1);
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size()) {
                ++i;
                text += raw[i] == 'n' ? "\r\n" : std::string(1, raw[i]);
            } else {
                text += raw[i];
            }
        }
        table[std::stoi(line.substr(0, tab))] = text;
    }
    return table;
}

std::vector<uint8_t> TestLanguages() {
    std::ifstream in = OpenSource(ZA_TEST_LANGUAGES);
    EXPECT_TRUE(in.good()) << ZA_TEST_LANGUAGES;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MessageTexts : public ::testing::Test {
protected:
    void SetUp() override { ResetMessageTablesForTesting(); }
    void TearDown() override {
        ResetMessageTablesForTesting();
        OverrideLanguageResource({});
    }
};
}  // namespace

TEST_F(MessageTexts, EveryTextOfTheSourceTableComesBackExactly) {
    const auto table = SourceTable();
    EXPECT_EQ(table.size(), 189u);
    EXPECT_EQ(table.begin()->first, 10096);
    EXPECT_EQ(table.rbegin()->first, 11603);
    for (const auto& [id, text] : table) EXPECT_EQ(LoadZipText(id), text) << id;
    for (int id = 10090; id <= 11610; ++id)
        if (!table.count(id)) {
            EXPECT_EQ(LoadZipText(id), "Resource missing for " + std::to_string(id));
        }
}

TEST_F(MessageTexts, EdgeCasesOfTheLookup) {
    EXPECT_EQ(LoadZipText(ZS::NoValidZip), "This archive is not a valid Zip archive");
    EXPECT_EQ(LoadZipText(ZS::PasswordsDontMatch),
              "Error - passwords do NOT match\r\nPassword ignored");
    EXPECT_EQ(LoadZipText(10099), "Resource missing for 10099");
    for (int id : {0, -1, 10095, 11604, 65535, 1048575, 99999999})
        EXPECT_EQ(LoadZipText(id), "Resource missing for " + std::to_string(id));
    EXPECT_EQ(LoadZipTextFmt(ZS::NotLastInSet, {3}),
              "This is the 3th disk in a backup set,\r\nplease insert the last disk of this set");
    EXPECT_EQ(LoadZipTextFmt(ZS::InsertVolume, {2, 5}), "Please insert disk volume 2 of 5");
    EXPECT_EQ(LoadZipTextFmt(ZS::CannotWrite, {std::string("C:\\Q")}), "Cannot write to C:\\Q");
}

TEST_F(MessageTexts, FormatsAsTheRuntimeDoes) {
    EXPECT_EQ(ZAFormat("%s|%d|%.1d|%X|%x|%%", {std::string("a"), -12, 0, 255, 255}),
              "a|-12|0|FF|ff|%");
    EXPECT_EQ(ZAFormat("%.3d %5d|%-4s|", {7, 42, std::string("ab")}), "007    42|ab  |");
    EXPECT_EQ(ZAFormat("%X", {-1}), "FFFFFFFF") << "32-bit values show their unsigned bits";
    EXPECT_EQ(ZAFormat("%X", {int64_t(0x123456789A)}), "123456789A");
    EXPECT_EQ(ZAFormat("<%s><%d>", {}), "<><>") << "missing arguments leave gaps, not failures";
    EXPECT_EQ(ZAFormat("%d", {std::string("x")}), "") << "wrong kind";
    EXPECT_EQ(ZAFormat("100%", {}), "100%");
    EXPECT_EQ(ZAFormat("%q%s", {std::string("x")}), "%qx");
}

TEST_F(MessageTexts, DamagedBlocksBuildNoTable) {
    std::span<const uint8_t> good = DefaultMessageBlock();
    TZAMessageTable table;
    ASSERT_TRUE(BuildMessageTable(good, table, 1033));
    EXPECT_EQ(table.back(), 0xFFFF);
    std::u16string text;
    EXPECT_TRUE(FindMessageText(table, ZS::Copying, text));
    EXPECT_EQ(text, u"Copying: ");

    EXPECT_FALSE(BuildMessageTable(good, table, 1031)) << "language must match";
    EXPECT_TRUE(table.empty());

    std::vector<uint8_t> bytes(good.begin(), good.end());
    auto damaged = bytes;
    damaged[2] ^= 0x01;  // compressed length off by one
    EXPECT_FALSE(BuildMessageTable(damaged, table, 1033));
    damaged = bytes;
    damaged[8 + 4] ^= 0x01;  // uncompressed length in the stream's prefix
    EXPECT_FALSE(BuildMessageTable(damaged, table, 1033));
    damaged.assign(bytes.begin(), bytes.end() - 1);  // shorter than its header says
    EXPECT_FALSE(BuildMessageTable(damaged, table, 1033));
    EXPECT_FALSE(BuildMessageTable(std::span<const uint8_t>(bytes).first(5), table, 1033));

    // An image of 50000 bytes or more is refused.
    std::vector<uint8_t> huge(50000, 'x');
    auto stream = CompressLZ77(huge);
    std::vector<uint8_t> block = {0x09, 0x04, uint8_t(stream.size()), uint8_t(stream.size() >> 8),
                                  0,    0};
    block.insert(block.end(), stream.begin(), stream.end());
    EXPECT_FALSE(BuildMessageTable(block, table, 1033));
}

TEST_F(MessageTexts, TableWalkStopsOnBadEntries) {
    // Entry sizes below 8 end the walk; a walk never reads past the end marker.
    TZAMessageTable table = {0, 0, 4, 0, 0xFFFF, 6, 0xFFFF, 632, 0, 0, 0, 0, 0, 0, 0, 0, 0xFFFF};
    std::u16string text;
    EXPECT_FALSE(FindMessageText(table, 10096, text));
    // A string entry whose text count runs past the end of the table.
    table = {40, 0, 32, 0, 0xFFFF, 6, 0xFFFF, 632, 0, 0, 0, 0, 0, 0, 0, 0, 500, 'a', 0xFFFF};
    EXPECT_FALSE(FindMessageText(table, 10096, text));
    table[16] = 1;
    EXPECT_TRUE(FindMessageText(table, 10096, text));
    EXPECT_EQ(text, u"a");
    EXPECT_FALSE(FindMessageText(TZAMessageTable{0xFFFF}, 10096, text));
    EXPECT_FALSE(FindMessageText(TZAMessageTable{}, 10096, text));
}

TEST_F(MessageTexts, SelectLanguageKeepsTheBuiltInTextsForUSEnglish) {
    const auto langs = TestLanguages();
    OverrideLanguageResource(langs);
    for (std::string name :
         {"", "US", "us", "   uS", "Us:default", "1033", "*", " 1033 ", "x", "0", "70000", "9US"}) {
        EXPECT_EQ(SelectLanguage(name), "") << '"' << name << '"';
        EXPECT_EQ(CurrentLanguageName(), "US: default") << name;
        EXPECT_EQ(LoadZipText(ZS::NoValidZip), "This archive is not a valid Zip archive") << name;
    }
}

TEST_F(MessageTexts, SelectLanguageByNameNumberAndPrimaryLanguage) {
    const auto langs = TestLanguages();
    OverrideLanguageResource(langs);

    EXPECT_EQ(SelectLanguage("  de"), "DE");
    EXPECT_EQ(CurrentLanguageName(), "DE");
    EXPECT_EQ(CurrentLanguageId(), 1031);
    EXPECT_EQ(LoadZipText(ZS::NoValidZip), "Dieses Archiv ist kein gueltiges Zip-Archiv");
    EXPECT_EQ(LoadZipTextFmt(ZS::NotLastInSet, {2}),
              "Dies ist Diskette 2 eines Sicherungssatzes,\r\nbitte die letzte Diskette einlegen");
    EXPECT_EQ(LoadZipText(ZS::BtnCancel), "&Abbrechen");
    EXPECT_EQ(LoadZipText(ZS::FileOpen), "Zip file could not be opened") << "missing ids fall back";

    EXPECT_EQ(SelectLanguage("1048"), "RO") << "the second block, by its id";
    EXPECT_EQ(LoadZipText(ZS::NoValidZip), "Aceasta arhiva nu este o arhiva Zip valida");
    EXPECT_EQ(SelectLanguage("7"), "DE") << "primary language of 1031";
    EXPECT_EQ(SelectLanguage("ro-RO"), "RO") << "leading name characters only";

    EXPECT_EQ(SelectLanguage("FR"), "");
    EXPECT_EQ(CurrentLanguageName(), "US: default");
    EXPECT_EQ(SelectLanguage("2057"), "");
    EXPECT_EQ(SelectLanguage("DE_CH"), "");
    EXPECT_EQ(SelectLanguage("DE"), "DE");
    EXPECT_EQ(SelectLanguage(""), "") << "clearing the worker selects nothing";
    EXPECT_EQ(LoadZipText(ZS::NoValidZip), "This archive is not a valid Zip archive");
}

TEST_F(MessageTexts, SelectLanguageSurvivesDamagedResources) {
    auto langs = TestLanguages();
    ASSERT_GT(langs.size(), 20u);
    auto cut = std::vector<uint8_t>(langs.begin(), langs.begin() + 20);
    OverrideLanguageResource(cut);
    EXPECT_EQ(SelectLanguage("DE"), "");
    EXPECT_EQ(SelectLanguage("RO"), "");
    auto bad = langs;
    bad[6 + 2 + 4] ^= 0x40;  // the German block's uncompressed length
    OverrideLanguageResource(bad);
    EXPECT_EQ(SelectLanguage("DE"), "");
    EXPECT_EQ(LoadZipText(ZS::NoValidZip), "This archive is not a valid Zip archive");
    EXPECT_EQ(SelectLanguage("RO"), "RO") << "the next block is still found by its length";
}

#ifdef _WIN32
TEST_F(MessageTexts, SelectLanguageFindsTheProgramsResource) {
    // No override: the tables come from this test program's RCDATA 11610.
    ASSERT_FALSE(LanguageResource().empty());
    EXPECT_EQ(SelectLanguage("de"), "DE");
    EXPECT_EQ(LoadZipText(ZS::BtnCancel), "&Abbrechen");
}
#endif
