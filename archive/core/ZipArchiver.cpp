#include "archive/ZipArchiver.h"

namespace quill::archive {

namespace {

constexpr int32_t RefusedBusyOrInactive = -255;
constexpr int32_t RefusedLoading = -256;
constexpr int32_t UnexpectedError = -9;

}  // namespace

TCustomZipArchiver::TCustomZipArchiver(tk::TComponent* AOwner)
    : TCustomZipArchiver(AOwner, MakeDefaultZACoreUI(), SystemPlatform(), SystemLibraryLoader()) {
}

TCustomZipArchiver::TCustomZipArchiver(tk::TComponent* AOwner, std::unique_ptr<TZACoreUI> ui,
                                       TZAPlatform& platform, TZALibraryLoader& loader)
    : tk::TComponent(AOwner),
      FWorker(std::make_unique<TZAWorker>(this, std::move(ui), platform, loader)),
      OnTotalProgress(FWorker->OnTotalProgress),
      OnItemProgress(FWorker->OnItemProgress),
      OnProgress(FWorker->OnProgress),
      OnProgressDetails(FWorker->OnProgressDetails),
      OnMessage(FWorker->OnMessage),
      OnTick(FWorker->OnTick),
      OnCheckTerminate(FWorker->OnCheckTerminate),
      OnZipDialog(FWorker->OnZipDialog),
      OnPasswordError(FWorker->OnPasswordError),
      OnExtractOverwrite(FWorker->OnExtractOverwrite),
      OnExtractSkipped(FWorker->OnExtractSkipped),
      OnCRC32Error(FWorker->OnCRC32Error),
      OnSetExtName(FWorker->OnSetExtName),
      FPlatform(platform) {
    FMainWindow = loader.MainWindow();
    if (Loading()) {
        FActivity = TZAActivity::Pending;
    } else {
        FActivity = TZAActivity::Active;
        FWorker->Activate();
    }
}

TCustomZipArchiver::~TCustomZipArchiver() {
    FWorker->Deactivate();
    FWorker.reset();  // aborts a running engine call and frees the library quietly
}

bool TCustomZipArchiver::Active() const {
    return FActivity == TZAActivity::Active || FActivity == TZAActivity::Pending;
}

void TCustomZipArchiver::SetActive(bool value) {
    if (Loading()) {
        FActivity = value ? TZAActivity::Pending : TZAActivity::Inactive;
        return;
    }
    if (value) {
        if (FActivity == TZAActivity::Active) return;
        FActivity = TZAActivity::Active;
        if (StartOperation() == 0) FinishOperation();  // a deferred directory read runs now
    } else if (FBusy) {
        FActivity = TZAActivity::InactiveOnCompletion;
    } else {
        FActivity = TZAActivity::Inactive;
        FWorker->Deactivate();
    }
}

void TCustomZipArchiver::Loaded() {
    tk::TComponent::Loaded();
    if (Designing()) return;
    if (FActivity == TZAActivity::Pending) FActivity = TZAActivity::Active;
    if (FActivity == TZAActivity::Active && StartOperation() == 0) {
        FWorker->ApplyDllLoad(FStoredDllLoad);
        FinishOperation();
    } else {
        FWorker->Deactivate();
    }
}

bool TCustomZipArchiver::Dll_Load() const {
    return Loading() ? FStoredDllLoad : FWorker->IsLoaded();
}

void TCustomZipArchiver::SetDll_Load(bool value) {
    FStoredDllLoad = value;
    if (Loading()) return;
    if (FBusy) {
        FWorker->ApplyDllLoad(value);
    } else if (StartOperation() == 0) {
        FWorker->ApplyDllLoad(value);
        FinishOperation();
    }
    FStoredDllLoad = FWorker->IsLoaded();
}

void TCustomZipArchiver::SetTempDir(const std::string& folder) {
    FTempDir = folder;
}

void TCustomZipArchiver::SetLanguage(const std::string& language) {
    FLanguage = language;
    SelectLanguage(language);
}

int32_t TCustomZipArchiver::StartOperation() {
    if (Loading()) return RefusedLoading;
    if (!Active()) return RefusedBusyOrInactive;
    TZAWorker& w = *FWorker;
    if (FBusy) {
        FReEntered = true;
        w.SetReentered(true);
        if (Verbose) w.Report(ZAReport::Message, 0, 0, "Re-entry");
        return RefusedBusyOrInactive;
    }
    try {
        w.SetLastError(0, {});
        TZAOperationSettings settings = OperationSettings();
        // Temporary files belong on a local disk that stays in place. A refused folder is
        // not taken, so that the next operation checks it again.
        bool refuseTempDir = false;
        if (FTempDir != w.Settings().TempDir && !FTempDir.empty()) {
            const auto kind =
                FPlatform.DriveType(FPlatform.DriveRootOf(FPlatform.ExpandFileName(FTempDir)));
            refuseTempDir = kind != TZADriveKind::Fixed && kind != TZADriveKind::RamDisk;
            if (refuseTempDir) settings.TempDir = w.Settings().TempDir;
        }
        w.SetSettings(std::move(settings));
        w.SetDllDirectory(DLLDirectory);
        if (refuseTempDir) throw EZipArchiver::CreateIdStr(ZS::CannotWrite, FTempDir);
        w.Activate();
        w.StartRun();
        FReEntered = false;
        FBusy = true;
        w.ApplyDllLoad(FStoredDllLoad);
        return 0;
    } catch (const EZipArchiver& e) {
        w.ExceptionMessage(e);
        return e.MessageId;
    } catch (const std::exception&) {
        return UnexpectedError;
    }
}

void TCustomZipArchiver::FinishOperation() {
    TZAWorker& w = *FWorker;
    w.EndRun();
    FBusy = false;
    if (w.Reentered()) FReEntered = true;
    FSpecArgs = w.Settings().FSpecArgs;
    FSpecArgsExcl = w.Settings().FSpecArgsExcl;
    if (FActivity == TZAActivity::InactiveOnCompletion) {
        FActivity = TZAActivity::Inactive;
        w.Deactivate();
    }
}

TZAOperationSettings TCustomZipArchiver::OperationSettings() const {
    return {{*this}, FPasswordReqCount, FMainWindow, FTempDir};
}

void TCustomZipArchiver::SetZipFileName(const std::string& name) {
    if (!Active() || Loading()) {
        FWorker->Deactivate();
        FWorker->SetZipFileName(name);  // an inactive worker only notes the read
        return;
    }
    if (StartOperation() != 0) return;
    try {
        FWorker->SetZipFileName(name);
    } catch (...) {
        FinishOperation();
        throw;
    }
    FinishOperation();
}

int32_t TCustomZipArchiver::Extract() {
    const int32_t refused = StartOperation();
    if (refused != 0) return refused;
    try {
        FWorker->ExtractOperation();
    } catch (...) {
        FinishOperation();
        throw;
    }
    FinishOperation();
    return FWorker->LastErrorCode();
}

}  // namespace quill::archive
