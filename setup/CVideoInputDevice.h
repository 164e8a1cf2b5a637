// CVideoInputDevice: the video source a video channel reads.  It lists the capture
// drivers, sets the capture window's frame format to a colour format, and hands out the
// capture window's current frame converted into the format the codec wants.  It never
// captures on its own: the capture window and its driver are running when frames are read.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "platform/win/BaseTypes.h"
#include "platform/win/WinTypes.h"
#include "platform/capture/CaptureDrivers.h"
#include "stack/video/PVideoDevice.h"

// One row of the colour-format table.
struct CColourFormatEntry {
  const char* name;
  WORD bitCount;
  bool topDown;  // the height is given negative
  DWORD compression;
  bool flip;  // the converter's vertical flip
};

class CVideoInputDevice : public PVideoDevice {
  PCLASSINFO(CVideoInputDevice, PVideoDevice)
 public:
  // The pixels of the capture window's current frame (empty when there is none); asked
  // anew for every frame, since the driver may move its buffer.
  using FrameSource = std::function<std::span<const BYTE>()>;

  CVideoInputDevice();
  ~CVideoInputDevice() override;

  bool Open(const PString& deviceName, bool startImmediate = true) override;
  bool IsOpen() override;
  bool Close() override;
  bool Start() override;
  bool Stop() override;
  PStringList GetDeviceNames() const override;
  bool SetColourFormat(const PString& colourFormat) override;
  // Bytes of one converted frame (the frame size when there is no converter).
  PINDEX GetMaxFrameBytes() override;

  // The array grows to a whole frame and, on success, ends with the frame.
  BOOL GetFrame(std::vector<BYTE>& frame);
  // Converts the current frame into `buffer`, which has room for *bytes; *bytes becomes
  // the size of the frame.  FALSE (and 0) without a converter or a frame, or when the
  // frame does not fit.
  BOOL GetFrameData(BYTE* buffer, PINDEX* bytes);

  // The names of the capture drivers of slots 0 to 9, in slot order.
  static PStringList GetInputDeviceNames();
  static PStringList GetInputDeviceNames(const CaptureCapabilityQuery& query);
  // The row for a colour format name (case ignored); null when none.
  static const CColourFormatEntry* FindColourFormat(const PString& name);

  void SetCaptureWindow(HWND captureWindow) { m_captureWindow = captureWindow; }
  void SetFrameSource(FrameSource source) { m_frameSource = std::move(source); }
  void SetFrameSizeBytes(DWORD bytes) { m_frameSizeBytes = bytes; }

 private:
  FrameSource m_frameSource;
  DWORD m_frameSizeBytes = 0;
  HWND m_captureWindow = nullptr;
};
