// The exports of ZipEng179.dll: checks the command record, maps it onto an extraction run of
// the core and the callbacks onto the component's callback function. No C++ exception ever
// leaves an export.
#include <windows.h>

#include <new>
#include <string>

#include "AbortRegistry.h"
#include "CallbackBridge.h"
#include "CodePageText.h"
#include "engine/Extractor.h"
#include "engine/ZipEngineAbi.h"

using namespace zipengine_abi;

namespace {

// Build number reported by ZE_PrivVersion: version 1.79, build 1001.
constexpr std::int32_t kEngineBuild = 1791001;

bool isTrue(std::int32_t flag) {
    return flag != 0;
}

bool recordIsUsable(const ZE_CommandRecord* record) {
    return record && record->checkValue == kCheckValue && record->version == kEngineVersion &&
           record->callback && record->archive && record->specCount >= 0 &&
           (record->specCount == 0 || record->specs);
}

zipengine::ExtractRequest requestFrom(const ZE_CommandRecord& record) {
    zipengine::ExtractRequest request;
    request.archivePath = zipengine::pathFromAnsi(record.archive);
    if (record.baseFolder) request.baseFolder = zipengine::pathFromAnsi(record.baseFolder);
    if (record.password) request.password = record.password;
    for (std::int32_t i = 0; i < record.specCount; ++i)
        if (record.specs[i].spec && *record.specs[i].spec)
            request.fileSpecs.push_back(zipengine::utf8FromAnsi(record.specs[i].spec));
    request.oemNames = zipengine::utf8FromOem;
    request.passwordRequests = record.passwordRequests;
    request.testOnly = isTrue(record.test);
    request.directoryNames = isTrue(record.directoryNames);
    request.overwrite = isTrue(record.overwrite);
    request.update = isTrue(record.update);
    request.freshen = isTrue(record.freshen) && !request.update;
    request.trace = isTrue(record.trace);
    request.verbose = isTrue(record.verbose) || request.trace;
    request.refuseUnsafeNames = isTrue(record.refuseUnsafe);
    return request;
}

}  // namespace

ZE_EXPORT std::int32_t ZE_CALL ZE_UnzExec(const ZE_CommandRecord* record) {
    if (!recordIsUsable(record)) return ZE_InvalidStructure;
    try {
        zipengine::CallbackBridge bridge(record->callback, record->caller);
        if (isTrue(record->memoryOutput) || isTrue(record->memoryInput)) {
            bridge.message(ZE_ErrUnsupported, "Extraction to or from memory is not supported");
            bridge.endOfBatch();
            return ZE_Aborting;
        }
        zipengine::Extractor extractor(requestFrom(*record), bridge);
        zipengine::AbortRegistry::Registration registration(zipengine::AbortRegistry::instance(),
                                                            extractor);
        if (bridge.sendAbortKey(registration.key())) extractor.abort();
        return extractor.run();
    } catch (const std::bad_alloc&) {
        return ZE_NotEnoughMemory;
    } catch (...) {
        return ZE_HandlerException;
    }
}

ZE_EXPORT std::int32_t ZE_CALL ZE_ZipExec(const ZE_CommandRecord* record) {
    try {
        if (record && record->callback && record->checkValue == kCheckValue) {
            zipengine::CallbackBridge bridge(record->callback, record->caller);
            bridge.message(ZE_ErrUnsupported, "Adding to archives is not supported");
            bridge.endOfBatch();
        }
    } catch (...) {
    }
    return ZE_Aborting;
}

ZE_EXPORT std::int32_t ZE_CALL ZE_Version() {
    return kEngineVersion;
}

ZE_EXPORT std::int32_t ZE_CALL ZE_PrivVersion() {
    return kEngineBuild;
}

ZE_EXPORT std::int32_t ZE_CALL ZE_Abort(std::int32_t abortKey) {
    return zipengine::AbortRegistry::instance().abort(abortKey) ? 1 : 0;
}

ZE_EXPORT const char* ZE_CALL ZE_Path() {
    static char path[MAX_PATH + 1] = "";
    if (path[0] == '\0') {
        HMODULE self = nullptr;
        // Found from an address inside this library: the name it was loaded by may differ.
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCSTR>(&ZE_Path), &self)) {
            DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
            if (length == 0 || length >= MAX_PATH) path[0] = '\0';
        }
    }
    return path;
}
