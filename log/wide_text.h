// UTF-16 to UTF-8 and back, for the paths the log and the pause page lookup hand to Windows.
#pragma once

#include <string>

// UTF-8 bytes of a UTF-16 text; empty for empty input or a failed conversion.
std::string wideToUtf8(const std::wstring& text);

// UTF-16 of UTF-8 bytes; empty for empty input or invalid bytes.
std::wstring utf8ToWide(const std::string& text);
