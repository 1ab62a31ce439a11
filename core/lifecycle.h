// Start-up and shutdown of the module (cef_initialize and cef_quit).
#pragma once

#include "core/host_api.h"

// Keeps the host's table, creates the locks once, checks the executable's layout, sets the start
// values and starts the keyboard and bridge workers that are not running. Logs and returns early
// on a missing table or table slot.
void initializeModule(const HostApi* api);

// Stops both workers (each within its wait, else abandoned) and deactivates the frame tick.
void quitModule();
