// Moves one direction of a call's audio between a codec (with its sound channel) and an
// RTP session.
//
// Transmitting, one thread reads a frame at a time from the codec (which reads the
// recorder at the device's pace), puts the configured number of frames into each
// packet and sends it; silent frames are not sent, and the first packet after silence
// or after a pause carries the marker.  Receiving, one thread plays the jitter buffer out
// through the decoder at the player's pace, with silence where nothing is due, and each
// time the player has taken a write it moves the packets that arrived meanwhile from the
// session into the buffer (they wait in the socket as they would in the buffer, since
// nothing is played before the next write; their arrival times are the system's).  Should
// the player fail, the thread goes on taking packets in until the pump stops.  A paused
// pump keeps its devices running but sends nothing, or plays silence and drops what
// arrives.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "stack/codec/H323AudioCapability.h"
#include "stack/codec/H323AudioCodec.h"
#include "stack/ptlib/PClock.h"
#include "stack/rtp/RTP_JitterBuffer.h"
#include "stack/rtp/RTP_Session.h"

class RTP_MediaPump {
 public:
  struct Settings {
    unsigned payloadType = 3;
    unsigned framesPerPacket = 4;       // transmit
    unsigned minJitterDelayMs = 40;     // receive (held at most at the maximum)
    unsigned maxJitterDelayMs = 50;     // receive; the delay never exceeds it
    PTimeInterval reportInterval = PTimeInterval(0, 5);

    // Payload type and frames per packet of `capability` (its transmit count), with
    // the endpoint's maximum jitter delay.
    static Settings For(const H323AudioCapability& capability, unsigned maxJitterDelayMs);
  };

  // The codec's direction decides the pump's.  Its raw channel must be attached.  The
  // session must outlive the pump.
  RTP_MediaPump(RTP_Session& session, std::unique_ptr<H323AudioCodec> codec, const Settings& settings,
                PClock& clock = PClock::System());
  ~RTP_MediaPump();
  RTP_MediaPump(const RTP_MediaPump&) = delete;
  RTP_MediaPump& operator=(const RTP_MediaPump&) = delete;

  bool Start();
  // Stops and joins the threads (within about one packet time).
  void Stop();
  bool IsRunning() const { return m_running.load(); }

  // Hold: nothing is sent, or nothing is played, until resumed.
  void Pause(bool paused);
  bool IsPaused() const { return m_paused.load(); }

  H323AudioCodec& GetCodec() { return *m_codec; }
  const RTP_JitterBuffer& GetJitterBuffer() const { return m_jitter; }
  unsigned GetPacketsSent() const { return m_packetsSent.load(); }
  // Received packets dropped for another payload type than the channel's.
  unsigned GetForeignPayloads() const { return m_foreignPayloads.load(); }

 private:
  void TransmitLoop();
  void PlayoutLoop();
  // Takes in one packet, waiting up to `wait` for it (zero: only one that is there), and
  // sends the receiver's report when it is due.  False when none came.
  bool Receive(RTP_DataFrame& frame, PTimeInterval wait, int64_t& nextReport);
  // Takes in every packet that has arrived, without waiting.
  void TakeArrivals(RTP_DataFrame& frame, int64_t& nextReport);
  bool SendPacket(std::vector<uint8_t>& payload, uint32_t timestamp, bool marker);

  RTP_Session& m_session;
  std::unique_ptr<H323AudioCodec> m_codec;
  Settings m_settings;
  PClock& m_clock;
  RTP_JitterBuffer m_jitter;
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_stopping{false};
  std::atomic<bool> m_paused{false};
  std::atomic<bool> m_resumed{false};
  std::atomic<unsigned> m_packetsSent{0};
  std::atomic<unsigned> m_foreignPayloads{0};
  std::thread m_mediaThread;
};
