#include "archive/ZAEngine.h"

#include <algorithm>
#include <cstring>

namespace quill::archive {

using namespace zipengine_abi;

namespace {

constexpr int EngineBuildResource = 11612;
constexpr int EngineImageResource = 11613;
constexpr int32_t EngineCallbackFailed = 10106;  // the callback's answer once a handler failed
// ExecUnzip's result when the engine could not be called or its call did not return.
constexpr int32_t EngineCallFailed = -7;

// Restores the busy cursor however a load ends.
class TWaitCursorScope {
public:
    explicit TWaitCursorScope(TZACore& core) : FCore(core) { FCore.StartWaitCursor(); }
    ~TWaitCursorScope() { FCore.StopWaitCursor(); }
    TWaitCursorScope(const TWaitCursorScope&) = delete;
    TWaitCursorScope& operator=(const TWaitCursorScope&) = delete;

private:
    TZACore& FCore;
};

bool EndsInSeparator(const std::string& s) {
    return !s.empty() && (s.back() == '\\' || s.back() == '/');
}

// Copies a reply into the record's reply text, cut to `limit` characters.
void PutReplyText(ZE_CallbackRecord& record, const std::string& text, size_t limit) {
    const size_t n = std::min({text.size(), limit, kMaxReplyText});
    std::memcpy(record.replyText, text.data(), n);
    record.replyText[n] = '\0';
}

}  // namespace

TZADynamicBind::TZADynamicBind(TZASender owner, std::unique_ptr<TZACoreUI> ui,
                               TZAPlatform& platform, TZALibraryLoader& loader)
    : TZACore(owner, std::move(ui)), FPlatform(platform), FLoader(loader) {
}

TZADynamicBind::~TZADynamicBind() {
    SetDestroying(true);
    AbortEngine();
    Unload(/*quietly=*/true);
    if (!FExtractedEnginePath.empty()) FPlatform.DeleteFile(FExtractedEnginePath, false);
}

void TZADynamicBind::ForgetEngine() {
    FAbortFunc = nullptr;
    FPathFunc = nullptr;
    FPrivVersionFunc = nullptr;
    FUnzExecFunc = nullptr;
    FVersionFunc = nullptr;
    FZipExecFunc = nullptr;
    FEngineVersion = 0;
    FEngineBuild = 0;
}

int32_t TZADynamicBind::EmbeddedBuild() {
    const std::string text = FLoader.StringResource(EngineBuildResource).substr(0, 7);
    return NumberOrZero(text);
}

int32_t TZADynamicBind::Load(uint32_t reason) {
    FHoldReasons = (FHoldReasons | reason) & HoldAll;
    if (FModule) return FEngineVersion;
    TWaitCursorScope busy(*this);
    FEngineVersion = 0;

    std::string path = FExtractedEnginePath;
    if (path.empty() && FDllDirectory == "><") path = ExtractEmbeddedEngine();
    if (path.empty() && !FDllDirectory.empty()) {
        const bool colon = FDllDirectory.back() == ':';
        path = FDllDirectory + (colon ? "" : "\\") + kEngineFileName;
        if (FDllDirectory[0] == '.') path = FLoader.ExecutableFolder() + path;
        if (!FPlatform.FileExists(path)) path.clear();
    }
    if (path.empty()) path = kEngineFileName;  // the system's search order decides

    const int32_t embedded = EmbeddedBuild();
    const int32_t loaded = LoadFile(path, embedded < kMinEngineBuild);
    if (embedded > loaded) {
        // The program carries a newer engine than the one found.
        const std::string extracted = ExtractEmbeddedEngine();
        if (LoadFile(extracted, false) < kMinEngineBuild) LoadFile(path, true);
    }
    if (FSettings.Verbose)
        Report(ZAReport::Message, 0, 0, LoadZipTextFmt(ZS::Loaded, {FEnginePath}));
    return FEngineVersion;
}

int32_t TZADynamicBind::LoadFile(const std::string& path, bool mustSucceed) {
    FModule.Reset();
    ForgetEngine();

    uint32_t error = 0;
    FModule = TZALoadedModule(FLoader, FLoader.Load(path, error));
    if (FModule) {
        // Each export is looked up only when the one before it was found.
        auto find = [this](const char* name, auto& slot) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(
                FLoader.Export(FModule.Get(), name));
            return slot != nullptr;
        };
        const bool complete =
            find("ZE_UnzExec", FUnzExecFunc) && find("ZE_ZipExec", FZipExecFunc) &&
            find("ZE_Version", FVersionFunc) && find("ZE_PrivVersion", FPrivVersionFunc) &&
            find("ZE_Abort", FAbortFunc) && find("ZE_Path", FPathFunc);
        if (complete) {
            FEngineBuild = FPrivVersionFunc();
            FEngineVersion = FVersionFunc();
            if (const char* reported = FPathFunc()) FEnginePath = reported;
        }
    } else if (FSettings.Verbose || FSettings.Trace) {
        Report(
            ZAReport::Message, 0, 0,
            ZAFormat("Error [%d %s] loading %s", {int64_t(error), FLoader.ErrorText(error), path}));
    }

