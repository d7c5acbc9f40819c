#pragma once
// Ending the running main application before any of its files is touched: the quit
// request, then a bounded wait for the process that owns its window, then the user's word.

#include <chrono>
#include <string>

namespace quill::update {

// How long the main application is given to end after each quit request. It saves the open
// books on the way out, which on a slow disk takes seconds; half a minute is ample.
inline constexpr std::chrono::milliseconds MainApplicationEndBound{30000};

// Asked when the main application is still running after the wait.
inline constexpr const char* MainApplicationOpenText =
    "Quillora este inca deschis, iar actualizarea nu poate fi instalata cat timp programul "
    "ruleaza. Inchideti Quillora si incercati din nou, sau renuntati la actualizare.";
// Told when the user gives up: nothing was changed.
inline constexpr const char* UpdateStoppedText =
    "Actualizarea a fost oprita. Programul a ramas asa cum era.";

// Posts the quit request to the top-level window titled windowTitle and waits, keeping the
// GUI responsive, until the process that owns it has ended (at most MainApplicationEndBound each
// time). When it has not, a box asks whether to try again (another request and wait) or to stop.
// Returns true once no window with that title is left, false when the user chose to stop.
bool EndMainApplication(const std::string& windowTitle);

// The wait of EndMainApplication; test builds shorten it.
void SetMainApplicationEndBound(std::chrono::milliseconds bound);

}  // namespace quill::update
