#include "engine/OptionFiles.h"

#include "codec/g7231/H323_G7231Capability.h"
#include "engine/CPhoneEndPoint.h"
#include "platform/core/CFile.h"
#include "stack/codec/H323_GSM0610Capability.h"

namespace {

constexpr UINT kFirstLineBytes = 124;
constexpr int kDefaultFrames = 3;  // for a frames byte that is not a digit from 0 to 7

// The file's first line as a line reader gives it: at most kFirstLineBytes, up to and
// including its line end.  FALSE when the file does not open or cannot be read.
BOOL ReadFirstLine(const CString& path, CString& line) {
  line.Empty();
  CFile file;
  if (!file.Open(path, CFile::modeRead)) return FALSE;
  char buffer[kFirstLineBytes];
  UINT got = 0;
  try {
    got = file.Read(buffer, sizeof(buffer));
  } catch (const CException&) {
    file.Close();
    return FALSE;
  }
  file.Close();
  for (UINT i = 0; i < got; ++i) {
    line += buffer[i];
    if (buffer[i] == '\n') break;
  }
  return TRUE;
}

BOOL ReplaceFile(const CString& path, const CString& content) {
  CFile file;
  if (!file.Open(path, CFile::modeCreate | CFile::modeWrite)) return FALSE;
  try {
    file.Write(content.GetString(), static_cast<UINT>(content.GetLength()));
  } catch (const CException&) {
    file.Abort();
    return FALSE;
  }
  return file.Close();
}

}  // namespace

int NormalFramesPerPacket(int frames) { return frames < 1 || frames > 7 ? kDefaultFrames : frames; }

BOOL ReadOptionFile(const CString& path, CallOptions& options) {
  options = CallOptions{};
  CString line;
  if (!ReadFirstLine(path, line) || line.IsEmpty()) return FALSE;
  options.silenceDetection = line[0] == '1';
  const int frames = line.GetLength() > 1 ? line[1] - '0' : -1;
  options.framesPerPacket = frames >= 0 && frames <= 7 ? frames : kDefaultFrames;
  return TRUE;
}

BOOL WriteOptionFile(const CString& path, const CallOptions& options) {
  CString content;
  content.Format("%c%d", options.silenceDetection ? '1' : '0', NormalFramesPerPacket(options.framesPerPacket));
  return ReplaceFile(path, content);
}

CString ReadLanguageFile(const CString& path) {
  CString line;
  if (!ReadFirstLine(path, line) || line.IsEmpty()) return kLanguageEnglishName;
  switch (line[0]) {
    case '0':
      return kLanguageEnglishName;
    case '1':
      return kLanguageSimplifiedName;
    default:
      return kLanguageTraditionalName;
  }
}

char LanguageCodeOfName(const CString& name) {
  if (name == kLanguageEnglishName) return '0';
  if (name == kLanguageSimplifiedName) return '1';
  return '2';
}

BOOL WriteLanguageFile(const CString& path, const CString& name) {
  return ReplaceFile(path, CString(LanguageCodeOfName(name)));
}

void ApplyCallOptions(CPhoneEndPoint& endpoint, const CallOptions& options) {
  endpoint.SetSilenceDetectionMode(options.silenceDetection ? H323AudioCodec::AdaptiveSilenceDetection
                                                            : H323AudioCodec::NoSilenceDetection);
  const unsigned frames = static_cast<unsigned>(NormalFramesPerPacket(options.framesPerPacket));
  if (endpoint.m_gsmCapability) endpoint.m_gsmCapability->SetTxFramesInPacket(frames);
  if (endpoint.m_g7231Capability) endpoint.m_g7231Capability->SetTxFramesInPacket(frames);
}

BOOL ApplySavedCallOptions(CPhoneEndPoint& endpoint, const CString& appDir) {
  CallOptions options;
  if (!ReadOptionFile(appDir + kOptionFileName, options)) return FALSE;
  ApplyCallOptions(endpoint, options);
  return TRUE;
}
