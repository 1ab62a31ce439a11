// The pause page lookup on a real file system: candidate order, directories in a file's place,
// game directories with spaces and non-ASCII names, and the host's own page as fallback.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "screens/page_urls.h"
#include "screens/pause_page.h"

namespace {

const std::wstring kCandidates[] = {
    L"\\cef\\pause\\index.html",
    L"\\cef_dev\\pause\\index.html",
    L"\\___cef_dev\\pause\\index.html",
    L"\\cef\\tembra_ui\\pause\\index.html",
};
const std::string kCandidateUrlTails[] = {
    "/cef/pause/index.html",
    "/cef_dev/pause/index.html",
    "/___cef_dev/pause/index.html",
    "/cef/tembra_ui/pause/index.html",
};

void makeDirectories(const std::wstring& path) {
  for (size_t slash = path.find(L'\\', 3); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1))
    ::CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
  ::CreateDirectoryW(path.c_str(), nullptr);
}

void makeFile(const std::wstring& path) {
  makeDirectories(path.substr(0, path.find_last_of(L'\\')));
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ::CloseHandle(file);
}

void removeTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(path + L"\\" + name);
      } else {
        ::DeleteFileW((path + L"\\" + name).c_str());
      }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(path.c_str());
}

// A game directory below the temporary folder whose own path is plain ASCII, so the expected
// URL can be written out: "Grand Theft Auto Ä" and "Игра" need escaping, the rest does not.
class PausePage : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring base(temp);
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    for (wchar_t c : base) ASSERT_TRUE(c < 0x80 && c != L' ') << "temporary folder needs escaping itself";
    root_ = base + L"\\Tembra test";
    removeTree(root_);
    game_ = root_ + L"\\Grand Theft Auto \u00C4\\\u0418\u0433\u0440\u0430";
    makeDirectories(game_);
    std::string baseUrl;
    for (wchar_t c : base) baseUrl += c == L'\\' ? '/' : static_cast<char>(c);
    gameUrl_ = "file:///" + baseUrl + "/Tembra%20test/Grand%20Theft%20Auto%20%C3%84/%D0%98%D0%B3%D1%80%D0%B0";
  }
  void TearDown() override { removeTree(root_); }

  std::wstring root_;
  std::wstring game_;
  std::string gameUrl_;
};

TEST_F(PausePage, NoCandidateGivesTheHostsOwnPage) {
  EXPECT_EQ(pausePageUrlIn(game_), std::string(kLocalPageOrigin) + "/pause/index.html");
}

TEST_F(PausePage, EachCandidateAloneIsFoundAndEscaped) {
  for (int i = 0; i < 4; ++i) {
    makeFile(game_ + kCandidates[i]);
    EXPECT_EQ(pausePageUrlIn(game_), gameUrl_ + kCandidateUrlTails[i]) << "candidate " << i + 1;
    ::DeleteFileW((game_ + kCandidates[i]).c_str());
  }
}

TEST_F(PausePage, EarlierCandidateWins) {
  makeFile(game_ + kCandidates[3]);
  makeFile(game_ + kCandidates[0]);
  EXPECT_EQ(pausePageUrlIn(game_), gameUrl_ + kCandidateUrlTails[0]);
  makeFile(game_ + kCandidates[2]);
  makeFile(game_ + kCandidates[1]);
  ::DeleteFileW((game_ + kCandidates[0]).c_str());
  EXPECT_EQ(pausePageUrlIn(game_), gameUrl_ + kCandidateUrlTails[1]);
}

TEST_F(PausePage, DirectoryInTheFilesPlaceIsSkipped) {
  makeDirectories(game_ + kCandidates[0]);
  makeFile(game_ + kCandidates[1]);
  EXPECT_EQ(pausePageUrlIn(game_), gameUrl_ + kCandidateUrlTails[1]);
  ::DeleteFileW((game_ + kCandidates[1]).c_str());
  EXPECT_EQ(pausePageUrlIn(game_), std::string(kLocalPageOrigin) + "/pause/index.html");
}

TEST(PausePageOfTheGame, IsLookedUpNextToTheExecutable) {
  // Nothing is placed next to the test program, so the lookup there falls back.
  EXPECT_EQ(pausePageUrl(), std::string(kLocalPageOrigin) + "/pause/index.html");
}

}  // namespace
