#pragma once
// One call: its call signalling (Q.931 with the H.225 user-user information on a TCP
// connection), and the state the system reads (token, remote party, end reason, hold).
//
// Threads: an outgoing call makes its TCP connection and sends the Setup on a thread of
// its own; an incoming call is admitted and answered (OnIncomingCall may wait for the
// user) on a thread of its own, so that a release from the caller is seen meanwhile;
// every received message is handled on the signalling connection's reader thread.
//
// Clearing never waits: while H.245 runs it sends the end-session command and goes on
// when the peer's comes back (or the endpoint's end-session time-out has passed), then
// sends the Release Complete; once the peer has released or closed the connection too
// (or the time-out has passed) the connection goes to the endpoint's cleaner thread,
// which closes the transports, joins the threads, reports the end (OnConnectionCleared)
// and deletes the connection.  So ClearCall may be called from any thread, the hooks
// included.
//
// An incoming call's H.245 (tunnelled in its Setup or later) is held until the call is
// admitted, and acted on in the order it came.
//
// Lock/Unlock guard the connection against use by other threads (the system holds it
// while it sends a tone or toggles hold); the stack takes the same lock while it
// changes the call's state, never while it calls the endpoint's hooks.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <memory>
#include <optional>
#include <map>
#include <thread>
#include <vector>

#include "stack/h323/H323SignalPDU.h"
#include "stack/h323/H323Transport.h"
#include "stack/h323/H323_RTPChannel.h"
#include "stack/h323/H323_RTP_UDP.h"
#include "stack/ptlib/PMutex.h"
#include "stack/ptlib/PObject.h"
#include "stack/ptlib/PString.h"
#include "stack/q931/CallEndReason.h"
#include "stack/q931/H323SignalChannel.h"

class H323EndPoint;
class H323ControlChannel;

class H323Connection : public PObject, public std::enable_shared_from_this<H323Connection> {
  PCLASSINFO(H323Connection, PObject)
 public:
  using CallEndReason = ::CallEndReason;
  using enum ::CallEndReason;

  // The call's progress as call signalling sees it.
  enum class Phase {
    Idle,            // not started
    Connecting,      // outgoing: admission and the TCP connection
    AwaitingReply,   // outgoing: Setup sent
    Proceeding,      // outgoing: Call Proceeding received
    Alerting,        // outgoing: the called party is ringing
    Answering,       // incoming: Setup received, asking whether to answer
    Established,     // Connect sent or received
    Released,        // ended
  };

  // `options` is kept for derived classes; the stack reads none.
  H323Connection(H323EndPoint& endpoint, unsigned callReference, unsigned options = 0);
  ~H323Connection() override;
  H323Connection(const H323Connection&) = delete;
  H323Connection& operator=(const H323Connection&) = delete;

  H323EndPoint& GetEndPoint() const { return m_endpoint; }
  const PString& GetCallToken() const { return m_callToken; }
  unsigned GetCallReference() const { return m_callReference; }
  unsigned GetOptions() const { return m_options; }
  // True for a call this endpoint answered (received), false for one it placed.
  bool HadAnsweredCall() const { return !m_originating; }
  const H323UserInformation::Guid& GetCallIdentifier() const { return m_callIdentifier; }
  const H323UserInformation::Guid& GetConferenceIdentifier() const { return m_conferenceID; }

  // The remote party: the caller's aliases from the Setup (incoming), the called party's
  // from its answer or the text dialled (outgoing).
  PString GetRemotePartyName() const;
  // The remote end of the call-signalling connection, "a.b.c.d:port", once known.
  PString GetRemotePartyAddress() const;

  Phase GetPhase() const;
  bool IsEstablished() const { return GetPhase() == Phase::Established; }
  bool IsReleased() const { return GetPhase() == Phase::Released; }
  // NumCallEndReasons until the call has ended.
  CallEndReason GetCallEndReason() const { return m_callEndReason.load(); }

  void Lock() { m_mutex.Wait(); }
  void Unlock() { m_mutex.Signal(); }

