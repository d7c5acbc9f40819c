// Archive message ids and their texts: the built-in table, an optional language table,
// and the formatting of texts with arguments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace quill::archive {

// Message ids of the archive component. The texts live in ZADefMsgs.txt.
namespace ZS {
inline constexpr int LanguageName = 10096;  // "US: default"
inline constexpr int TableCredit = 10097;
inline constexpr int LanguageNeutral = 10098;
inline constexpr int NoZipSpecified = 10102;
inline constexpr int NoMem = 10103;
inline constexpr int PasswordsDontMatch = 10104;
inline constexpr int Copying = 10105;
inline constexpr int EventEx = 10106;
inline constexpr int ExceptionInEvent = 10113;
inline constexpr int DllAbort = 10118;
inline constexpr int DllCancelled = 10120;
inline constexpr int DllNoMem = 10121;
inline constexpr int DllInvalidStruct = 10122;
inline constexpr int DllHandlerException = 10123;
inline constexpr int DllCritical = 10124;
inline constexpr int DllUnknownError = 10125;
inline constexpr int Skipped = 10126;
inline constexpr int NoAddPassword = 10150;
inline constexpr int NoExtrPassword = 10151;
inline constexpr int PasswordTitle = 10154;
inline constexpr int PasswordEnter = 10155;
inline constexpr int PasswordConfirm = 10156;
inline constexpr int SeekError = 10201;
inline constexpr int ListError = 10202;
inline constexpr int ZipStructError = 10203;
inline constexpr int GarbageAtEnd = 10204;
inline constexpr int FileTooLarge = 10205;
inline constexpr int BtnYes = 10220;
inline constexpr int BtnNo = 10221;
inline constexpr int BtnOK = 10222;
inline constexpr int BtnCancel = 10223;
inline constexpr int BtnAbort = 10224;
inline constexpr int BtnRetry = 10225;
inline constexpr int BtnIgnore = 10226;
inline constexpr int BtnCancelAll = 10227;
inline constexpr int BtnNoToAll = 10228;
inline constexpr int BtnYesToAll = 10229;
inline constexpr int UnattendedExtract = 10502;
inline constexpr int ExtractDirMustExist = 10504;
inline constexpr int LoadFailed = 10650;
inline constexpr int LoadOldOrCorrupt = 10651;
inline constexpr int Loaded = 10652;
inline constexpr int Unloaded = 10653;
inline constexpr int InputNotExists = 11001;
inline constexpr int FileOpen = 11002;
inline constexpr int InvalidDrive = 11003;
inline constexpr int DriveNotDefined = 11004;
inline constexpr int NoMemMsgBox = 11006;
inline constexpr int Canceled = 11007;
inline constexpr int FileSeek = 11008;
inline constexpr int FileCreate = 11009;
inline constexpr int EOCBadRead = 11011;
inline constexpr int LOHBadRead = 11012;
inline constexpr int CEHBadRead = 11013;
inline constexpr int LOHWrongSig = 11014;
inline constexpr int CEHWrongSig = 11015;
inline constexpr int LONameLen = 11016;
inline constexpr int CENameLen = 11017;
inline constexpr int LOExtraLen = 11018;
inline constexpr int CEExtraLen = 11019;
inline constexpr int DataDesc = 11020;
inline constexpr int ZipData = 11021;
inline constexpr int CECommentLen = 11022;
inline constexpr int ArchiveCommentRead = 11023;
inline constexpr int NoUnattSpan = 11025;
inline constexpr int NoTempFile = 11027;
inline constexpr int LOHBadWrite = 11028;
inline constexpr int CEHBadWrite = 11029;
inline constexpr int EOCBadWrite = 11030;
inline constexpr int ExtLocalSig = 11031;
inline constexpr int InsertLastDisk = 11033;
inline constexpr int InsertVolume = 11034;
inline constexpr int InDrive = 11035;
inline constexpr int NoValidZip = 11036;
inline constexpr int FirstInSet = 11037;
inline constexpr int NotLastInSet = 11038;
inline constexpr int FirstFileOnHD = 11045;
inline constexpr int InsertAVolume = 11046;
inline constexpr int CannotWrite = 11051;
inline constexpr int StepBase = 11400;  // + operation code: the step names below
inline constexpr int StepResetArchiveBit = 11401;
inline constexpr int StepCopyingZipFile = 11402;
inline constexpr int StepSFX = 11403;
inline constexpr int StepUnknown = 11404;
inline constexpr int StepFinalising = 11405;
inline constexpr int StepCopying = 11406;
inline constexpr int StepCentralDirectory = 11407;
inline constexpr int StepChecking = 11408;
inline constexpr int StepLoadingDirectory = 11409;
inline constexpr int StepJoining = 11410;
inline constexpr int StepSplitting = 11411;
inline constexpr int TraceGetNewDisk = 11602;
inline constexpr int SystemError = 11603;
}  // namespace ZS

// One argument of a formatted message: an integer (%d, %.1d, %X) or a text (%s).
using ZAFmtArg = std::variant<int64_t, std::string>;
using ZAFmtArgs = std::vector<ZAFmtArg>;

// Formats as the runtime does for the message texts: %s, %d, %.Nd, %x, %X, %u, %%, with an
// optional '-' and width. An argument of the wrong kind or a missing one is written as an
// empty text rather than failing: message texts come from tables that may be translated.
std::string ZAFormat(const std::string& format, const ZAFmtArgs& args);

// The text of a message id, never empty ("Resource missing for <id>" when no table has it).
std::string LoadZipText(int id);
std::string LoadZipTextFmt(int id, const ZAFmtArgs& args);

// Selects the language table by name or number; returns the selected language's name, or an
// empty text when the built-in texts serve.
std::string SelectLanguage(const std::string& name);
// "US: default" while no language table is loaded, otherwise the loaded block's name.
std::string CurrentLanguageName();
// The id of the loaded language table, 0 when none is loaded.
int CurrentLanguageId();

// Building blocks of the lookup, exposed for tests and the fuzz target.
// An expanded resource image as 16-bit units, ending with the unit 0xFFFF.
using TZAMessageTable = std::vector<uint16_t>;

// Expands one message block (6-byte header, name, compressed data) into a table.
// `requireLanguage` is the language id the block must carry, 0 for any.
// Returns false (and leaves `table` empty) on a damaged block.
bool BuildMessageTable(std::span<const uint8_t> block, TZAMessageTable& table, int requireLanguage);

// Finds the UTF-16 text of `id` in `table`; false when the table has none.
bool FindMessageText(const TZAMessageTable& table, int id, std::u16string& text);

// Converts a table text to an ANSI text with every line feed written as CR LF.
std::string MessageDisplayText(const std::u16string& text);

// Releases both process-wide tables (the default one is rebuilt on the next lookup).
void ResetMessageTablesForTesting();

}  // namespace quill::archive
