// Addresses of the pages: the host's own page origin and file URLs of pages on disk.
#pragma once

#include <string>

// The origin under which the CEF host serves its built-in pages; the module only appends paths.
inline constexpr char kLocalPageOrigin[] = "http://tembra.local";

inline constexpr char kPausePagePath[] = "/pause/index.html";
inline constexpr char kHudPagePath[] = "/hud/index.html";
inline constexpr char kLoadingPagePath[] = "/loading/index.html";

// kLocalPageOrigin followed by the path.
std::string localPageUrl(const std::string& path);

// Keeps A-Z, a-z, 0-9 and "-./:_~"; every other byte becomes "%" and two upper-case hex digits.
std::string percentEncodeUrlBytes(const std::string& bytes);

// "file:///" + the UTF-8 path with backslashes turned into slashes, percent-encoded.
std::string fileUrlFromPath(const std::string& utf8Path);
