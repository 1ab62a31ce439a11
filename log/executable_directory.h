// The directory of the running game executable, where the log and the pages are looked for.
#pragma once

#include <string>

// Directory of the running game executable (not of this module), without a trailing
// separator; "." when the path cannot be obtained.
std::wstring executableDirectory();
