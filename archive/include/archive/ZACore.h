// The archive worker core: run state, the owner's event handlers, the progress details, the
// single report dispatcher and the presentation of messages, exceptions and dialogs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "archive/ZADlgTypes.h"
#include "archive/ZAMsgStr.h"
#include "archive/ZAXcpt.h"
#include "toolkit/Event.h"

// The tests' window into the class (defined by a test, outside the folder's namespace).
class TZACoreTestAccess;

namespace quill::archive {

// The owning component, passed to the handlers as Sender.
using TZASender = tk::TObject*;

enum class ProgressType : uint8_t {
    NewFile,
    ProgressUpdate,
    EndOfBatch,
    TotalFiles2Process,
    TotalSize2Process,
    NewExtra,
    ExtraUpdate
};

struct TProgressDetails {
    ProgressType ProgressKind = ProgressType::NewFile;
    int32_t ItemCount = 0;
    int64_t BytesWritten = 0;
    int64_t TotalBytes = 0;
    int64_t TotalDone = 0;
    uint32_t ItemBytes = 0;
    uint32_t ItemDone = 0;
    std::string ItemName;
    int32_t ItemNumber = 0;

    // 0..100 (101 at an end of batch is reported separately); 32-bit unsigned, truncating.
    uint32_t ItemPerCent() const;
    // Signed 64-bit, truncating; may exceed 100 when the engine reports more than it announced.
    int32_t TotalPerCent() const;
};

using UnZipSkipTypes = int32_t;  // the engine's skip reason (Part of the engine protocol)

// Events: the sender first; an unassigned handler is skipped.
using TTotalProgressEvent = tk::TEvent<void(TZASender Sender, int64_t TotalSize, int32_t PerCent)>;
using TItemProgressEvent = tk::TEvent<void(TZASender Sender, const std::string& Item,
                                           uint32_t TotalSize, int32_t PerCent)>;
using TProgressEvent = tk::TEvent<void(TZASender Sender, ProgressType ProgrType,
                                       const std::string& Filename, int64_t FileSize)>;
using TProgressDetailsEvent = tk::TEvent<void(TZASender Sender, const TProgressDetails& details)>;
using TMessageEvent =
    tk::TEvent<void(TZASender Sender, int32_t ErrCode, const std::string& Message)>;
using TTickEvent = tk::TEvent<void(TZASender Sender)>;
using TCheckTerminateEvent = tk::TEvent<void(TZASender Sender, bool& abort)>;
using TZipDialogEvent = tk::TEvent<void(TZASender Sender, const std::string& title,
                                        std::string& msg, int32_t& Result, TMsgDlgButtons btns)>;
using TPasswordErrorEvent =
    tk::TEvent<void(TZASender Sender, bool IsZipAction, std::string& NewPassword,
                    const std::string& ForFile, uint32_t& RepeatCount, TMsgDlgBtn& Action)>;
using TExtractOverwriteEvent = tk::TEvent<void(TZASender Sender, const std::string& ForFile,
                                               bool IsOlder, bool& DoOverwrite, int32_t DirIndex)>;
using TExtractSkippedEvent = tk::TEvent<void(TZASender Sender, const std::string& ForFile,
                                             UnZipSkipTypes SkipType, int32_t ExtError)>;
using TCRC32ErrorEvent = tk::TEvent<void(TZASender Sender, const std::string& ForFile,
                                         uint32_t FoundCRC, uint32_t ExpectedCRC, bool& DoExtract)>;

// What the core needs from the GUI, behind one seam so that the dispatch logic runs natively.
class TZACoreUI {
public:
    virtual ~TZACoreUI() = default;
    virtual bool IsGuiThread() const = 0;
    virtual void ProcessMessages() = 0;
    virtual std::string ApplicationTitle() const = 0;
    // Saves the screen cursor and shows the hourglass / puts the saved cursor back.
    virtual void ShowBusyCursor() = 0;
    virtual void RestoreCursor() = 0;
    // Shows the archive dialog box modally; returns its modal result. For the password kind
    // `text` receives the edit's contents.
    virtual int ShowZipDialogBox(const std::string& title, std::string& text,
                                 TMsgDlgButtons buttons, uint32_t context) = 0;
};

// The GUI of the running program (the toolkit's application and the archive dialog box).
// Only Windows builds have one; elsewhere it answers like a worker thread without a GUI.
std::unique_ptr<TZACoreUI> MakeDefaultZACoreUI();

enum TZACodePage : uint8_t { cpAuto, cpNone, cpOEM };
enum THowToDelete : uint8_t { htdFinal, htdAllowUndo };

// Extraction options, in bit order.
enum ExtrOptsEnum : uint8_t {
    ExtrDirNames,
    ExtrOverWrite,
    ExtrFreshen,
    ExtrUpdate,
    ExtrTest,
    ExtrForceDirs,
    // An entry that cannot be placed safely (a name leading out of the base folder, a device
    // name) fails the whole extraction, which then writes nothing; without it such entries are
    // skipped and the others extracted.
    ExtrRefuseUnsafe
};

// A set of extraction options.
using ExtrOpts = TEnumSet<ExtrOptsEnum, uint8_t>;

// The settings a program gives the component as its own fields.
struct TZAExtractSettings {
    std::string ExtrBaseDir;
    ExtrOpts ExtrOptions;
    std::string Password;
    bool Unattended = false;
    bool Verbose = false;
    bool Trace = false;
    std::vector<std::string> FSpecArgs;
    std::vector<std::string> FSpecArgsExcl;
    std::string RootDir;
    bool UseDirOnlyEntries = false;
    TZACodePage CodePage = cpAuto;
    THowToDelete HowToDelete = htdAllowUndo;
};

// What an operation copies from the component at its start, as one value: the fields above
// and the ones the component keeps behind setters.
struct TZAOperationSettings : TZAExtractSettings {
    uint32_t PasswordReqCount = 1;
    void* MainWindowHandle = nullptr;  // not owned: the window the engine may use as owner
    std::string TempDir;
};

// Report types: the engine's callback action codes, which may carry values beyond these.
enum class ZAReport : uint8_t {
    Tick = 0,
    NewItem = 1,
    Progress = 2,
    EndOfBatch = 3,
    Message = 4,
    ItemCount = 5,
    TotalSize = 6,
    NewExtra = 15,
    ExtraProgress = 16,
    CheckOnly = 19
};

class TZACore {
public:
    explicit TZACore(TZASender owner, std::unique_ptr<TZACoreUI> ui = MakeDefaultZACoreUI());
    virtual ~TZACore();
    TZACore(const TZACore&) = delete;
    TZACore& operator=(const TZACore&) = delete;

