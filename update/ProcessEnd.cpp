#include "update/ProcessEnd.h"

#include <windows.h>

namespace quill::update {

namespace {

DWORD WINAPI EndAfter(void* bound) {
    Sleep(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(bound)));
    // Not ExitProcess: that runs the libraries' detach code, which is what may hang.
    TerminateProcess(GetCurrentProcess(), 0);
    return 0;
}

}  // namespace

void EndProcessWithin(std::chrono::milliseconds bound) {
    static bool armed = false;
    if (armed) return;
    HANDLE thread =
        CreateThread(nullptr, 0, &EndAfter,
                     reinterpret_cast<void*>(static_cast<UINT_PTR>(bound.count())), 0, nullptr);
    if (!thread) return;
    armed = true;
    CloseHandle(thread);  // it runs on by itself; the process's end ends it
}

void EndProcess() {
    TerminateProcess(GetCurrentProcess(), 0);
    ExitProcess(0);  // not reached: the call above does not return for the current process
}

}  // namespace quill::update
