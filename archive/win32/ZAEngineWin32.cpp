#include <windows.h>

#include "archive/ZAEngine.h"
#include "archive/ZAMsgStrSys.h"
#include "archive/ZANames.h"

namespace quill::archive {

namespace {

class TWin32LibraryLoader : public TZALibraryLoader {
public:
    Module Load(const std::string& path, uint32_t& error) override {
        // No critical-error or "missing file" boxes while the library is looked for.
        const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        HMODULE module = LoadLibraryA(path.c_str());
        error = module ? 0 : GetLastError();
        SetErrorMode(previous);
        return module;
    }

    void* Export(Module module, const char* name) override {
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
    }

    void Free(Module module) override { FreeLibrary(static_cast<HMODULE>(module)); }

    std::string ErrorText(uint32_t error) override { return OsErrorText(int(error)); }

    std::string ExecutableFolder() override { return ZANames::ExecutableFolder(); }

    std::string StringResource(int id) override {
        char text[256] = {};
        const int n = LoadStringA(GetModuleHandleA(nullptr), UINT(id), text, sizeof text);
        return std::string(text, n > 0 ? n : 0);
    }

    std::vector<uint8_t> DataResource(int id) override {
        const std::span<const uint8_t> bytes = ProgramResource(id);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }

    uint32_t LastSystemError() override { return GetLastError(); }
    void* MainWindow() override { return GetActiveWindow(); }
};

}  // namespace

TZALibraryLoader& SystemLibraryLoader() {
    static TWin32LibraryLoader loader;
    return loader;
}

}  // namespace quill::archive