    // The single entry for progress and messages of every operation.
    void Report(ZAReport type, int32_t code, int64_t value, const std::string& text);

    void ZipMessage(int id, const std::string& extra = {});
    void ExceptionMessage(const EZipArchiver& e);
    int ZipDialog(const std::string& title, std::string& msg, TMsgDlgButtons buttons,
                  uint32_t context);

    // Password prompts; `answer` is left as the caller set it when no prompt is shown.
    void GetExtractPassword(TMsgDlgBtn& answer, std::string& password);
    void GetAddPassword(TMsgDlgBtn& answer, std::string& password);

    // Busy cursor, nested; nothing happens off the GUI thread.
    void StartWaitCursor();
    void StopWaitCursor();

    // Virtual operations, in slot order.
    virtual void ReportOther(ZAReport type, int32_t code, int64_t value, const std::string& text) {}
    virtual void EndRun();
    virtual void SetCancel(bool value) { FCancel = value; }
    virtual void StartRun();
    virtual void Clear();

    bool Cancel() const { return FCancel; }
    int32_t LastErrorCode() const { return FLastErrorCode; }
    const std::string& LastErrorText() const { return FLastErrorText; }
    int32_t FullCode() const { return FFullCode; }
    const TProgressDetails& ProgressDetails() const { return FProgressDetails; }
    TZASender Owner() const { return FOwner; }
    TZACoreUI& UI() { return *FUI; }

    // Events (the component hands its handlers to the worker core).
    TTotalProgressEvent OnTotalProgress;
    TItemProgressEvent OnItemProgress;
    TProgressEvent OnProgress;
    TProgressDetailsEvent OnProgressDetails;
    TMessageEvent OnMessage;
    TTickEvent OnTick;
    TCheckTerminateEvent OnCheckTerminate;
    TZipDialogEvent OnZipDialog;
    TPasswordErrorEvent OnPasswordError;
    TExtractOverwriteEvent OnExtractOverwrite;
    TExtractSkippedEvent OnExtractSkipped;
    TCRC32ErrorEvent OnCRC32Error;

    // The settings of the running (or the last) operation.
    const TZAOperationSettings& Settings() const { return FSettings; }
    void SetSettings(TZAOperationSettings settings) { FSettings = std::move(settings); }

protected:
    // One extract/add password prompt: answer and text from the box.
    void PasswordPrompt(const std::string& prompt, TMsgDlgButtons buttons, uint32_t context,
                        TMsgDlgBtn& answer, std::string& password);
    void FireProgressEvents(ProgressType kind);

    int32_t FBusyCursorCount = 0;
    bool FActive = true;
    bool FRunning = false;
    bool FCancel = false;
    int32_t FLastErrorCode = 0;
    std::string FCallbackExceptionText;  // pending text of an exception raised in a handler
    int32_t FFullCode = 0;
    bool FDestroying = false;
    TZASender FOwner;  // not owned: the component whose worker this is (may be null)
    std::string FLastErrorText;
    bool FNotMainThread = false;
    TProgressDetails FProgressDetails;
    bool FReentered = false;

    std::unique_ptr<TZACoreUI> FUI;
    TZAOperationSettings FSettings;

    friend class ::TZACoreTestAccess;

public:
    // Run-state access for the descendants' operations.
    void SetLastError(int32_t code, const std::string& text) {
        FLastErrorCode = code;
        FLastErrorText = text;
    }
    const std::string& CallbackExceptionText() const { return FCallbackExceptionText; }
    bool Running() const { return FRunning; }
    bool NotMainThread() const { return FNotMainThread; }
    bool Reentered() const { return FReentered; }
    void SetReentered(bool value) { FReentered = value; }
    bool Destroying() const { return FDestroying; }
    void SetDestroying(bool value) { FDestroying = value; }
};

}  // namespace quill::archive
