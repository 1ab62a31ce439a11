// Builds the pages' URLs; text only, so it is tested without Windows.
#include "screens/page_urls.h"

#include "log/byte_text.h"

namespace {

bool keptAsIs(unsigned char byte) {
  if (byte >= 'A' && byte <= 'Z') return true;
  if (byte >= 'a' && byte <= 'z') return true;
  if (byte >= '0' && byte <= '9') return true;
  switch (byte) {
    case '-':
    case '.':
    case '/':
    case ':':
    case '_':
    case '~':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string localPageUrl(const std::string& path) { return kLocalPageOrigin + path; }

std::string percentEncodeUrlBytes(const std::string& bytes) { return escapeBytesAsHex(bytes, "%", keptAsIs); }

std::string fileUrlFromPath(const std::string& utf8Path) {
  // A backslash byte never occurs inside a multi-byte UTF-8 character, so replacing bytes is safe.
  std::string path = utf8Path;
  for (char& character : path)
    if (character == '\\') character = '/';
  return "file:///" + percentEncodeUrlBytes(path);
}
