#pragma once
// In-process zip engines behind a loader, for exercising the engine binding natively.

#include <functional>
#include <map>
#include <string>

#include "archive/ZAEngine.h"

using namespace quill::archive;

struct FakeEngine {
    int32_t version = 179;
    int32_t build = 1790123;
    bool exportsPath = true;
    std::string reportedPath = "C:\\engines\\ZipEng179.dll";
    // The extraction; by default it processes nothing and succeeds.
    std::function<int32_t(const zipengine_abi::ZE_CommandRecord&)> run =
        [](const zipengine_abi::ZE_CommandRecord&) { return 0; };
    int versionCalls = 0;
    int abortCalls = 0;
    int32_t lastAbortKey = 0;
};

class FakeLoader : public TZALibraryLoader {
public:
    // Libraries by the exact path the binding asks for.
    std::map<std::string, FakeEngine*> libraries;
    std::vector<std::string> requests;
    int loaded = 0;  // currently loaded

    Module Load(const std::string& path, uint32_t& error) override;
    void* Export(Module module, const char* name) override;
    void Free(Module module) override;
    std::string ErrorText(uint32_t error) override { return "not found"; }
    std::string ExecutableFolder() override { return "C:\\app\\"; }
    std::string StringResource(int) override { return {}; }
    std::vector<uint8_t> DataResource(int) override { return {}; }
    uint32_t LastSystemError() override { return 5; }
    void* MainWindow() override { return nullptr; }
};

// Calls the component's callback as an engine does, with a fresh callback record.
int32_t CallBack(const zipengine_abi::ZE_CommandRecord& command, int32_t action, int32_t arg1 = 0,
                 const char* text = nullptr, int64_t value = 0, int32_t arg2 = 0, int32_t arg3 = 0,
                 zipengine_abi::ZE_CallbackRecord* out = nullptr);
