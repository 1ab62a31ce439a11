// Looks up the pause page on disk, so the page can be replaced without touching the host.
#include "screens/pause_page.h"

#include <windows.h>

#include "log/executable_directory.h"
#include "log/wide_text.h"
#include "screens/page_urls.h"

namespace {

// Tried in this order; the first regular file wins.
constexpr const wchar_t* kPausePageCandidates[] = {
    L"\\cef\\pause\\index.html",
    L"\\cef_dev\\pause\\index.html",
    L"\\___cef_dev\\pause\\index.html",
    L"\\cef\\tembra_ui\\pause\\index.html",
};

bool isRegularFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::string pausePageUrlIn(const std::wstring& directory) {
  for (const wchar_t* candidate : kPausePageCandidates) {
    const std::wstring path = directory + candidate;
    if (isRegularFile(path)) return fileUrlFromPath(wideToUtf8(path));
  }
  return localPageUrl(kPausePagePath);
}

std::string pausePageUrl() { return pausePageUrlIn(executableDirectory()); }
