// The updater's entry: reads the command line, asks the server for the newest
// version and, when an update is due, runs the update dialog.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "update/UpdateEntry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return quill::update::RunUpdater(
        std::vector<std::string>(__argv + std::min(__argc, 1), __argv + __argc));
}