    if (!FModule) {
        ForgetEngine();
        if (!mustSucceed) return 0;
        FHoldReasons = 0;
        throw EZipArchiver::CreateIdStr(ZS::LoadFailed, path);
    }
    if (FEngineVersion < kMinEngineVersion || FEngineVersion > kMaxEngineVersion) {
        const int32_t build = FEngineBuild;
        FModule.Reset();
        ForgetEngine();
        if (mustSucceed) {
            FHoldReasons = 0;
            throw EZipArchiver::CreateIdStr(ZS::LoadOldOrCorrupt, FEnginePath);
        }
        return build;
    }
    return FEngineBuild;
}

int32_t TZADynamicBind::BindForOperation() {
    Load(HoldOperation);
    if (FEngineVersion > kMinEngineVersion - 1) return FEngineVersion;
    Release(HoldAll);
    throw EZipArchiver::CreateIdStr(ZS::LoadOldOrCorrupt, FEnginePath);
}

int32_t TZADynamicBind::Release(uint32_t reason) {
    FHoldReasons &= ~reason & HoldAll;
    if (FHoldReasons == 0) Unload();
    return FEngineVersion;
}

void TZADynamicBind::Unload(bool quietly) {
    if (FModule) {
        if (FSettings.Verbose && !quietly)
            Report(ZAReport::Message, 0, 0, LoadZipTextFmt(ZS::Unloaded, {FEnginePath}));
        FModule.Reset();
    }
    ForgetEngine();
    FEnginePath.clear();
    FHoldReasons = 0;
    if (FDeleteEngineLater) {
        FPlatform.DeleteFile(FExtractedEnginePath, false);
        FExtractedEnginePath.clear();
        FDeleteEngineLater = false;
    }
}

int32_t TZADynamicBind::ExecUnzip(const ZE_CommandRecord& record) {
    Load(HoldEngineCall);
    int32_t result = EngineCallFailed;
    try {
        if (FUnzExecFunc) result = FUnzExecFunc(&record);
    } catch (...) {
        result = EngineCallFailed;  // nothing may escape the engine call
    }
    FAbortKey = 0;
    Release(HoldEngineCall);
    switch (result) {
        case ZE_UserCancelled:
            throw EZipArchiver::CreateId(ZS::DllCancelled, true);
        case ZE_Aborting:
            throw EZipArchiver::CreateId(ZS::DllAbort, true);
        case ZE_HandlerException:
            throw EZipArchiver::CreateId(ZS::DllHandlerException, true);
        case ZE_NotEnoughMemory:
            throw EZipArchiver::CreateId(ZS::DllNoMem, true);
        case ZE_InvalidStructure:
            throw EZipArchiver::CreateId(ZS::DllInvalidStruct, true);
        default:
            if (result < 0) throw EZipArchiver::CreateIdInt(ZS::DllCritical, result);
            return result;
    }
}

void TZADynamicBind::ApplyDllLoad(bool load) {
    if (load == IsLoaded()) return;
    if (load)
        Load(HoldDllLoad);
    else
        Release(HoldDllLoad);
}

void TZADynamicBind::SetDllDirectory(const std::string& path) {
    std::string folder = path;
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (path == FDllDirectory || folder == FDllDirectory) return;
    FDllDirectory = folder;
    if (FExtractedEnginePath.empty()) return;
    if (FModule) {
        FDeleteEngineLater = true;
    } else {
        FPlatform.DeleteFile(FExtractedEnginePath, false);
        FExtractedEnginePath.clear();
    }
}

void TZADynamicBind::AbortEngine() {
    SetCancel(true);
    if (FModule && FAbortFunc) FAbortFunc(FAbortKey);
}

