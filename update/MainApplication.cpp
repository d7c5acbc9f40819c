#include "update/MainApplication.h"

#include <windows.h>

#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "update/utils.h"

namespace quill::update {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds& EndBound() {
    static std::chrono::milliseconds bound = MainApplicationEndBound;
    return bound;
}

// Waits for `process` until `deadline`, running the dialog's messages meanwhile (paints,
// the progress bar, a close request, which the install sequence ignores).
bool WaitForEnd(HANDLE process, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const DWORD timeout = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
        const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, timeout, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;  // timed out, or the wait failed
        tk::Application.ProcessMessages();
    }
}

// One quit request and its wait; true when no window with the title is left.
bool RequestAndWait(const std::string& windowTitle, std::chrono::milliseconds bound) {
    const Clock::time_point deadline = Clock::now() + bound;
    // Another copy may own a second window of the same title: each is asked in turn.
    while (HWND window = FindWindowA(nullptr, windowTitle.c_str())) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        tk::TKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
        CloseMainApplication(windowTitle);
        if (process) {
            if (!WaitForEnd(process.Get(), deadline)) return false;
        } else {
            // A process we may not wait on: its window going is the sign it ends.
            while (IsWindow(window)) {
                if (Clock::now() >= deadline) return false;
                Sleep(100);
                tk::Application.ProcessMessages();
            }
        }
    }
    return true;
}

}  // namespace

void SetMainApplicationEndBound(std::chrono::milliseconds bound) {
    EndBound() = bound;
}

bool EndMainApplication(const std::string& windowTitle) {
    while (!RequestAndWait(windowTitle, EndBound())) {
        if (tk::Application.MessageBox(MainApplicationOpenText, "",
                                       MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY)
            return false;
    }
    return true;
}

}  // namespace quill::update
