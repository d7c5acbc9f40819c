#pragma once
// The end of the updater's run is certain: once the dialog's loop is over, the process is
// gone within a bound, whatever its teardown would otherwise wait for.

#include <chrono>

namespace quill::update {

// The teardown after the dialog (the transfer's last events, the browser control, the
// platform's libraries) takes milliseconds; ten seconds leaves room for a slow machine.
inline constexpr std::chrono::milliseconds ProcessEndBound{10000};

// From now on the process ends with exit code 0 at the latest after `bound`: if the orderly
// teardown has not ended it by then, the process is ended as it stands. Everything the run
// writes is closed and on disk before the dialog's loop ends, so nothing is lost that way.
void EndProcessWithin(std::chrono::milliseconds bound = ProcessEndBound);

// Ends the process now with exit code 0, without the libraries' detach code and the
// program's static destructors: once the dialog is gone nothing of them is needed, and
// under wine a library's detach code can wait for ever (the bound above ends with the
// threads that ExitProcess ends first, so it cannot cover that wait).
[[noreturn]] void EndProcess();

}  // namespace quill::update
