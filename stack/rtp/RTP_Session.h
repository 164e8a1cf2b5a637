// An RTP session: one media stream each way between two transports, with the sequence
// numbers, sync source and statistics of both directions and the RTCP reports about them.
// The transport is left to the derived class (RTP_UDP).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "stack/ptlib/PClock.h"
#include "stack/ptlib/PTimeInterval.h"
#include "stack/rtp/RTP_ControlFrame.h"
#include "stack/rtp/RTP_DataFrame.h"

class RTP_Session {
 public:
  struct Statistics {
    unsigned packetsSent = 0;
    unsigned octetsSent = 0;
    unsigned packetsReceived = 0;
    unsigned octetsReceived = 0;
    unsigned packetsMalformed = 0;   // not RTP or RTCP
    unsigned packetsLost = 0;        // by the receive sequence numbers
    unsigned jitter = 0;             // RFC 3550 interarrival jitter, timestamp units
    unsigned reportsSent = 0;
    unsigned reportsReceived = 0;
    RTP_ReportBlock lastReportAboutUs;  // from the peer's latest report
  };

  // `sessionID` 1 is audio by the H.225.0 convention.
  explicit RTP_Session(unsigned sessionID, PClock& clock = PClock::System(), unsigned clockRate = 8000);
  virtual ~RTP_Session() = default;
  RTP_Session(const RTP_Session&) = delete;
  RTP_Session& operator=(const RTP_Session&) = delete;

  unsigned GetSessionID() const { return m_sessionID; }
  uint32_t GetSyncSourceOut() const { return m_ssrcOut; }
  uint32_t GetSyncSourceIn() const;
  Statistics GetStatistics() const;
  void SetCanonicalName(const std::string& cname);

  // Sends a media packet: the session fills in version, sequence number and sync source;
  // payload type, marker and timestamp are the caller's.
  virtual bool WriteData(RTP_DataFrame& frame) = 0;
  // Waits up to `timeout` for the next valid media packet; RTCP arriving meanwhile is
  // taken in.  False on time-out or when the session is closed.  With a time-out of zero
  // only what has arrived already is taken, without a wait.
  virtual bool ReadData(RTP_DataFrame& frame, PTimeInterval timeout) = 0;
  // Sends a sender report (or a receiver report when nothing was sent yet).
  virtual bool SendReport() = 0;
  virtual void Close() = 0;

 protected:
  // Bookkeeping for the transports.
  void OnSending(RTP_DataFrame& frame);
  // Receive statistics; a new sync source starts them afresh.  `arrivalMicros` is when the
  // packet came in, on the session's clock (now, unless the transport knows better).
  bool OnReceived(const RTP_DataFrame& frame);
  bool OnReceived(const RTP_DataFrame& frame, int64_t arrivalMicros);
  void OnReceivedControl(const uint8_t* data, size_t size);
  void OnMalformed();
  std::vector<uint8_t> BuildReport(bool bye);

  PClock& m_clock;

 private:
  uint32_t InTimestampUnits(int64_t micros) const;

  const unsigned m_sessionID;
  const unsigned m_clockRate;
  mutable std::mutex m_mutex;
  std::string m_cname;
  uint32_t m_ssrcOut;
  uint16_t m_seqOut;
  uint32_t m_lastTimestampOut = 0;
  int64_t m_lastSendMicros = 0;

  bool m_haveSource = false;
  uint32_t m_ssrcIn = 0;
  uint32_t m_baseSeq = 0;
  uint32_t m_highestSeq = 0;  // extended
  uint32_t m_expectedPrior = 0;
  uint32_t m_receivedPrior = 0;
  int64_t m_lastTransit = 0;
  bool m_haveTransit = false;
  uint64_t m_jitterQ4 = 0;
  uint32_t m_lastSenderReportNtp = 0;
  int64_t m_lastSenderReportAt = 0;
  Statistics m_stats;
};
