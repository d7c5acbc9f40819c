// The binary contract between the archive component and the zip engine library ZipEng179.dll.
//
// Both sides compile this one header: the engine (engine/win32) and the component's binding
// (archive/ZAEngine). It needs nothing but the C++ standard library, so it also compiles
// natively. On 32-bit Windows the records have their historic fixed layout (152-byte command
// record, callback record offsets as documented below); on 64-bit builds pointers widen and
// the layout follows natural alignment, which is fine because both sides share this header.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define ZE_CALL __stdcall
#else
#define ZE_CALL
#endif

#if defined(_WIN32) && defined(ZE_BUILDING_ENGINE)
#define ZE_EXPORT extern "C" __declspec(dllexport)
#elif defined(_WIN32)
#define ZE_EXPORT extern "C" __declspec(dllimport)
#else
#define ZE_EXPORT extern "C"
#endif

namespace zipengine_abi {

inline constexpr const char* kEngineFileName = "ZipEng179.dll";
inline constexpr std::int32_t kEngineVersion = 179;     // ZE_Version, and the record's version
inline constexpr std::int32_t kMinEngineVersion = 179;  // the component accepts 179..300
inline constexpr std::int32_t kMaxEngineVersion = 300;
inline constexpr std::int32_t kMinEngineBuild = 1790000;  // ZE_PrivVersion lies above this
inline constexpr std::int32_t kCheckValue = 7;            // last field of the command record
inline constexpr std::int32_t kTrue = -1;                 // Boolean fields of the records
inline constexpr std::int32_t kFalse = 0;
inline constexpr std::size_t kMaxReplyText = 512;     // characters, without the terminating zero
inline constexpr std::size_t kMaxPasswordReply = 80;  // the component cuts passwords to this
inline constexpr std::int32_t kMaxPasswordRequests = 15;

// Results of ZE_UnzExec: 0 or more is the number of entries processed.
enum ZE_Result : std::int32_t {
    ZE_UserCancelled = -1,     // the callback asked to stop, or ZE_Abort was called
    ZE_Aborting = -2,          // the batch failed; nothing was changed on disk
    ZE_HandlerException = -3,  // an unexpected failure inside the engine
    ZE_NotEnoughMemory = -4,
    ZE_InvalidStructure = -5,  // the command record is not one this engine understands
};

// Callback action codes (the low 6 bits of the record's action field).
enum ZE_Action : std::int32_t {
    ZE_ActTick = 0,
    ZE_ActNewItem = 1,   // text: entry name; value: its uncompressed size
    ZE_ActProgress = 2,  // value: bytes done since the last progress call
    ZE_ActEndOfBatch = 3,
    ZE_ActMessage = 4,       // arg1: error code (0: information); text: message
    ZE_ActItemCount = 5,     // arg1: number of entries to process
    ZE_ActTotalSize = 6,     // value: bytes that progress calls will add up to
    ZE_ActNewName = 7,       // adding only
    ZE_ActPassword = 8,      // query: arg1 repeat count in/out; reply text: the password
    ZE_ActCrcError = 9,      // query: arg1 found CRC, arg2 expected CRC
    ZE_ActOverwrite = 10,    // query: arg1 default (≠0 overwrite), arg2 index, arg3 2 = not older
    ZE_ActSkipped = 11,      // arg1: error code (0 none); arg2: skip type + 1; text: entry
    ZE_ActFileComment = 12,  // adding only
    ZE_ActMemoryBuffer = 13,  // extraction to memory only
    ZE_ActExtraData = 14,     // adding only
    ZE_ActExtraStep = 15,
    ZE_ActExtraStepProgress = 16,
    ZE_ActExtractName = 17,  // query: reply text is a new name for the entry
    ZE_ActAbortKey = 18,     // arg1: the key that ZE_Abort takes
};
inline constexpr std::int32_t kActionMask = 0x3F;

// Reply codes written by the component into the action field of query callbacks.
enum ZE_Reply : std::int32_t {
    ZE_ReplyYes = -1,  // use the reply text, or do it
    ZE_ReplyNo = -2,
    ZE_ReplyNoToAll = -3,  // for a CRC error: do not extract
};

// Reasons carried by ZE_ActSkipped (argument 2 is the reason + 1, so 0 means "none given").
enum ZE_SkipReason : std::int32_t {
    ZE_SkipUnsafeName = 1,  // absolute, drive, UNC, "..", device or invalid characters
    ZE_SkipOverwriteDeclined = 2,
    ZE_SkipFreshen = 3,  // no older file to freshen
    ZE_SkipUpdate = 4,   // the existing file is not older
    ZE_SkipNoPassword = 5,
    ZE_SkipBadPassword = 6,
    ZE_SkipCrcError = 7,
    ZE_SkipDamaged = 8,      // damaged or truncated entry data
    ZE_SkipUnsupported = 9,  // compression method or feature this engine does not read
    ZE_SkipWriteError = 10,
    ZE_SkipSuperseded = 11,  // a later entry goes to the same target
};

// Error codes carried by ZE_ActMessage and ZE_ActSkipped (argument 1).
enum ZE_ErrorCode : std::int32_t {
    ZE_ErrNone = 0,
    ZE_ErrArchiveOpen = 1,
    ZE_ErrArchiveStructure = 2,
    ZE_ErrUnsafeName = 3,
    ZE_ErrPassword = 4,
    ZE_ErrCrc = 5,
    ZE_ErrData = 6,
    ZE_ErrUnsupported = 7,
    ZE_ErrWrite = 8,
    ZE_ErrInUse = 9,
    ZE_ErrCancelled = 10,
    ZE_ErrMemory = 11,
};

struct ZE_CallbackRecord;

// Called by the engine, on the thread that called ZE_UnzExec and only during that call. A
// non-zero result asks the engine to stop at the next entry boundary.
using ZE_CallbackFunc = std::int32_t(ZE_CALL*)(void* caller, ZE_CallbackRecord* record);

// One file pattern: the first field points to its text, the rest is zero.
struct ZE_FileSpec {
    const char* spec;
    std::uint8_t reserved[32 - sizeof(void*)];
};

// The command record of ZE_UnzExec, zero-filled and owned by the caller.
struct ZE_CommandRecord {
    void* windowHandle;             //   0
    void* caller;                   //   4 handed back as the callback's first argument
    std::int32_t version;           //   8 kEngineVersion
    ZE_CallbackFunc callback;       //  12
    std::int32_t trace;             //  16
    std::int32_t reserved20;        //  20
    std::int32_t reserved24;        //  24
    const char* password;           //  28 never null from the component ("" when none)
    std::int32_t test;              //  32 verify only, write nothing
    std::int32_t reserved36;        //  36
    std::int32_t reserved40;        //  40
    std::int32_t reserved44;        //  44 -1 from the component
    std::int32_t verbose;           //  48
    std::int32_t update;            //  52
    std::int32_t freshen;           //  56
    std::int32_t directoryNames;    //  60
    std::int32_t overwrite;         //  64
    std::int32_t specCount;         //  68 0: every entry
    const char* archive;            //  72
    const ZE_FileSpec* specs;       //  76
    std::int32_t reserved80;        //  80
    std::int32_t memoryOutput;      //  84 extraction to memory (not supported)
    void* memoryBuffer;             //  88
    std::int32_t memorySize;        //  92
    std::int32_t memoryInput;       //  96 extraction from a stream (not supported)
    void* inputStream;              // 100
    std::int32_t inputStreamSize;   // 104
    std::int32_t passwordRequests;  // 108 0..15
    const char* baseFolder;         // 112 with a trailing separator, or null
    std::int32_t refuseUnsafe;      // 116 an entry that cannot be placed safely fails the run
    std::int32_t reserved120[7];    // 120..144
    std::int32_t checkValue;        // 148 kCheckValue
};

// The callback record, owned by the engine for the duration of one callback.
struct ZE_CallbackRecord {
    std::int32_t reserved0;    //  0
    std::int32_t reserved4;    //  4
    std::int32_t isAdd;        //  8 0 during extraction
    std::int32_t actionReply;  // 12 in: action (low 6 bits); out: reply code of a query
    std::int32_t arg1;         // 16
    const char* text;          // 20 file name or message text
    union {
        // Inputs: the size or amount, and the fields that follow it.
        struct {
            std::int64_t value;    // 24
            std::int64_t written;  // 32 add operations only
            const void* data;      // 40
            std::int32_t arg2;     // 44
            std::int32_t arg3;     // 48
        } in;
        // Output of password and name queries: overwrites the inputs above.
        char replyText[kMaxReplyText + 4];  // 24
    };
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ZE_CommandRecord) == 152);
static_assert(offsetof(ZE_CommandRecord, version) == 8);
static_assert(offsetof(ZE_CommandRecord, password) == 28);
static_assert(offsetof(ZE_CommandRecord, overwrite) == 64);
static_assert(offsetof(ZE_CommandRecord, archive) == 72);
static_assert(offsetof(ZE_CommandRecord, passwordRequests) == 108);
static_assert(offsetof(ZE_CommandRecord, baseFolder) == 112);
static_assert(offsetof(ZE_CommandRecord, refuseUnsafe) == 116);
static_assert(offsetof(ZE_CommandRecord, checkValue) == 148);
static_assert(offsetof(ZE_CallbackRecord, actionReply) == 12);
static_assert(offsetof(ZE_CallbackRecord, text) == 20);
static_assert(offsetof(ZE_CallbackRecord, in.value) == 24);
static_assert(offsetof(ZE_CallbackRecord, in.written) == 32);
static_assert(offsetof(ZE_CallbackRecord, in.data) == 40);
static_assert(offsetof(ZE_CallbackRecord, in.arg2) == 44);
static_assert(offsetof(ZE_CallbackRecord, in.arg3) == 48);
static_assert(offsetof(ZE_CallbackRecord, replyText) == 24);
#endif
static_assert(sizeof(ZE_FileSpec) == 32);

