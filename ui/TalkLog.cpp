#include "ui/TalkLog.h"

#include <cstdio>

namespace {
constexpr const char kStoredLineEnd[] = "\r\r\n";
constexpr int kReadChunkBytes = 256;  // one read: up to 255 bytes or one line
}  // namespace

CString TalkLogPath(const CString& appDir) {
  CString path;
  path.Format("%sLog.log", appDir.GetString());
  return path;
}

bool AppendTalkLogLine(const CString& path, const CString& text) {
  FILE* file = std::fopen(path, "ab");
  if (!file) return false;
  std::fwrite(text.GetString(), 1, static_cast<size_t>(text.GetLength()), file);
  std::fwrite(kStoredLineEnd, 1, sizeof(kStoredLineEnd) - 1, file);
  return std::fclose(file) == 0;
}

CString ReadTalkLog(const CString& path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return CString();
  std::string bytes;
  char chunk[kReadChunkBytes];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, n);
  std::fclose(file);
  // A text-mode read: each CR LF pair arrives as one LF.
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  return CString(std::move(text));
}

bool TruncateTalkLog(const CString& path) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  return std::fclose(file) == 0;
}
