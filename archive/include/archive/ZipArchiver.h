// The archive component: extracts a zip archive into a base folder through the zip engine
// library, with progress, message and dialog events. One worker does the work; every
// operation runs between StartOperation and FinishOperation.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/ZAWrkr.h"
#include "toolkit/Component.h"

namespace quill::archive {

// Self-extractor settings: stored and copied, never used by extraction.
enum TZipSFXOverwriteMode : uint8_t { OvrConfirm, OvrAlways, OvrNever };
struct TZipSFX {
    std::string SFXPath = "SFXUS.bin";
    uint32_t SFXOptions = 0;
    TZipSFXOverwriteMode SFXOverWriteMode = OvrConfirm;
    std::string SFXCaption, SFXCommandLine, SFXDefaultDir, SFXMessage;
    std::vector<uint8_t> SFXIcon;
};

enum class TZAActivity : uint8_t { Active, Inactive, Pending, Designing, InactiveOnCompletion };

// The settings an operation copies are the component's public fields (TZAExtractSettings:
// ExtrBaseDir, ExtrOptions, Password, ...) and the ones behind its setters.
class TCustomZipArchiver : public tk::TComponent, public TZAExtractSettings {
private:
    // First, so that the published event references below can bind to it.
    std::unique_ptr<TZAWorker> FWorker;

public:
    explicit TCustomZipArchiver(tk::TComponent* AOwner);
    // With the worker's system services given, for tests.
    TCustomZipArchiver(tk::TComponent* AOwner, std::unique_ptr<TZACoreUI> ui, TZAPlatform& platform,
                       TZALibraryLoader& loader);
    ~TCustomZipArchiver() override;

    // Extracts ZipFileName into ExtrBaseDir. Returns the last error code (0: no error), -255
    // when inactive or busy, -256 while loading, -9 after an unexpected error while preparing,
    // or the id of an archive error raised while preparing.
    int32_t Extract();

    const std::string& ZipFileName() const { return FWorker->ZipFileName(); }
    // Stores the archive path and reads its directory (deferred while inactive or loading;
    // ignored while an operation runs).
    void SetZipFileName(const std::string& name);

    bool Active() const;
    void SetActive(bool value);
    bool Busy() const { return FBusy; }
    bool ReEntered() const { return FReEntered; }
    TZAActivity Activity() const { return FActivity; }

    uint32_t PasswordReqCount() const { return FPasswordReqCount; }
    void SetPasswordReqCount(uint32_t count) { FPasswordReqCount = std::min<uint32_t>(count, 15); }
    // Whether the engine stays loaded between operations.
    bool Dll_Load() const;
    void SetDll_Load(bool value);
    const std::string& TempDir() const { return FTempDir; }
    void SetTempDir(const std::string& folder);
    std::string Version() const { return "1.79.08.02"; }
    std::string VersionInfo() const { return Version(); }
    const std::string& Language() const { return FLanguage; }
    void SetLanguage(const std::string& language);

    int32_t LastErrorCode() const { return FWorker->LastErrorCode(); }
    const std::string& Message() const { return FWorker->LastErrorText(); }
    int32_t SuccessCount() const { return FWorker->SuccessCount(); }
    int EntryCount() const { return FWorker->EntryCount(); }
    TZAWorker& Worker() { return *FWorker; }

    // Handed to the engine binding at the start of every operation.
    std::string DLLDirectory;
    bool ConfirmErase = true;
    // Adding and volume settings: stored and copied, no effect on extraction.
    int AddCompLevel = 9;
    uint32_t AddOptions = 0;
    int64_t AddFrom = 0;
    uint32_t AddStoreSuffixes = 0;
    std::string ExtAddStoreSuffixes;
    uint32_t SpanOptions = 0;
    int64_t MaxVolumeSize = 0;
    int64_t MinFreeVolumeSize = 65536;
    int64_t KeepFreeOnDisk1 = 0;
    int64_t KeepFreeOnAllDisks = 0;
    TZipSFX SFX;

    // The worker's events, published by the component.
    TTotalProgressEvent& OnTotalProgress;
    TItemProgressEvent& OnItemProgress;
    TProgressEvent& OnProgress;
    TProgressDetailsEvent& OnProgressDetails;
    TMessageEvent& OnMessage;
    TTickEvent& OnTick;
    TCheckTerminateEvent& OnCheckTerminate;
    TZipDialogEvent& OnZipDialog;
    TPasswordErrorEvent& OnPasswordError;
    TExtractOverwriteEvent& OnExtractOverwrite;
    TExtractSkippedEvent& OnExtractSkipped;
    TCRC32ErrorEvent& OnCRC32Error;
    TSetExtNameEvent& OnSetExtName;

protected:
    void Loaded() override;
    int32_t StartOperation();
    void FinishOperation();
    TZAOperationSettings OperationSettings() const;

private:
    TZAActivity FActivity = TZAActivity::Active;
    bool FBusy = false;
    bool FReEntered = false;
    bool FStoredDllLoad = false;
    uint32_t FPasswordReqCount = 1;
    std::string FTempDir;
    std::string FLanguage;
    void* FMainWindow = nullptr;  // not owned: the program's window, from the loader
    TZAPlatform& FPlatform;       // not owned; outlives the component (the worker's as well)
};

// The component as forms use it.
class TZipArchiver : public TCustomZipArchiver {
public:
    using TCustomZipArchiver::TCustomZipArchiver;
};

}  // namespace quill::archive
