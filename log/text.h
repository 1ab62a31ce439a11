// The executable's directory and UTF-16 to UTF-8 conversion, shared by the log and the pause page lookup.
#pragma once

#include <string>

// Directory of the running game executable (not of this module), without a trailing
// separator; "." when the path cannot be obtained.
std::wstring executableDirectory();

// UTF-8 bytes of a UTF-16 text; empty for empty input or a failed conversion.
std::string wideToUtf8(const std::wstring& text);

// UTF-16 of UTF-8 bytes; empty for empty input or invalid bytes.
std::wstring utf8ToWide(const std::string& text);
