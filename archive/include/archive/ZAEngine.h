// The binding to the zip engine library ZipEng179.dll: finding and loading it, checking its
// version, holding it while anyone needs it, running an extraction through ZE_UnzExec and
// answering the engine's callbacks.
//
// Loading goes through TZALibraryLoader, so that the binding's rules run natively with
// engines that live in the test program itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "archive/ZACore.h"
#include "archive/ZAUtils.h"
#include "engine/ZipEngineAbi.h"

namespace quill::archive {

// Dynamic libraries as the system offers them.
class TZALibraryLoader {
public:
    using Module = void*;
    virtual ~TZALibraryLoader() = default;
    // Loads with the system's critical-error and fault boxes switched off; nullptr on
    // failure, with the system's error code in `error`.
    virtual Module Load(const std::string& path, uint32_t& error) = 0;
    virtual void* Export(Module module, const char* name) = 0;
    virtual void Free(Module module) = 0;
    virtual std::string ErrorText(uint32_t error) = 0;
    // The folder of the running executable, with a trailing backslash.
    virtual std::string ExecutableFolder() = 0;
    // A string resource of the running executable ("" when absent).
    virtual std::string StringResource(int id) = 0;
    // A data resource of the running executable (empty when absent).
    virtual std::vector<uint8_t> DataResource(int id) = 0;
    // The code of the last failed system call on this thread.
    virtual uint32_t LastSystemError() = 0;
    // The window the engine may use as the owner of its own windows.
    virtual void* MainWindow() = 0;
};

// The loader of the build's system; lives for the whole program.
TZALibraryLoader& SystemLibraryLoader();

// A library loaded through a loader and freed through it exactly once (on Reset, on
// assignment of another, or at the end of its scope).
class TZALoadedModule {
public:
    TZALoadedModule() = default;
    TZALoadedModule(TZALibraryLoader& loader, TZALibraryLoader::Module module)
        : FLoader(&loader), FModule(module) {}
    ~TZALoadedModule() { Reset(); }
    TZALoadedModule(TZALoadedModule&& other) noexcept
        : FLoader(other.FLoader), FModule(std::exchange(other.FModule, nullptr)) {}
    TZALoadedModule& operator=(TZALoadedModule&& other) noexcept {
        if (this != &other) {
            Reset();
            FLoader = other.FLoader;
            FModule = std::exchange(other.FModule, nullptr);
        }
        return *this;
    }
    TZALoadedModule(const TZALoadedModule&) = delete;
    TZALoadedModule& operator=(const TZALoadedModule&) = delete;

    TZALibraryLoader::Module Get() const { return FModule; }
    explicit operator bool() const { return FModule != nullptr; }
    void Reset() {
        if (FModule) FLoader->Free(std::exchange(FModule, nullptr));
    }

private:
    TZALibraryLoader* FLoader = nullptr;  // not owned; outlives every module it loaded
    TZALibraryLoader::Module FModule = nullptr;
};

using TSetExtNameEvent = tk::TEvent<void(TZASender Sender, std::string& FileName, bool& IsChanged)>;
using TFileCommentEvent = tk::TEvent<void(TZASender Sender, const std::string& ForFile,
                                          std::string& FileComment, bool& IsChanged)>;
using TFileExtraEvent = tk::TEvent<void(TZASender Sender, const std::string& ForFile,
                                        std::string& Data, bool& IsChanged)>;

class TZADynamicBind : public TZACore {
public:
    // Why the library is held; it stays loaded while any reason is set.
    static constexpr uint32_t HoldEngineCall = 1, HoldOperation = 2, HoldDllLoad = 4, HoldAll = 7;

    explicit TZADynamicBind(TZASender owner, std::unique_ptr<TZACoreUI> ui = MakeDefaultZACoreUI(),
                            TZAPlatform& platform = SystemPlatform(),
                            TZALibraryLoader& loader = SystemLibraryLoader());
    ~TZADynamicBind() override;

    // Takes the operation's hold (loading if needed); raises 10651 for an engine older
    // than 179. Returns EngineVersion.
    int32_t BindForOperation();
    void ReleaseOperation() { Release(HoldOperation); }
    // Runs ZE_UnzExec under the engine-call hold; a negative result raises its archive error.
    int32_t ExecUnzip(const zipengine_abi::ZE_CommandRecord& record);
    // Takes or gives back the Dll_Load hold.
    void ApplyDllLoad(bool load);
    bool IsLoaded() const { return bool(FModule); }
    void SetDllDirectory(const std::string& path);
    const std::string& DllDirectory() const { return FDllDirectory; }
    // Sets Cancel and asks a running engine call to stop.
    void AbortEngine();

    int32_t EngineVersion() const { return FEngineVersion; }
    int32_t EngineBuild() const { return FEngineBuild; }
    const std::string& EnginePath() const { return FEnginePath; }
    uint32_t HoldReasons() const { return FHoldReasons; }
    int32_t AbortKey() const { return FAbortKey; }

    // The function handed to the engine in the command record.
    static int32_t ZE_CALL Callback(void* caller, zipengine_abi::ZE_CallbackRecord* record);

    TSetExtNameEvent OnSetExtName;
    TFileCommentEvent OnFileComment;
    TFileExtraEvent OnFileExtra;

protected:
    int32_t Load(uint32_t reason);
    int32_t LoadFile(const std::string& path, bool mustSucceed);
    int32_t Release(uint32_t reason);
    void Unload(bool quietly = false);
    std::string ExtractEmbeddedEngine();
    TZALibraryLoader& Loader() { return FLoader; }
    // The worker's memory stream for extraction to memory.
    std::vector<uint8_t> FZipStream;

private:
    void HandleRecord(zipengine_abi::ZE_CallbackRecord& record);
    void AnswerPassword(zipengine_abi::ZE_CallbackRecord& record, const std::string& forFile);
    void AnswerSkipped(zipengine_abi::ZE_CallbackRecord& record, const std::string& forFile);
    void AnswerExtraData(zipengine_abi::ZE_CallbackRecord& record, const std::string& forFile);
    void ForgetEngine();
    // Engine texts with "/" turned into "\", leaving two-byte characters alone.
    std::string EngineText(const char* text);
    int32_t EmbeddedBuild();

    TZAPlatform& FPlatform;
    TZALibraryLoader& FLoader;

    zipengine_abi::ZE_AbortFunc FAbortFunc = nullptr;
    std::string FDllDirectory;  // never ends in a backslash
    bool FDeleteEngineLater = false;
    std::string FEnginePath = zipengine_abi::kEngineFileName;
    int32_t FEngineVersion = 0;
    TZALoadedModule FModule;
    uint32_t FHoldReasons = 0;
    zipengine_abi::ZE_PathFunc FPathFunc = nullptr;
    int32_t FEngineBuild = 0;
    zipengine_abi::ZE_PrivVersionFunc FPrivVersionFunc = nullptr;
    std::string FExtractedEnginePath;
    zipengine_abi::ZE_UnzExecFunc FUnzExecFunc = nullptr;
    zipengine_abi::ZE_VersionFunc FVersionFunc = nullptr;
    zipengine_abi::ZE_ZipExecFunc FZipExecFunc = nullptr;
    int32_t FAbortKey = 0;
    std::vector<uint8_t> FExtraData;  // extra data longer than the record holds
};

}  // namespace quill::archive
