// The log file on a real Windows file system: reset, append, sharing, unopenable paths, and
// the two text functions it owns.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "log/executable_directory.h"
#include "log/log_file.h"
#include "log/wide_text.h"
#include "sim/fake_clock.h"
#include "sim/module_under_test.h"

namespace {

using sim::logPath;
using sim::programDirectory;

bool logExists() { return ::GetFileAttributesW(logPath().c_str()) != INVALID_FILE_ATTRIBUTES; }

class LogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ::DeleteFileW(logPath().c_str());
    ::RemoveDirectoryW(logPath().c_str());
    sim::installFakeClock(::GetModuleHandleW(nullptr));
    sim::setWallClock(9, 5, 3, 7);
  }
  void TearDown() override { ::RemoveDirectoryW(logPath().c_str()); }
};

TEST_F(LogFile, ResetLeavesOnlyTheByteOrderMark) {
  resetLog();
  EXPECT_EQ(sim::readLogBytes(), "\xEF\xBB\xBF");
}

TEST_F(LogFile, LinesFollowTheMarkWithStampAndCrLf) {
  resetLog();
  logLine("[CEF] first");
  sim::advanceMs(1);
  logLine("");
  EXPECT_EQ(sim::readLogBytes(), "\xEF\xBB\xBF[09:05:03.007] [CEF] first\r\n[09:05:03.008] \r\n");
}

TEST_F(LogFile, MessageBytesReachTheDiskVerbatim) {
  resetLog();
  logLine(std::string("a\r\nb\xC3\xA9\x7F\x80", 8));
  EXPECT_EQ(sim::readLogBytes(), std::string("\xEF\xBB\xBF[09:05:03.007] a\r\nb\xC3\xA9\x7F\x80\r\n"));
}

TEST_F(LogFile, SecondResetEmptiesTheFileAgain) {
  resetLog();
  logLine("old run");
  resetLog();
  EXPECT_EQ(sim::readLogBytes(), "\xEF\xBB\xBF");
}

TEST_F(LogFile, LineBeforeAnyResetCreatesTheFileWithoutMark) {
  ASSERT_FALSE(logExists());
  logLine("early");
  EXPECT_EQ(sim::readLogBytes(), "[09:05:03.007] early\r\n");
}

TEST_F(LogFile, AppendsToAFileOpenedByAnotherReaderAndWriter) {
  resetLog();
  // A player's text editor or a tail keeps the log open; lines must still get through.
  HANDLE other = ::CreateFileW(logPath().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  logLine("while open");
  ::CloseHandle(other);
  EXPECT_EQ(sim::readLogBytes(), "\xEF\xBB\xBF[09:05:03.007] while open\r\n");
}

TEST_F(LogFile, UnopenablePathDropsLinesWithoutFailing) {
  // A directory in the file's place makes every open fail, as a read-only game folder does.
  ASSERT_TRUE(::CreateDirectoryW(logPath().c_str(), nullptr));
  resetLog();
  logLine("lost");
  DWORD attributes = ::GetFileAttributesW(logPath().c_str());
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  ::RemoveDirectoryW(logPath().c_str());
  EXPECT_FALSE(logExists()) << "nothing may have been written anywhere";
}

TEST_F(LogFile, ConcurrentWritersNeverLoseOrSplitLines) {
  resetLog();
  constexpr int kThreads = 4;
  constexpr int kLinesEach = 150;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([t] {
      for (int i = 0; i < kLinesEach; ++i) logLine("[T" + std::to_string(t) + "] line " + std::to_string(i));
    });
  for (std::thread& writer : writers) writer.join();
  const std::string log = sim::readLogBytes();
  size_t expectedSize = 3;
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kLinesEach; ++i) {
      const std::string line = "[09:05:03.007] [T" + std::to_string(t) + "] line " + std::to_string(i) + "\r\n";
      expectedSize += line.size();
      ASSERT_NE(log.find(line), std::string::npos) << "missing or torn: " << line;
    }
  EXPECT_EQ(log.size(), expectedSize) << "bytes were lost or overwritten";
}

TEST(LogPath, IsTheExecutableDirectoryPlusFileName) {
  EXPECT_EQ(executableDirectory(), programDirectory());
  EXPECT_EQ(logFilePath(), wideToUtf8(programDirectory() + L"\\TembraUI.log"));
}

TEST(WideToUtf8, ConvertsToUtf8Bytes) {
  EXPECT_EQ(wideToUtf8(L"\u00E9"), "\xC3\xA9");
  EXPECT_EQ(wideToUtf8(L""), "");
  EXPECT_EQ(wideToUtf8(L"C:\\Spiele\\\u0418\u0433\u0440\u0430"), "C:\\Spiele\\\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0");
}

}  // namespace
