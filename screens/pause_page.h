// Where the pause menu browser loads its page from.
#pragma once

#include <string>

// The first existing pause page file below the game's directory as a file:/// URL, or the
// host's own pause page.
std::string pausePageUrl();

// The same lookup below the given directory (UTF-16, no trailing separator).
std::string pausePageUrlIn(const std::wstring& directory);
