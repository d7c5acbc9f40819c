// A stand-in for ZipEng179.dll whose answers a test chooses: its version comes from the
// build (FAKE_VERSION, FAKE_NO_PATH), its run from the environment variable
// QUILL_FAKE_MODE, and what it received is appended to the file QUILL_FAKE_LOG.
#define ZE_BUILDING_ENGINE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <windows.h>

#include "engine/ZipEngineAbi.h"

using namespace zipengine_abi;

#ifndef FAKE_VERSION
#define FAKE_VERSION 179
#endif

namespace {

// The process environment as the test changes it (the C runtime keeps its own copy).
std::string Env(const char* name) {
    char value[1024] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

void Log(const std::string& line) {
    const std::string path = Env("QUILL_FAKE_LOG");
    if (path.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

int32_t Ask(const ZE_CommandRecord* r, ZE_CallbackRecord& cb) {
    return r->callback(r->caller, &cb);
}

}  // namespace

ZE_EXPORT int32_t ZE_CALL ZE_UnzExec(const ZE_CommandRecord* r) {
    const std::string mode = Env("QUILL_FAKE_MODE");
    if (mode.rfind("result:", 0) == 0) return std::atoi(mode.c_str() + 7);
    if (mode == "password") {
        ZE_CallbackRecord cb{};
        cb.actionReply = ZE_ActPassword | 0x40;  // high bits are ignored by the component
        cb.arg1 = 3;
        cb.text = "secret/data.txt";
        Ask(r, cb);
        Log("reply=" + std::to_string(cb.actionReply) + " count=" + std::to_string(cb.arg1) +
            " length=" + std::to_string(std::strlen(cb.replyText)));
    }
    return 0;
}
ZE_EXPORT int32_t ZE_CALL ZE_ZipExec(const ZE_CommandRecord*) {
    return -5;
}
ZE_EXPORT int32_t ZE_CALL ZE_Version() {
    return FAKE_VERSION;
}
ZE_EXPORT int32_t ZE_CALL ZE_PrivVersion() {
    return 1790001;
}
ZE_EXPORT int32_t ZE_CALL ZE_Abort(int32_t) {
    return 0;
}
#ifndef FAKE_NO_PATH
ZE_EXPORT const char* ZE_CALL ZE_Path() {
    return "fake\\ZipEng179.dll";
}
#endif
