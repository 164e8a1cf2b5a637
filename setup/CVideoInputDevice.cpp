#include "setup/CVideoInputDevice.h"

#include <iterator>

#include "platform/capture/PVideoDeviceBitmap.h"

namespace {

constexpr DWORD kIYUV = MakeFourCC('I', 'Y', 'U', 'V');
constexpr DWORD kYUY2 = MakeFourCC('Y', 'U', 'Y', '2');
constexpr DWORD kInvalidCompression = 0xFFFFFFFF;

constexpr CColourFormatEntry kColourFormats[] = {
    {"RGB24", 24, true, BI_RGB, true},
    {"RGB24F", 24, false, BI_RGB, true},
    {"RGB32", 32, true, BI_RGB, true},
    {"RGB32F", 32, false, BI_RGB, true},
    {"Grey", 8, true, BI_RGB, true},
    {"Gray", 8, true, BI_RGB, true},
    {"GreyF", 8, false, BI_RGB, true},
    {"GrayF", 8, false, BI_RGB, true},
    {"RGB565", 16, true, BI_BITFIELDS, true},
    {"RGB565F", 16, false, BI_BITFIELDS, true},
    {"RGB555", 15, true, BI_BITFIELDS, true},
    {"RGB555F", 15, false, BI_BITFIELDS, true},
    {"YUV420P", 12, false, kIYUV, false},
    {"IYUV", 12, false, kIYUV, false},
    {"I420", 12, false, MakeFourCC('I', '4', '2', '0'), false},
    {"YV12", 12, false, MakeFourCC('Y', 'V', '1', '2'), false},
    {"YUV422", 16, false, kYUY2, false},
    {"YUY2", 16, false, kYUY2, false},
    {"UYVY", 16, false, MakeFourCC('U', 'Y', 'V', 'Y'), false},
    {"YVYU", 16, false, MakeFourCC('Y', 'V', 'Y', 'U'), false},
    {"MJPEG", 12, false, MakeFourCC('M', 'J', 'P', 'G'), false},
};

}  // namespace

CVideoInputDevice::CVideoInputDevice() { m_preferredColourFormat = "RGB24F"; }

CVideoInputDevice::~CVideoInputDevice() { Close(); }

bool CVideoInputDevice::Open(const PString& deviceName, bool) {
  Close();
  m_deviceName = deviceName;
  return Start();
}

bool CVideoInputDevice::IsOpen() { return false; }

bool CVideoInputDevice::Close() {
  if (!IsOpen()) return false;
  Stop();
  return true;
}

bool CVideoInputDevice::Start() { return false; }
bool CVideoInputDevice::Stop() { return false; }

PStringList CVideoInputDevice::GetDeviceNames() const { return GetInputDeviceNames(); }

PStringList CVideoInputDevice::GetInputDeviceNames() { return GetInputDeviceNames(QueryV4L2Capability); }

PStringList CVideoInputDevice::GetInputDeviceNames(const CaptureCapabilityQuery& query) {
  PStringList names;
  for (WORD index = 0; index < 10; ++index) {
    char name[100];
    char version[200];
    if (capGetDriverDescriptionA(index, name, sizeof name, version, sizeof version, query))
      names.AppendString(PString(name));
  }
  return names;
}

const CColourFormatEntry* CVideoInputDevice::FindColourFormat(const PString& name) {
  for (const auto& row : kColourFormats)
    if (name *= PString(row.name)) return &row;
  return nullptr;
}

bool CVideoInputDevice::SetColourFormat(const PString& colourFormat) {
  const PString previous = m_colourFormat;
  if (!PVideoDevice::SetColourFormat(colourFormat)) return FALSE;

  const CColourFormatEntry* row = FindColourFormat(colourFormat);
  PVideoDeviceBitmap bitmap(m_captureWindow, row != nullptr ? row->bitCount : 0);
  bitmap->biWidth = static_cast<LONG>(m_frameWidth);
  LONG height = static_cast<LONG>(m_frameHeight);
  if (row != nullptr && row->topDown) {
    if (height > 0) height = -height;
  } else if (height <= 0) {
    height = -height;
  }
  bitmap->biHeight = height;

  if (row != nullptr) {
    bitmap->biCompression = row->compression;
  } else if (colourFormat.GetLength() == 4) {
    bitmap->biCompression = MakeFourCC(colourFormat[0], colourFormat[1], colourFormat[2], colourFormat[3]);
  } else {
    // A name the window cannot be given: the device keeps the format it had.
    bitmap->biCompression = kInvalidCompression;
    m_colourFormat = previous;
    return FALSE;
  }

  if (!bitmap.ApplyFormat(m_captureWindow)) {
    m_colourFormat = previous;
    return FALSE;
  }
  if (m_converter != nullptr && row != nullptr) m_converter->SetVerticalFlip(row->flip);
  return TRUE;
}

PINDEX CVideoInputDevice::GetMaxFrameBytes() {
  IsOpen();
  if (m_converter != nullptr) return static_cast<PINDEX>(m_converter->GetMaxDstFrameBytes());
  return static_cast<PINDEX>(m_frameSizeBytes);
}

BOOL CVideoInputDevice::GetFrame(std::vector<BYTE>& frame) {
  const PINDEX max = GetMaxFrameBytes();
  if (static_cast<PINDEX>(frame.size()) < max) frame.resize(static_cast<size_t>(max));
  PINDEX bytes = static_cast<PINDEX>(frame.size());
  if (!GetFrameData(frame.data(), &bytes)) return FALSE;
  frame.resize(static_cast<size_t>(bytes));
  return TRUE;
}

BOOL CVideoInputDevice::GetFrameData(BYTE* buffer, PINDEX* bytes) {
  if (bytes == nullptr) return FALSE;
  const PINDEX capacity = *bytes;
  *bytes = 0;
  if (m_converter == nullptr || !m_frameSource || buffer == nullptr || capacity <= 0) return FALSE;
  const std::span<const BYTE> source = m_frameSource();
  if (source.empty()) return FALSE;
  size_t converted = 0;
  if (!m_converter->Convert(source.data(), source.size(), buffer, static_cast<size_t>(capacity), &converted))
    return FALSE;
  *bytes = static_cast<PINDEX>(converted);
  return TRUE;
}
