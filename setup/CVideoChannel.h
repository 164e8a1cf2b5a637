// CVideoChannel: joins a video codec to a frame source (the reader, a capture device) and
// a frame sink (the player).  Reading takes a frame from the reader, writing hands one to
// the player.  One re-entrant mutex serialises every access to the two devices.
#pragma once

#include "platform/win/BaseTypes.h"
#include "stack/ptlib/PChannel.h"
#include "stack/ptlib/PMutex.h"

class CVideoInputDevice;
class PVideoOutputDevice;

class CVideoChannel : public PChannel {
  PCLASSINFO(CVideoChannel, PChannel)
 public:
  CVideoChannel();
  ~CVideoChannel() override;

  bool IsOpen() const override;
  // One converted frame into the buffer; GetLastReadCount() gives its size.  FALSE, with
  // a count of 0, without a reader or when the reader has no frame or it does not fit.
  bool Read(void* buffer, PINDEX length) override;
  // Shows one frame on the player; FALSE without a player.
  bool Write(const void* buffer, PINDEX length) override;
  bool Close() override;

  virtual unsigned GetGrabWidth();
  virtual unsigned GetGrabHeight();
  virtual BOOL DisplayFrame(const void* frame);
  virtual void PassToPlayer(int value);
  virtual void SetRenderFrameSize(unsigned width, unsigned height);
  virtual void SetGrabberFrameSize(unsigned width, unsigned height);
  // Replace (and close) the device held before.  With autoDelete the channel owns the
  // device and deletes it when it is closed or replaced; without, the caller keeps it.
  virtual void AttachVideoPlayer(PVideoOutputDevice* player, BOOL autoDelete = TRUE);
  virtual void AttachVideoReader(CVideoInputDevice* reader, BOOL autoDelete = TRUE);
  virtual CVideoInputDevice* GetVideoReader() { return m_reader; }
  virtual PVideoOutputDevice* GetVideoPlayer() { return m_player; }
  virtual BOOL IsGrabberOpen();
  virtual BOOL IsRenderOpen();
  virtual void CloseVideoReader();
  virtual void CloseVideoPlayer();

 private:
  CVideoInputDevice* m_reader = nullptr;
  PVideoOutputDevice* m_player = nullptr;
  bool m_ownsReader = true;
  bool m_ownsPlayer = true;
  mutable PMutex m_accessMutex;
};
