#pragma once
// One audio logical channel: one direction of a call's audio between the endpoint's
// sound device and an RTP session.  Started, it makes the codec of its capability,
// opens the recorder (transmitting) or the player (receiving) and runs the media pump;
// paused (hold), it keeps the devices open but sends, or plays, nothing.

#include <memory>

#include "stack/codec/H323AudioCapability.h"
#include "stack/rtp/RTP_MediaPump.h"

class H323Connection;
class H323_RTP_UDP;

class H323_RTPChannel {
 public:
  enum Directions { IsTransmitter, IsReceiver };

  // The channel keeps its own copy of the capability.
  H323_RTPChannel(H323Connection& connection, const H323AudioCapability& capability, Directions direction,
                  H323_RTP_UDP& session);
  ~H323_RTPChannel();
  H323_RTPChannel(const H323_RTPChannel&) = delete;
  H323_RTPChannel& operator=(const H323_RTPChannel&) = delete;

  Directions GetDirection() const { return m_direction; }
  const H323AudioCapability& GetCapability() const { return *m_capability; }
  H323_RTP_UDP& GetRTPSession() const { return m_session; }
  H323Connection& GetConnection() const { return m_connection; }

  // The H.245 logical channel number.
  unsigned GetNumber() const { return m_number; }
  void SetNumber(unsigned number) { m_number = number; }

  // The payload type the RTP packets carry: the capability's, or the dynamic one that
  // the peer announced.
  unsigned GetRTPPayloadType() const;
  void SetDynamicRTPPayloadType(int type);

  // Opens the sound device and starts the media; false when the device or codec cannot
  // be had.  Safe to call once; Close stops it.
  bool Start();
  void Close();
  bool IsRunning() const { return m_pump && m_pump->IsRunning(); }
  void SetPause(bool paused);
  bool IsPaused() const { return m_paused; }
  // The running pump (null before Start).
  const RTP_MediaPump* GetPump() const { return m_pump.get(); }

 private:
  H323Connection& m_connection;
  std::unique_ptr<H323AudioCapability> m_capability;
  const Directions m_direction;
  H323_RTP_UDP& m_session;
  unsigned m_number = 0;
  int m_dynamicPayloadType = -1;
  bool m_paused = false;
  std::unique_ptr<RTP_MediaPump> m_pump;
};