  // Ends the call with `reason` (kept when an earlier reason was set); returns at once.
  void ClearCall(CallEndReason reason = EndedByLocalUser);
  // Once the call is clearing: waits until its Release Complete has gone out (or cannot
  // any more), at most until `deadline`; true when it has.
  bool WaitReleaseSent(std::chrono::steady_clock::time_point deadline);

  // An incoming call that has not been answered: sends the Alerting that OnIncomingCall
  // was given, so that the caller hears ringing while the user is asked.  False when it
  // was sent already, the call is not waiting for its answer, or it could not be sent.
  bool SendAlerting(H323SignalPDU& alertingPDU);

  // Key tones and text typed by the user, sent to the remote party.  A tone is one of
  // "0123456789*#ABCD!"; the defaults take the stack's own duration and channel.
  virtual void SendUserInputTone(char tone, unsigned duration = 0, unsigned logicalChannel = 0,
                                 unsigned rtpTimestamp = 0);
  virtual void SendUserInput(const PString& value);
  // What the remote party sent as user input; by default the endpoint's hook.
  virtual void OnUserInputString(const PString& value);

  // Hold (H.450.4): the remote party is told, and the media stops until retrieved.
  // False when the call is not established or already in that state.
  bool HoldCall(bool localHold = true);
  bool RetrieveCall();
  bool IsLocalHold() const { return m_localHold.load(); }
  bool IsRemoteHold() const { return m_remoteHold.load(); }
  // The remote party held (true) or retrieved (false) the call.
  virtual void OnRemoteHold(bool held);

  // The RTP session of `sessionID`, made and opened on first use (null when its ports
  // cannot be had).
  H323_RTP_UDP* UseSession(unsigned sessionID);
  // The logical channels running.
  std::vector<H323_RTPChannel*> GetChannels() const;
  // A channel of `direction` for `capability` on the session, not yet started (null
  // when the session cannot be had).
  std::unique_ptr<H323_RTPChannel> CreateChannel(const H323AudioCapability& capability,
                                                 H323_RTPChannel::Directions direction, unsigned sessionID);
  // Starts the channel (paused while the call is held); it then belongs to the
  // connection.  Null when its device or codec cannot be had.
  H323_RTPChannel* StartChannel(std::unique_ptr<H323_RTPChannel> channel);
  // Stops and removes the channel of that number and direction; false when none.
  bool CloseChannel(unsigned number, H323_RTPChannel::Directions direction);

  // H.245: whether it runs tunnelled in call signalling (known once the call is answered).
  bool IsH245Tunnelling() const;
  H323ControlChannel& GetH245() { return *m_control; }

  // The H.245 control channel's transport (the signalling connection when tunnelled).
  H323Transport& GetControlChannel() { return m_controlTransport; }

 private:
  friend class H323EndPoint;
  friend class H323ControlChannel;

  using Clock = std::chrono::steady_clock;

  // Set-up by the endpoint.
  void SetCallToken(const PString& token) { m_callToken = token; }
  void StartOutgoing(const PString& remoteParty);
  // Takes over the accepted signalling channel with its first message, a Setup.
  void AttachIncoming(std::unique_ptr<H323SignalChannel> channel, const Q931& setup);
  // Called by the endpoint's cleaner thread.
  void CheckTimers(Clock::time_point now);
  // When CheckTimers next has something to do (none: no time-out is running).
  std::optional<Clock::time_point> NextTimer();
  void Shutdown();
  bool IsClearing() const { return m_clearing.load(); }
  bool WasAdmitted() const { return m_admitted.load(); }

  void OutgoingThread(PString remoteParty);
  void HandleIncomingSetup(const Q931& setup);
  // Waits until an answering thread has finished reporting the established call.
  void WaitNotified();
  void OnSignalMessage(const Q931& message);
  void OnSignalClosed(TpktChannel::CloseReason reason);
  bool StartSignalChannel();

