#include "fake_engine.h"

using namespace zipengine_abi;

namespace {

FakeEngine* current = nullptr;  // the engine whose exports run (one loaded at a time)

int32_t ZE_CALL FakeUnzExec(const ZE_CommandRecord* record) {
    return current->run(*record);
}
int32_t ZE_CALL FakeZipExec(const ZE_CommandRecord*) {
    return -5;
}
int32_t ZE_CALL FakeVersion() {
    ++current->versionCalls;
    return current->version;
}
int32_t ZE_CALL FakePrivVersion() {
    return current->build;
}
int32_t ZE_CALL FakeAbort(int32_t key) {
    ++current->abortCalls;
    current->lastAbortKey = key;
    return 0;
}
const char* ZE_CALL FakePath() {
    return current->reportedPath.c_str();
}

}  // namespace

TZALibraryLoader::Module FakeLoader::Load(const std::string& path, uint32_t& error) {
    requests.push_back(path);
    auto found = libraries.find(path);
    if (found == libraries.end()) {
        error = 126;
        return nullptr;
    }
    current = found->second;
    ++loaded;
    return found->second;
}

void* FakeLoader::Export(Module module, const char* name) {
    const std::string n = name;
    if (n == "ZE_UnzExec") return reinterpret_cast<void*>(&FakeUnzExec);
    if (n == "ZE_ZipExec") return reinterpret_cast<void*>(&FakeZipExec);
    if (n == "ZE_Version") return reinterpret_cast<void*>(&FakeVersion);
    if (n == "ZE_PrivVersion") return reinterpret_cast<void*>(&FakePrivVersion);
    if (n == "ZE_Abort") return reinterpret_cast<void*>(&FakeAbort);
    if (n == "ZE_Path" && static_cast<FakeEngine*>(module)->exportsPath)
        return reinterpret_cast<void*>(&FakePath);
    return nullptr;
}

void FakeLoader::Free(Module) {
    --loaded;
}

int32_t CallBack(const ZE_CommandRecord& command, int32_t action, int32_t arg1, const char* text,
                 int64_t value, int32_t arg2, int32_t arg3, ZE_CallbackRecord* out) {
    ZE_CallbackRecord record{};
    record.actionReply = action;
    record.arg1 = arg1;
    record.text = text;
    record.in.value = value;
    record.in.arg2 = arg2;
    record.in.arg3 = arg3;
    const int32_t result = command.callback(command.caller, &record);
    if (out) *out = record;
    return result;
}
