#include <windows.h>

#include "archive/ZAEngine.h"
#include "archive/ZANames.h"

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

    std::string ErrorText(uint32_t error) override {
        char* text = nullptr;
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
        std::string result = text ? text : "";
        LocalFree(text);
        while (!result.empty() && (result.back() == '\n' || result.back() == '\r'))
            result.pop_back();
        return result;
    }

    std::string ExecutableFolder() override { return ZANames::ExecutableFolder(); }

    std::string StringResource(int id) override {
        char text[256] = {};
        const int n = LoadStringA(GetModuleHandleA(nullptr), UINT(id), text, sizeof text);
        return std::string(text, n > 0 ? n : 0);
    }

    std::vector<uint8_t> DataResource(int id) override {
        HMODULE self = GetModuleHandleA(nullptr);
        HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
        if (!found) return {};
        HGLOBAL loaded = LoadResource(self, found);
        const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
        if (!bytes) return {};
        return std::vector<uint8_t>(bytes, bytes + SizeofResource(self, found));
    }

    uint32_t LastSystemError() override { return GetLastError(); }
    void* MainWindow() override { return GetActiveWindow(); }
};

}  // namespace

TZALibraryLoader& SystemLibraryLoader() {
    static TWin32LibraryLoader loader;
    return loader;
}