std::string TZADynamicBind::ExtractEmbeddedEngine() {
    const int32_t build = EmbeddedBuild();
    if (build <= kMinEngineBuild) {
        if (FSettings.Trace) Report(ZAReport::Message, 0, 0, "No dll in resource");
        return FExtractedEnginePath;
    }
    std::string folder = FSettings.TempDir.empty() ? FPlatform.TempFolder() : FSettings.TempDir;
    if (folder.empty()) return FExtractedEnginePath;  // no folder the engine could be put in
    if (!EndsInSeparator(folder)) folder += '\\';
    std::string name = FPlatform.TempFileName(folder, "ZE_");
    if (name.empty()) return FExtractedEnginePath;
    FPlatform.DeleteFile(name, false);
    name = ChangeExtension(name, ".dll");

    const std::vector<uint8_t> image = FLoader.DataResource(EngineImageResource);
    bool written = false;
    // Only plain images are carried; a compressed one is not this program's.
    if (image.size() > 50000 && image[0] == 'M' && image[1] == 'Z') {
        if (auto file = FPlatform.Create(name))
            written = file->Write(image.data(), uint32_t(image.size())) == image.size();
    }
    if (written && FSettings.Trace)
        Report(ZAReport::Message, 0, 0,
               ZAFormat("extracted resource dll %s %d", {name, int64_t(build)}));
    if (!written) FPlatform.DeleteFile(name, false);
    FExtractedEnginePath = FPlatform.FileExists(name) ? name : std::string();
    return FExtractedEnginePath;
}

std::string TZADynamicBind::EngineText(const char* text) {
    std::string converted;
    if (!text) return converted;
    for (size_t i = 0; text[i]; ++i) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (FPlatform.IsLeadByte(c) && text[i + 1]) {
            converted += text[i];
            converted += text[++i];
        } else {
            converted += c == '/' ? '\\' : text[i];
        }
    }
    return converted;
}

int32_t ZE_CALL TZADynamicBind::Callback(void* caller, ZE_CallbackRecord* record) {
    auto* self = static_cast<TZADynamicBind*>(caller);
    if (!self->Destroying() && record) {
        // Taken first: answering the record writes its reply code into the same field.
        const int32_t action = record->actionReply & kActionMask;
        auto fail = [self, action](const char* what) {
            // A failing handler stops the run; its text ends up in the final error.
            if (self->FCallbackExceptionText.empty())
                self->FCallbackExceptionText = " #" + std::to_string(action) + " \"" + what + "\"";
            self->SetCancel(true);
        };
        try {
            self->HandleRecord(*record);
        } catch (const std::exception& e) {
            fail(e.what());
        } catch (...) {
            fail("");
        }
    }
    if (!self->FCallbackExceptionText.empty()) return EngineCallbackFailed;
    return self->Cancel() ? 1 : 0;
}

void TZADynamicBind::HandleRecord(ZE_CallbackRecord& record) {
    const int32_t action = record.actionReply & kActionMask;
    auto noteWritten = [&] {
        if (record.isAdd) FProgressDetails.BytesWritten = record.in.written;
    };
    switch (action) {
        case ZE_ActAbortKey:
            FAbortKey = record.arg1;
            return;
        case ZE_ActTick:
            Report(ZAReport::Tick, 0, 0, {});
            return;
        case ZE_ActNewItem:
            noteWritten();
            Report(ZAReport::NewItem, 0, record.in.value, EngineText(record.text));
            return;
        case ZE_ActProgress:
        case ZE_ActEndOfBatch:
            noteWritten();
            Report(ZAReport(uint8_t(action)), 0, record.in.value, {});
            return;
        case ZE_ActMessage:
            Report(ZAReport::Message, record.arg1, 0, EngineText(record.text));
            return;
        case ZE_ActItemCount:
            Report(ZAReport::ItemCount, 0, record.arg1, {});
            return;
        case ZE_ActTotalSize:
            Report(ZAReport::TotalSize, 0, record.in.value, {});
            return;
        case ZE_ActExtraStep:
            Report(ZAReport::NewExtra, record.arg1, record.in.value, EngineText(record.text));
            return;
        case ZE_ActExtraStepProgress:
            Report(ZAReport::ExtraProgress, record.arg1, record.in.value, {});
            return;
        default:
            break;
    }

    const std::string forFile =
        action >= ZE_ActNewName && action <= ZE_ActExtractName ? EngineText(record.text) : "";
    switch (action) {
        case ZE_ActPassword:
            AnswerPassword(record, forFile);
            break;
        case ZE_ActCrcError:
            if (OnCRC32Error) {
                bool doExtract = true;
                OnCRC32Error(Owner(), forFile, uint32_t(record.arg1), uint32_t(record.in.arg2),
                             doExtract);
                record.actionReply = doExtract ? ZE_ReplyYes : ZE_ReplyNoToAll;
            }
            break;
        case ZE_ActOverwrite:
            if (OnExtractOverwrite) {
                bool doOverwrite = record.arg1 != 0;
                OnExtractOverwrite(Owner(), forFile, record.in.arg3 != 2, doOverwrite,
                                   record.in.arg2);
                record.actionReply = doOverwrite ? ZE_ReplyYes : ZE_ReplyNo;
            }
            break;
        case ZE_ActSkipped:
            AnswerSkipped(record, forFile);
            break;
        case ZE_ActFileComment:
            if (OnFileComment) {
                const char* preset = static_cast<const char*>(record.in.data);
                std::string comment = preset ? preset : "";
                bool changed = false;
                OnFileComment(Owner(), forFile, comment, changed);
                if (changed) {
                    comment.resize(std::min<size_t>(comment.size(), 511));
                    PutReplyText(record, comment, 511);
                    record.arg1 = int32_t(comment.size());
                    record.actionReply = ZE_ReplyYes;
                }
            }
            break;
        case ZE_ActMemoryBuffer: {
            const auto size = uint32_t(record.in.value);
            try {
                FZipStream.resize(size);
                record.in.data = FZipStream.data();
                record.actionReply = ZE_ReplyYes;
            } catch (const std::bad_alloc&) {
                record.actionReply = ZE_ReplyNo;
                record.in.value = 0;
            }
            break;
        }
        case ZE_ActExtraData:
            AnswerExtraData(record, forFile);
            break;
        case ZE_ActExtractName:
            if (OnSetExtName) {
                std::string name = forFile;
                bool changed = false;
                OnSetExtName(Owner(), name, changed);
                // A file may not become a folder, nor a folder a file.
                if (changed && name != forFile &&
                    EndsInSeparator(name) == EndsInSeparator(forFile)) {
                    PutReplyText(record, name, kMaxReplyText);
                    record.actionReply = ZE_ReplyYes;
                }
            }
            break;
        default:
            break;  // names while adding: never asked during extraction
    }
    Report(ZAReport::CheckOnly, 0, 0, {});
}