  void OnReceivedCallProceeding(const H323SignalPDU& pdu);
  void OnReceivedAlerting(const H323SignalPDU& pdu);
  void OnReceivedConnect(const H323SignalPDU& pdu);
  void OnReceivedReleaseComplete(const H323SignalPDU& pdu);
  void OnReceivedFacility(const H323SignalPDU& pdu);
  void OnReceivedStatusEnquiry(const H323SignalPDU& pdu);
  void OnReceivedProgress(const H323SignalPDU& pdu);
  void OnReceivedInformation(const Q931& message);
  void OnFastStartAnswer(const H323SignalPDU& pdu);

  // Clearing, under the lock: the Release Complete (once), and the steps that follow the
  // peer's end of session, its release or the close of its connections.
  void SendReleaseComplete();
  void OnClearingProgress();
  void OnControlChannelClosed();

  // A message of this call to send, with the fields every message carries.
  H323SignalPDU BuildPDU(uint8_t q931Type, H323UserInformation::Body body) const;
  bool WriteSignalPDU(H323SignalPDU& pdu);
  void SetPhase(Phase phase);
  void SetEndReason(CallEndReason reason);
  void UpdateRemoteName(const H323SignalPDU& pdu);
  uint8_t GetQ931CallState() const;

  H323EndPoint& m_endpoint;
  const unsigned m_callReference;
  const unsigned m_options;
  bool m_originating = true;
  PString m_callToken;
  H323UserInformation::Guid m_callIdentifier;
  H323UserInformation::Guid m_conferenceID;

  mutable PMutex m_mutex;
  Phase m_phase = Phase::Idle;
  PString m_remotePartyName;
  PString m_remotePartyAddress;
  std::atomic<CallEndReason> m_callEndReason{NumCallEndReasons};
  std::atomic<bool> m_clearing{false};
  bool m_shutdown = false;
  bool m_remoteReleased = false;   // nothing more can or may be sent on call signalling
  bool m_releaseReceived = false;  // the peer's Release Complete arrived: nothing follows it
  std::atomic<bool> m_admitted{false};
  bool m_alertingSent = false;     // incoming: the Alerting went out before the answer
  std::vector<std::vector<uint8_t>> m_heldH245;  // incoming: tunnelled before the admission
  static constexpr size_t kMaxHeldH245 = 64;
  std::optional<Clock::time_point> m_answerDeadline;
  // Clearing: when it gives up waiting for the peer; the Release Complete is out (or
  // cannot go); the H.245 connection has closed; the cleaner has the connection.
  std::optional<Clock::time_point> m_clearDeadline;
  std::atomic<bool> m_releaseSent{false};
  bool m_controlClosed = false;
  bool m_queuedForCleaning = false;
  std::atomic<bool> m_localHold{false};
  std::atomic<bool> m_remoteHold{false};

  std::mutex m_notifyMutex;
  std::condition_variable m_notifyDone;
  bool m_notifying = false;  // OnConnectionEstablished is running on the answering thread

  std::map<unsigned, std::unique_ptr<H323_RTP_UDP>> m_sessions;
  std::vector<std::unique_ptr<H323_RTPChannel>> m_channels;
  void CloseMedia();

  // H.245 transport.
  void StartControl();
  bool SendTunnelled(const std::vector<uint8_t>& pdu);
  void ConnectControlChannel(TcpAddress address);
  bool ListenControlChannel(TcpAddress& address);
  void StartControlChannel(std::unique_ptr<TpktChannel> channel);
  void ProcessTunnelled(const H323SignalPDU& pdu);
  void FeedControl(const std::vector<std::vector<uint8_t>>& messages);
  bool m_wantTunnelling = true;
  bool m_h245Tunnelling = false;
  std::unique_ptr<H323ControlChannel> m_control;
  std::unique_ptr<TpktChannel> m_h245Channel;
  TcpSocket m_h245Listener;
  WakeEvent m_h245Stop;
  std::thread m_h245Thread;

  std::unique_ptr<H323SignalChannel> m_signal;
  std::thread m_outgoingThread;
  H323Transport m_controlTransport;
};
