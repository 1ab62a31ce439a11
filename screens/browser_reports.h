// The host's report that a browser exists (cef_browser_created).
#pragma once

#include <cstdint>

// Any thread: readies, hides or focuses the reported browser, or hides the loading screen when
// the browser is not one of the module's own.
void noteBrowserCreated(uint32_t id, int32_t status);
