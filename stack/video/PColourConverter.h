// Converts one video frame from a source colour format into a destination format.
// Sources: "RGB24"/"RGB24F" (blue, green, red bytes) and "RGB32"/"RGB32F" (blue, green,
// red, unused), rows padded to 4 bytes as in a device-independent bitmap, and the planar
// "YUV420P" (also named "IYUV" and "I420").  Destination: "YUV420P", limited-range
// BT.601, chroma averaged over each 2 x 2 block (odd edges take what is there).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "stack/ptlib/PString.h"

class PColourConverter {
 public:
  // Null when the pair is not supported or a size is 0.
  static std::unique_ptr<PColourConverter> Create(const PString& srcFormat, const PString& dstFormat,
                                                  unsigned width, unsigned height);
  virtual ~PColourConverter() = default;

  const PString& GetSrcColourFormat() const { return m_srcFormat; }
  const PString& GetDstColourFormat() const { return m_dstFormat; }
  unsigned GetWidth() const { return m_width; }
  unsigned GetHeight() const { return m_height; }
  // False (and the size unchanged) for a 0 or absurd size.
  bool SetFrameSize(unsigned width, unsigned height);
  // Bytes of one source frame and of one converted frame at the current size.
  size_t GetMaxSrcFrameBytes() const;
  size_t GetMaxDstFrameBytes() const;

  // Flip: the first source row in memory is the bottom row of the picture.  Ignored for
  // planar sources.
  void SetVerticalFlip(bool flip) { m_flip = flip; }
  bool GetVerticalFlip() const { return m_flip; }

  // Converts one frame.  False, with *bytesReturned 0, when the source holds less than a
  // frame or the destination has room for less than a converted frame.
  bool Convert(const uint8_t* src, size_t srcBytes, uint8_t* dst, size_t dstCapacity, size_t* bytesReturned) const;

 protected:
  PColourConverter(PString src, PString dst, unsigned width, unsigned height);
  virtual size_t SrcFrameBytes(unsigned width, unsigned height) const = 0;
  virtual void DoConvert(const uint8_t* src, uint8_t* dst) const = 0;

  PString m_srcFormat;
  PString m_dstFormat;
  unsigned m_width;
  unsigned m_height;
  bool m_flip = false;
};

// Size in bytes of a YUV420P frame.
size_t YUV420PFrameBytes(unsigned width, unsigned height);
