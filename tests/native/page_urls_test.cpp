// The pages' URLs: which bytes the encoding keeps, how others are escaped, and file paths.
#include "screens/page_urls.h"

#include <gtest/gtest.h>

TEST(PercentEncoding, KeepsLettersDigitsAndTheSixMarks) {
  const std::string kept = "ABCXYZabcxyz0189-./:_~";
  EXPECT_EQ(percentEncodeUrlBytes(kept), kept);
}

TEST(PercentEncoding, EscapesEveryOtherByteWithUpperCaseHex) {
  EXPECT_EQ(percentEncodeUrlBytes(" "), "%20");
  EXPECT_EQ(percentEncodeUrlBytes("%"), "%25") << "a literal percent must not read as an escape";
  EXPECT_EQ(percentEncodeUrlBytes("#?&+=\\"), "%23%3F%26%2B%3D%5C");
  EXPECT_EQ(percentEncodeUrlBytes(std::string("\x00\x7F", 2)), "%00%7F");
  EXPECT_EQ(percentEncodeUrlBytes("\xFF\xAB"), "%FF%AB") << "high bytes are unsigned, digits upper case";
}

TEST(PercentEncoding, EachUtf8ByteOfACharacterIsItsOwnEscape) {
  EXPECT_EQ(percentEncodeUrlBytes("\xC3\xA9"), "%C3%A9");                   // é
  EXPECT_EQ(percentEncodeUrlBytes("\xD0\x98\xD0\xB3"), "%D0%98%D0%B3");     // Иг
  EXPECT_EQ(percentEncodeUrlBytes("\xF0\x9F\x8E\xAE"), "%F0%9F%8E%AE");     // a four-byte character
}

TEST(FileUrl, DriveColonAndSlashesStaySpacesAreEscaped) {
  EXPECT_EQ(fileUrlFromPath("C:\\Games\\GTA San Andreas\\cef_dev\\pause\\index.html"),
            "file:///C:/Games/GTA%20San%20Andreas/cef_dev/pause/index.html");
}

TEST(FileUrl, NonAsciiDirectoryIsEscapedBytewise) {
  EXPECT_EQ(fileUrlFromPath("D:\\Spi\xC3\xA9le\\\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0\\cef\\pause\\index.html"),
            "file:///D:/Spi%C3%A9le/%D0%98%D0%B3%D1%80%D0%B0/cef/pause/index.html");
}

TEST(FileUrl, RelativePathFromTheCurrentDirectory) {
  EXPECT_EQ(fileUrlFromPath(".\\cef\\pause\\index.html"), "file:///./cef/pause/index.html");
}

TEST(LocalPages, AreTheOriginFollowedByTheirPaths) {
  const std::string origin = kLocalPageOrigin;
  ASSERT_EQ(origin.rfind("http", 0), 0u);
  EXPECT_EQ(origin.back() == '/', false) << "the paths bring their own leading slash";
  EXPECT_EQ(localPageUrl(kPausePagePath), origin + "/pause/index.html");
  EXPECT_EQ(localPageUrl(kHudPagePath), origin + "/hud/index.html");
  EXPECT_EQ(localPageUrl(kLoadingPagePath), origin + "/loading/index.html");
}