// Function types of the six exports, for GetProcAddress on the component's side.
using ZE_UnzExecFunc = std::int32_t(ZE_CALL*)(const ZE_CommandRecord* record);
using ZE_ZipExecFunc = std::int32_t(ZE_CALL*)(const ZE_CommandRecord* record);
using ZE_VersionFunc = std::int32_t(ZE_CALL*)();
using ZE_PrivVersionFunc = std::int32_t(ZE_CALL*)();
using ZE_AbortFunc = std::int32_t(ZE_CALL*)(std::int32_t abortKey);
using ZE_PathFunc = const char*(ZE_CALL*)();

}  // namespace zipengine_abi

// The exports, undecorated names. Only the engine declares them as exported; the component
// loads them at run time by name.
#if defined(ZE_BUILDING_ENGINE)
ZE_EXPORT std::int32_t ZE_CALL ZE_UnzExec(const zipengine_abi::ZE_CommandRecord* record);
ZE_EXPORT std::int32_t ZE_CALL ZE_ZipExec(const zipengine_abi::ZE_CommandRecord* record);
ZE_EXPORT std::int32_t ZE_CALL ZE_Version();
ZE_EXPORT std::int32_t ZE_CALL ZE_PrivVersion();
ZE_EXPORT std::int32_t ZE_CALL ZE_Abort(std::int32_t abortKey);
ZE_EXPORT const char* ZE_CALL ZE_Path();
#endif
