#include "archive/ZACore.h"

#include <limits>

namespace quill::archive {

namespace {
constexpr uint32_t kSmallItemLimit = 214748;  // below it ItemDone * 100 cannot overflow
constexpr int32_t kEndOfBatchPerCent = 101;
constexpr int32_t kExceptionInEventCode = 9;

uint32_t Low32(int64_t value) {
    return uint32_t(uint64_t(value));
}
}  // namespace

uint32_t TProgressDetails::ItemPerCent() const {
    if (ItemBytes == 0 || ItemDone == 0) return 0;
    if (ItemBytes < kSmallItemLimit) return ItemDone * 100u / ItemBytes;
    return ItemDone / (ItemBytes / 100u);
}

int32_t TProgressDetails::TotalPerCent() const {
    if (TotalBytes <= 0 || TotalDone <= 0) return 0;
    int64_t perCent;
    if (TotalDone <= std::numeric_limits<int64_t>::max() / 100) {
        perCent = (TotalDone * 100) / TotalBytes;
    } else {
        // Only reachable with absurd byte counts; keeps the arithmetic defined.
        long double exact = static_cast<long double>(TotalDone) * 100 / TotalBytes;
        perCent = exact >= 9e18L ? std::numeric_limits<int64_t>::max() : int64_t(exact);
    }
    return int32_t(uint32_t(uint64_t(perCent)));  // the low 32 bits, as the events carry it
}

TZACore::TZACore(TZASender owner, std::unique_ptr<TZACoreUI> ui)
    : FOwner(owner), FUI(std::move(ui)) {
}

TZACore::~TZACore() {
    FDestroying = true;
}

void TZACore::FireProgressEvents(ProgressType kind) {
    FProgressDetails.ProgressKind = kind;
    if (OnProgressDetails) OnProgressDetails(FOwner, FProgressDetails);
}

void TZACore::Report(ZAReport type, int32_t code, int64_t value, const std::string& text) {
    if (FDestroying) return;
    TProgressDetails& d = FProgressDetails;
    switch (type) {
        case ZAReport::Tick:
            if (OnTick) OnTick(FOwner);
            break;
        case ZAReport::NewItem:
            if (OnProgress) OnProgress(FOwner, ProgressType::NewFile, text, value);
            ++d.ItemNumber;
            d.ItemName = text;
            d.ItemBytes = Low32(value);
            d.ItemDone = 0;
            FireProgressEvents(ProgressType::NewFile);
            if (OnItemProgress) OnItemProgress(FOwner, d.ItemName, Low32(value), 0);
            break;
        case ZAReport::Progress:
            if (OnProgress) OnProgress(FOwner, ProgressType::ProgressUpdate, std::string(), value);
            d.TotalDone += int64_t(Low32(value));
            d.ItemDone += Low32(value);
            FireProgressEvents(ProgressType::ProgressUpdate);
            if (OnItemProgress)
                OnItemProgress(FOwner, d.ItemName, d.ItemDone, int32_t(d.ItemPerCent()));
            if (OnTotalProgress) OnTotalProgress(FOwner, d.TotalBytes, d.TotalPerCent());
            break;
        case ZAReport::EndOfBatch:
            if (OnProgress) OnProgress(FOwner, ProgressType::EndOfBatch, std::string(), 0);
            d.ItemName.clear();
            d.ItemBytes = 0;
            FireProgressEvents(ProgressType::EndOfBatch);
            if (OnItemProgress) OnItemProgress(FOwner, std::string(), 0, kEndOfBatchPerCent);
            if (OnTotalProgress) OnTotalProgress(FOwner, 0, kEndOfBatchPerCent);
            break;
        case ZAReport::Message: {
            std::string message = text;
            if (code != 0) {
                FLastErrorText = text;
                FLastErrorCode = int8_t(uint8_t(code & 0xFF));
                FFullCode = code;
                if (FLastErrorCode == kExceptionInEventCode && !FCallbackExceptionText.empty()) {
                    // The text of 10113 has no place for an argument: it is followed by the
                    // handler's text, so that the cause is not lost.
                    FLastErrorText = LoadZipText(ZS::ExceptionInEvent) + FCallbackExceptionText;
                    message = FLastErrorText;
                }
            }
            if (OnMessage) OnMessage(FOwner, code, message);
            break;
        }
        case ZAReport::ItemCount:
            d = TProgressDetails();
            d.ItemCount = int32_t(Low32(value));
            FireProgressEvents(ProgressType::TotalFiles2Process);
            if (OnProgress)
                OnProgress(FOwner, ProgressType::TotalFiles2Process, std::string(), value);
            break;
        case ZAReport::TotalSize:
            d.TotalBytes = value;
            d.TotalDone = 0;
            d.ItemName.clear();
            d.ItemBytes = 0;
            d.ItemDone = 0;
            d.BytesWritten = 0;
            FireProgressEvents(ProgressType::TotalSize2Process);
            if (OnProgress)
                OnProgress(FOwner, ProgressType::TotalSize2Process, std::string(), value);
            break;
        case ZAReport::NewExtra:
            if (OnProgress) OnProgress(FOwner, ProgressType::NewExtra, text, value);
            d.ItemName = LoadZipText(ZS::StepBase + code);
            d.ItemBytes = Low32(value);
            d.ItemDone = 0;
            FireProgressEvents(ProgressType::NewExtra);
            if (OnItemProgress) OnItemProgress(FOwner, d.ItemName, Low32(value), 0);
            break;
        case ZAReport::ExtraProgress:
            if (OnProgress) OnProgress(FOwner, ProgressType::ExtraUpdate, d.ItemName, value);
            d.ItemDone += Low32(value);
            FireProgressEvents(ProgressType::ExtraUpdate);
            if (OnItemProgress)
                OnItemProgress(FOwner, d.ItemName, d.ItemBytes, int32_t(d.ItemPerCent()));
            break;
        case ZAReport::CheckOnly:
            break;
        default:
            ReportOther(type, code, value, text);
            break;
    }

    if (OnCheckTerminate) {
        bool abort = FCancel;
        OnCheckTerminate(FOwner, abort);
        if (abort) SetCancel(true);
    } else if (!FNotMainThread && FUI->IsGuiThread()) {
        // Lets the window repaint and take input while the engine works on this thread.
        FUI->ProcessMessages();
    }
}

void TZACore::ZipMessage(int id, const std::string& extra) {
    if (FSettings.Unattended && !OnMessage) return;
    const std::string text = LoadZipText(id) + extra;
    FLastErrorText = text;
    FLastErrorCode = id;
    if (!FSettings.Unattended) {
        std::string shown = text;
        ZipDialog(std::string(), shown, {mbOK}, ZipDlgContext::Message);
    }
    if (OnMessage) OnMessage(FOwner, id, text);
}

void TZACore::ExceptionMessage(const EZipArchiver& e) {
    FLastErrorCode = e.MessageId;
    FLastErrorText = e.Message;
    if (e.Displayed && !FSettings.Unattended) {
        std::string shown = e.Message;
        ZipDialog(std::string(), shown, {mbOK}, ZipDlgContext::Exception);
    }
    if (OnMessage) OnMessage(FOwner, FLastErrorCode, FLastErrorText);
}

int TZACore::ZipDialog(const std::string& title, std::string& msg, TMsgDlgButtons buttons,
                       uint32_t context) {
    std::string caption = title.empty() ? FUI->ApplicationTitle() : title;
    if (FSettings.Verbose) caption = ZAFormat("%s   (%d)", {caption, int64_t(context & 0xFFFF)});

    if (OnZipDialog) {
        std::string answer = msg;
        int32_t result = int32_t(context);
        OnZipDialog(FOwner, caption, answer, result, buttons);
        if (result >= mr::OK && result <= mr::YesToAll) {
            msg = answer;
            return result;
        }
    }
    std::string text = msg;
    int result = FUI->ShowZipDialogBox(caption, text, buttons, context);
    if (ZipDialogKindOf(context) == ZipDialogKind::Password)
        msg = result == mr::OK ? text : std::string();
    return result;
}

void TZACore::PasswordPrompt(const std::string& prompt, TMsgDlgButtons buttons, uint32_t context,
                             TMsgDlgBtn& answer, std::string& password) {
    std::string text = prompt;
    switch (ZipDialog(LoadZipText(ZS::PasswordTitle), text, buttons, context)) {
        case mr::OK:
            answer = mbOK;
            break;
        case mr::Cancel:
            answer = mbCancel;
            break;
        case mr::All:
            answer = mbNoToAll;
            break;
        default:
            answer = mbAbort;
            break;
    }
    password = answer == mbOK ? text : std::string();
}

void TZACore::GetExtractPassword(TMsgDlgBtn& answer, std::string& password) {
    password.clear();
    if (FSettings.Unattended) {
        ZipMessage(ZS::NoExtrPassword);
        return;
    }
    PasswordPrompt(LoadZipText(ZS::PasswordEnter), {mbOK, mbCancel, mbAll},
                   ZipDlgContext::ExtractPassword, answer, password);
}

void TZACore::GetAddPassword(TMsgDlgBtn& answer, std::string& password) {
    password.clear();
    if (FSettings.Unattended) {
        ZipMessage(ZS::NoAddPassword);
        return;
    }
    std::string first;
    PasswordPrompt(LoadZipText(ZS::PasswordEnter), {mbOK, mbCancel}, ZipDlgContext::AddPassword,
                   answer, first);
    if (answer != mbOK || first.empty()) return;
    PasswordPrompt(LoadZipText(ZS::PasswordConfirm), {mbOK, mbCancel},
                   ZipDlgContext::AddPasswordConfirm, answer, password);
    if (answer == mbOK && !password.empty() && password != first) {
        ZipMessage(ZS::PasswordsDontMatch);
        password.clear();
    }
}

void TZACore::StartWaitCursor() {
    if (FNotMainThread || !FUI->IsGuiThread()) return;
    if (FBusyCursorCount++ == 0) FUI->ShowBusyCursor();
}

void TZACore::StopWaitCursor() {
    if (FNotMainThread || !FUI->IsGuiThread() || FBusyCursorCount <= 0) return;
    if (--FBusyCursorCount == 0) FUI->RestoreCursor();
}

void TZACore::EndRun() {
    FRunning = false;
    if (FNotMainThread) return;
    if (FBusyCursorCount > 0) FUI->RestoreCursor();
    FBusyCursorCount = 0;
}

void TZACore::StartRun() {
    FReentered = false;
    FRunning = true;
    FNotMainThread = !FUI->IsGuiThread();
}

void TZACore::Clear() {
    SelectLanguage(std::string());
    FCancel = false;
    FLastErrorCode = 0;
    FLastErrorText.clear();
    FCallbackExceptionText.clear();
    FFullCode = 0;
    FProgressDetails = TProgressDetails();
}

}  // namespace quill::archive
