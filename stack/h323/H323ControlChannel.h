#pragma once
// The H.245 control protocol of one call: master/slave determination, the capability
// exchange, the audio logical channels in both directions, round-trip delay, user input
// and the end of the session.
//
// Sessions: the master numbers the RTP sessions.  A channel the peer opens is taken in
// the session it names (a slave's 0 gets the audio session this side chose), and this
// side's audio goes in the session the peer's audio uses once that is known (the primary
// audio session 1 before); a master's acknowledgement that names another session moves
// this side's channel there.  The messages travel tunnelled in call signalling or on
// their own TCP connection; the connection hands every received message to OnReceived
// and gives the channel the sender to use.
//
// All of it runs under the connection's lock, on the thread that received the message
// (or that asked for something to be sent).

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "stack/codec/H323AudioCapability.h"
#include "stack/ptlib/PString.h"

class H323Connection;
class H323_RTPChannel;
class H245_MultimediaSystemControlMessage;
class H245_Capability;
class H245_OpenLogicalChannel;

class H323ControlChannel {
 public:
  using Bytes = std::vector<uint8_t>;
  using Sender = std::function<bool(const Bytes& pdu)>;

  static constexpr unsigned kTerminalType = 50;  // a terminal, in master/slave determination
  static constexpr unsigned kAudioSessionID = 1;  // the primary audio session

  explicit H323ControlChannel(H323Connection& connection);
  ~H323ControlChannel();
  H323ControlChannel(const H323ControlChannel&) = delete;
  H323ControlChannel& operator=(const H323ControlChannel&) = delete;

  // Master/slave determination between two terminals: true when the local one is
  // master, nothing when the numbers cannot decide (equal types, and numbers equal or
  // half the 24-bit range apart).  The numbers are taken modulo 2^24.
  static std::optional<bool> DetermineMasterSlave(unsigned localType, uint32_t localNumber, unsigned remoteType,
                                                  uint32_t remoteNumber);

  void SetSender(Sender sender);
  // Sends the capability set and starts master/slave determination.
  void Start();
  bool IsStarted() const { return m_started; }
  // One received MultimediaSystemControlMessage; false when it does not decode.
  bool OnReceived(const Bytes& pdu);

  bool SendUserInput(const PString& value);
  // False when it was sent before, H.245 does not run, or it could not be sent.
  bool SendEndSession();
  bool SendRoundTripDelayRequest();
  // Closes a channel this side opened (CloseLogicalChannel), or asks the peer to close
  // one it opened (RequestChannelClose).
  bool CloseChannel(unsigned number);
  bool RequestChannelClose(unsigned number);

  // State, for the connection and for tests.
  std::optional<bool> IsMaster() const { return m_master; }
  // Master/slave determination has ended on both sides (each side's acknowledgement seen
  // or sent as the procedure asks).
  bool IsMasterSlaveDone() const { return m_msdState == MsdState::Done; }
  // The RTP session the call's audio runs in.
  unsigned GetAudioSessionID() const { return m_audioSession != 0 ? m_audioSession : kAudioSessionID; }
  bool IsCapabilityExchangeDone() const { return m_localTcsAcked && m_remoteTcsReceived; }
  // The peer's capability table, as received (entry number -> capability).
  size_t GetRemoteCapabilityCount() const { return m_remoteCapabilities.size(); }
  // Audio sub types the peer can receive, in its table order.
  std::vector<unsigned> GetRemoteReceiveAudio() const;
  std::optional<std::chrono::microseconds> GetRoundTripDelay() const { return m_roundTripDelay; }
  bool IsEndSessionReceived() const { return m_endSessionReceived; }
  // Channels were started from the fast-start answer.
  bool IsFastStartUsed() const { return m_fastStartUsed; }

  // Fast start: the proposals of a Setup (encoded OpenLogicalChannel), and the
  // answer to them (accepting what the local table supports, starting those channels).
  std::vector<Bytes> BuildFastStartProposals();
  std::vector<Bytes> AnswerFastStart(const std::vector<Bytes>& proposals);
  // The caller's side: the answer that came back; false when none was usable.
  bool OnFastStartAnswer(const std::vector<Bytes>& answer);

 private:
  bool Send(const H245_MultimediaSystemControlMessage& pdu);
  void SendCapabilitySet();
  void SendMasterSlaveDetermination();
  void TryOpenTransmitChannel();

  void OnRequest(const H245_MultimediaSystemControlMessage& pdu);
  void OnResponse(const H245_MultimediaSystemControlMessage& pdu);
  void OnCommand(const H245_MultimediaSystemControlMessage& pdu);
  void OnIndication(const H245_MultimediaSystemControlMessage& pdu);

  // The local capability for an H.245 audio description, or null.
  const H323AudioCapability* FindLocalAudio(unsigned audioTag) const;
  bool OnOpenLogicalChannel(const H245_OpenLogicalChannel& open, H245_MultimediaSystemControlMessage& reply);
  // The session a channel the peer opens (or proposes) goes in: the one it names, or the
  // audio session for 0; the audio session is settled by the first.
  unsigned TakeSession(int64_t proposed);
  void OnOpenLogicalChannelAck(const H245_MultimediaSystemControlMessage& pdu);
  // `channel` as one of the same kind and number in `session` when it runs in another
  // (null when that session cannot be had).
  std::unique_ptr<H323_RTPChannel> MoveToSession(std::unique_ptr<H323_RTPChannel> channel, unsigned session);

  H323Connection& m_connection;
  Sender m_sender;
  bool m_started = false;

  // Master/slave determination: Outgoing once this side's request is out, Incoming once
  // it acknowledged the peer's request, Done when the last acknowledgement is in.
  enum class MsdState { Idle, Outgoing, Incoming, Done };
  uint32_t m_msdNumber = 0;
  unsigned m_msdRetries = 0;
  MsdState m_msdState = MsdState::Idle;
  std::optional<bool> m_master;
  unsigned m_audioSession = 0;  // 0 until a channel settles it

  // Capability exchange.
  unsigned m_tcsSequence = 0;
  bool m_localTcsAcked = false;
  bool m_remoteTcsReceived = false;
  std::map<unsigned, std::unique_ptr<H245_Capability>> m_remoteCapabilities;

  // Logical channels this side opens, by number, until acknowledged.
  unsigned m_lastChannelNumber = 0;
  bool m_transmitOpening = false;
  std::map<unsigned, std::unique_ptr<H323_RTPChannel>> m_pendingTransmit;

  // Fast start: what this side proposed to send, until the answer comes.
  std::map<unsigned, std::unique_ptr<H323_RTPChannel>> m_fastStartTransmit;
  bool m_fastStartAnswered = false;
  bool m_fastStartUsed = false;

  unsigned m_rtdSequence = 0;
  std::chrono::steady_clock::time_point m_rtdSent;
  std::optional<std::chrono::microseconds> m_roundTripDelay;
  bool m_endSessionSent = false;
  bool m_endSessionReceived = false;
};
