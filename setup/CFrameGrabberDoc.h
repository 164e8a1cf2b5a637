// CFrameGrabberDoc: takes captured frames one at a time and shows every frame (mode 1),
// shows it after an edge filter (mode 2) or shows it only when the motion detector finds
// a change against the frame before (mode 3).  Frames are packed device-independent
// bitmaps; the filter and the detector take uncompressed frames of 24 and 32 bits per
// pixel.  Any other frame in modes 2 and 3 (8 bits, a capture driver's YUY2 or I420) gets
// a message box and returns the document to mode 1, where it goes to the picture, which
// shows uncompressed frames only.
//
// Every frame comes with the size of its buffer, and a frame whose header does not fit
// it (pixels beyond the end, a header larger than the buffer, no width or height) is
// dropped.  The pixels of YUY2, UYVY and YVYU frames (two pixels in four bytes) and of
// I420, IYUV, YV12 and NV12 frames (4:2:0 planes) are sized by their layout, those of any
// other compression by the size the header states.  Rows are walked in memory order with the padded row length; a top-down frame
// (negative height) has as many rows as a bottom-up one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/win/Dib.h"
#include "platform/win/Document.h"
#include "ui/CDibBitmap.h"

class CStatic;

// Made by its run-time class too (RUNTIME_CLASS(CFrameGrabberDoc)->CreateObject()).
class CFrameGrabberDoc : public CDocument {
  DECLARE_DYNCREATE(CFrameGrabberDoc)

 public:
  enum Mode { ShowFrames = 1, EdgeFilterFrames = 2, DetectMotionFrames = 3 };

  CFrameGrabberDoc();
  ~CFrameGrabberDoc() override;

  BOOL OnNewDocument() override;
  // Handles one frame by the mode; a frame arriving while one is handled is dropped.
  void OnNewFrame(BITMAPINFO* frame, size_t frameBytes);
  // In place; FALSE for a frame that is not whole or not 24 or 32 bits (left unchanged).
  BOOL EdgeFilter(BITMAPINFO* frame, size_t frameBytes);
  // TRUE when a cell's brightness changed against its neighbour's by more than 5 % since
  // the frame before.  The first frame only becomes the reference.
  BOOL DetectMotion(const BITMAPINFO* frame, size_t frameBytes);

  // Brightness of a cell: the sum of blue + green + red over its pixels, divided by 3.
  // `pixels` starts at row 0 in memory, `rowBytes` apart; the cell must lie inside.
  static int RegionBrightness24(const BYTE* pixels, size_t rowBytes, int x, int y, int cellWidth, int cellHeight);
  static int RegionBrightness32(const BYTE* pixels, size_t rowBytes, int x, int y, int cellWidth, int cellHeight);
  // TRUE when the header and all the pixels it describes lie inside the buffer.
  static BOOL IsWholeFrame(const BITMAPINFO* frame, size_t frameBytes);

  void SetMode(int mode) { m_mode = mode; }
  int GetMode() const { return m_mode; }
  void SetTarget(CStatic* target) { m_target = target; }
  CDibBitmap& GetPicture() { return m_picture; }

 private:
  CDibBitmap m_picture;
  int m_mode = ShowFrames;
  CStatic* m_target = nullptr;

  // Motion reference: per document, so that two documents do not mix their frames.
  bool m_busy = false;
  bool m_firstFrame = true;
  std::array<int32_t, 16> m_reference{};
};
