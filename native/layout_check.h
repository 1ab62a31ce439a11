// The executable layout check: decides once, in cef_initialize, whether this process is the one
// game build whose addresses the module knows, and whether its settings can be saved.
#pragma once

// Logs its findings and sets persistenceAvailable when it accepts; the caller stores the
// result in nativeSupported.
bool checkExecutableLayout();
