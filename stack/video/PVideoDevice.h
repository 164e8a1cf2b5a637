// Base of video sources and sinks: device name, video format and channel, frame size and
// colour format, and the colour converter that turns the device's native frames into the
// format a codec wants.
#pragma once

#include <memory>

#include "stack/ptlib/PObject.h"
#include "stack/ptlib/PString.h"
#include "stack/ptlib/PStringArray.h"
#include "stack/video/PColourConverter.h"

class PVideoDevice : public PObject {
  PCLASSINFO(PVideoDevice, PObject)
 public:
  enum VideoFormat { PAL, NTSC, SECAM, Auto, NumVideoFormats };

  PVideoDevice();
  ~PVideoDevice() override;

  virtual bool Open(const PString& deviceName, bool startImmediate = true) = 0;
  virtual bool IsOpen() = 0;
  virtual bool Close() = 0;
  virtual bool Start() = 0;
  virtual bool Stop() = 0;
  virtual PStringList GetDeviceNames() const = 0;
  const PString& GetDeviceName() const { return m_deviceName; }

  virtual bool SetVideoFormat(VideoFormat format);
  VideoFormat GetVideoFormat() const { return m_videoFormat; }
  // -1 means the device's default channel.
  virtual bool SetChannel(int channel);
  int GetChannel() const { return m_channelNumber; }

  // Takes the name as the device's colour format (the base accepts any non-empty name).
  virtual bool SetColourFormat(const PString& colourFormat);
  const PString& GetColourFormat() const { return m_colourFormat; }
  const PString& GetPreferredColourFormat() const { return m_preferredColourFormat; }
  // Makes the frames come out in `colourFormat`: the device takes that format itself, or
  // failing that its preferred format, and a converter from it is installed.  False, with
  // no converter, when neither works or no converter exists for the pair.
  virtual bool SetColourFormatConverter(const PString& colourFormat);
  PColourConverter* GetColourConverter() const { return m_converter.get(); }

  virtual bool SetFrameSize(unsigned width, unsigned height);
  unsigned GetFrameWidth() const { return m_frameWidth; }
  unsigned GetFrameHeight() const { return m_frameHeight; }
  virtual PINDEX GetMaxFrameBytes() = 0;

 protected:
  PString m_deviceName;
  PString m_colourFormat;
  PString m_preferredColourFormat;
  VideoFormat m_videoFormat = Auto;
  int m_channelNumber = -1;
  unsigned m_frameWidth = 352;
  unsigned m_frameHeight = 288;
  std::unique_ptr<PColourConverter> m_converter;
};

// A video sink.  Redraw shows one frame of the device's size and colour format; SetNow
// hands the device one value of its own meaning.
class PVideoOutputDevice : public PVideoDevice {
  PCLASSINFO(PVideoOutputDevice, PVideoDevice)
 public:
  virtual bool Redraw(const void* frame) = 0;
  virtual void SetNow(int value) = 0;
};
