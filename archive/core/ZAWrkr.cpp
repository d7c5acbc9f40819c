// The worker's settings and activation: the top of the worker, above the directory reader
// (ZAWrkrList.cpp), the probe (ZAWrkrProbe.cpp) and the part finding (ZAWrkrDisk.cpp).
#include "archive/ZAWrkr.h"

namespace quill::archive {

TZAWorker::TZAWorker(TZASender owner, std::unique_ptr<TZACoreUI> ui, TZAPlatform& platform,
                     TZALibraryLoader& loader)
    : TZADynamicBind(owner, std::move(ui), platform, loader), FPlatform(platform) {
}

TZAWorker::~TZAWorker() = default;

void TZAWorker::SetZipFileName(const std::string& name) {
    FZipFileName = name;
    List();
}

void TZAWorker::Activate() {
    const bool pending = FListPending;
    FListPending = false;
    FActive = true;
    if (pending) List();
}

void TZAWorker::Deactivate() {
    FListPending = false;
    FActive = false;
}

void TZAWorker::SetCancel(bool value) {
    if (value != FCancel) FCancel = value;
}

void TZAWorker::Clear() {
    TZACore::Clear();
    FSettings.CodePage = cpAuto;
    FSettings.UseDirOnlyEntries = false;
    FSettings.HowToDelete = htdAllowUndo;
}

}  // namespace quill::archive