void TZADynamicBind::AnswerPassword(ZE_CallbackRecord& record, const std::string& forFile) {
    uint32_t repeatCount = uint32_t(record.arg1);
    TMsgDlgBtn action = mbOK;
    std::string password;
    if (OnPasswordError) {
        OnPasswordError(Owner(), record.isAdd != 0, password, forFile, repeatCount, action);
        if (action != mbOK) password.clear();
    } else if (!record.isAdd) {
        GetExtractPassword(action, password);
    } else {
        GetAddPassword(action, password);
    }
    if (!password.empty()) {
        PutReplyText(record, password, kMaxPasswordReply);
        record.actionReply = ZE_ReplyYes;
    } else {
        record.actionReply = ZE_ReplyNo;
        repeatCount = 0;
    }
    record.arg1 = int32_t(std::min<uint32_t>(repeatCount, kMaxPasswordRequests));
    if (action == mbCancel)
        record.actionReply = ZE_ReplyNo;
    else if (action == mbNoToAll)
        record.actionReply = ZE_ReplyNoToAll;
    else if (action == mbAbort)
        SetCancel(true);
}

void TZADynamicBind::AnswerSkipped(ZE_CallbackRecord& record, const std::string& forFile) {
    if (record.arg1 != 0) {
        FFullCode = record.arg1;
        FLastErrorCode = record.arg1 & 0xFF;
    }
    const int32_t skipType = (record.in.arg2 & 0xFF) - 1;
    if (OnExtractSkipped)
        OnExtractSkipped(Owner(), forFile, skipType, record.arg1);
    else if (OnMessage)
        OnMessage(Owner(), ZS::DllUnknownError,
                  LoadZipTextFmt(ZS::Skipped, {forFile, int64_t(skipType)}));
}

void TZADynamicBind::AnswerExtraData(ZE_CallbackRecord& record, const std::string& forFile) {
    if (!OnFileExtra) return;
    // The data lies inline from the data field to the end of the record.
    constexpr size_t inlineRoom =
        sizeof(record.replyText) -
        (offsetof(ZE_CallbackRecord, in.data) - offsetof(ZE_CallbackRecord, replyText));
    const size_t presetSize = std::min<size_t>(size_t(std::max(record.arg1, 0)), inlineRoom);
    std::string data(reinterpret_cast<const char*>(&record.in.data), presetSize);
    bool changed = false;
    OnFileExtra(Owner(), forFile, data, changed);
    if (!changed || data.empty()) return;
    if (data.size() < 512) {
        std::memcpy(record.replyText, data.data(), data.size());
    } else {
        FExtraData.assign(data.begin(), data.end());
        record.in.data = FExtraData.data();
    }
    record.arg1 = int32_t(data.size());
    record.actionReply = ZE_ReplyYes;
}

}  // namespace quill::archive
