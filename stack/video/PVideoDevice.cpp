#include "stack/video/PVideoDevice.h"

PVideoDevice::PVideoDevice() = default;
PVideoDevice::~PVideoDevice() = default;

bool PVideoDevice::SetVideoFormat(VideoFormat format) {
  if (format < PAL || format >= NumVideoFormats) return false;
  m_videoFormat = format;
  return true;
}

bool PVideoDevice::SetChannel(int channel) {
  m_channelNumber = channel;
  return true;
}

bool PVideoDevice::SetColourFormat(const PString& colourFormat) {
  if (colourFormat.IsEmpty()) return false;
  m_colourFormat = colourFormat;
  return true;
}

bool PVideoDevice::SetColourFormatConverter(const PString& colourFormat) {
  // The converter is in place before the format is set, so that a device that tunes the
  // converter (its vertical flip) while taking a format finds it.
  auto tryNative = [&](const PString& native) {
    m_converter = PColourConverter::Create(native, colourFormat, m_frameWidth, m_frameHeight);
    if (m_converter != nullptr && SetColourFormat(native)) return true;
    m_converter.reset();
    return false;
  };
  if (tryNative(colourFormat)) return true;
  return !m_preferredColourFormat.IsEmpty() && !(m_preferredColourFormat *= colourFormat) &&
         tryNative(m_preferredColourFormat);
}

bool PVideoDevice::SetFrameSize(unsigned width, unsigned height) {
  if (width == 0 || height == 0) return false;
  if (m_converter != nullptr && !m_converter->SetFrameSize(width, height)) return false;
  m_frameWidth = width;
  m_frameHeight = height;
  return true;
}
