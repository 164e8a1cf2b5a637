#pragma once
// The H.323 endpoint: its settings, its call-signalling listeners, the table of current
// calls by token and the hooks through which the application follows them.
//
// Calls are placed with MakeCall and answered when a Setup arrives on a listener; each
// is an H323Connection made by the virtual factory CreateConnection.  With a limit on
// the calls at once (SetMaxCalls), a Setup beyond it is answered busy on its own
// connection's reader at once, and no call, thread or hook is made for it.  A cleaner thread
// ends cleared connections off the signalling threads: it closes their transports,
// tells the admission (DisengageCall), calls OnConnectionCleared and deletes them.
//
// Hooks run on the stack's threads: OnIncomingCall and OnAlerting on the call's
// signalling thread, OnConnectionEstablished on its signalling (or control) thread,
// OnConnectionCleared on the cleaner thread.  No lock of the stack is held while a hook
// runs, so hooks may call back into the endpoint and the connection.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "stack/codec/H323AudioCodec.h"
#include "stack/codec/H323Capabilities.h"
#include "stack/h323/H323CallAdmission.h"
#include "stack/h323/H323Connection.h"
#include "stack/h323/H323_RTP_UDP.h"
#include "stack/ptlib/PStringArray.h"
#include "stack/ptlib/PTimeInterval.h"
#include "stack/q931/H323ListenerTCP.h"

class H323Gatekeeper;
class H323GatekeeperAdmission;
class H323VideoCodec;

class H323EndPoint : public PObject {
  PCLASSINFO(H323EndPoint, PObject)
 public:
  H323EndPoint();
  // Closes the listeners, clears every call, waiting until they have ended, and
  // unregisters from the gatekeeper, waiting at most kExitUnregisterLimit for its answer.
  // The hooks of a derived class no longer run by then: a derived class that wants to
  // see the last calls cleared calls ClearAllCalls in its own destructor.
  ~H323EndPoint() override;

  // How long the end waits for the gatekeeper to confirm the unregistration.
  static constexpr std::chrono::milliseconds kExitUnregisterLimit{1000};
  H323EndPoint(const H323EndPoint&) = delete;
  H323EndPoint& operator=(const H323EndPoint&) = delete;

  // --- Listening and calls

  // Opens `listener` and takes it over (it is deleted with the endpoint, or at once when
  // it cannot open).  False when it is null or cannot open its port.
  bool StartListener(H323ListenerTCP* listener);
  // Closes and deletes every listener.
  void RemoveListeners();
  // The first listener's port, 0 when none is open.
  uint16_t GetListenerPort() const;

  // Starts a call to `remoteParty`: "a.b.c.d", "a.b.c.d:port", "host", "host:port", or a
  // dialled number (digits, '#', '*') that the admission resolves.  `token` receives the
  // new call's token.  Returns the connection (not locked), or null when the text names
  // nothing that can be called.  The call goes on in the background; its end reason
  // tells how it went.
  H323Connection* MakeCall(const PString& remoteParty, PString& token, void* userData = nullptr);
  // Clears the call; false when no call has that token.  Returns at once.
  bool ClearCall(const PString& token, H323Connection::CallEndReason reason = H323Connection::EndedByLocalUser);
  // The same, returning once the call has been cleared and reported.
  bool ClearCallSynchronous(const PString& token,
                            H323Connection::CallEndReason reason = H323Connection::EndedByLocalUser);
  // Clears every call; with `wait`, returns once all of them have ended and no thread of
  // theirs runs a hook any more.
  void ClearAllCalls(H323Connection::CallEndReason reason = H323Connection::EndedByLocalUser, bool wait = true);
  bool HasConnection(const PString& token) const;
  // The connection of that token, locked (Unlock it when done), or null.
  H323Connection* FindConnectionWithLock(const PString& token);
  PStringArray GetAllConnections() const;
  unsigned GetConnectionCount() const;

  // --- Hooks

  // Makes the connection object of a new call (outgoing or incoming).
  virtual H323Connection* CreateConnection(unsigned callReference);
  // A Setup has arrived; false refuses the call.  `alertingPDU` is the Alerting that
  // will be sent when it is accepted.  Default: accept.
  virtual bool OnIncomingCall(H323Connection& connection, const H323SignalPDU& setupPDU, H323SignalPDU& alertingPDU);
  // The called party is ringing.  Default: true.
  virtual bool OnAlerting(H323Connection& connection, const H323SignalPDU& alertingPDU, const PString& user);
  virtual void OnConnectionEstablished(H323Connection& connection, const PString& token);
  virtual void OnConnectionCleared(H323Connection& connection, const PString& token);
  // User input (key tones, text) received on a call.
  virtual void OnUserInputString(H323Connection& connection, const PString& value);
  // Opens a video channel for a video codec.  No capability of this stack is video, so
  // nothing calls it; the default refuses.
  virtual bool OpenVideoChannel(H323Connection& connection, bool isEncoding, H323VideoCodec& codec);
  // The RTP session glue of a call's session `sessionID` (1 audio); a derived endpoint
  // may return a class derived from H323_RTP_UDP.  The connection owns it.
  virtual H323_RTP_UDP* CreateRTPSession(H323Connection& connection, unsigned sessionID);
  // The gatekeeper client for a RAS transport; the default makes none.
  virtual H323Gatekeeper* CreateGatekeeper(H323Transport* transport);

  // --- Admission

  // The admission asked about every call (not owned; null: every call is admitted and a
  // dialled number cannot be called).
  void SetCallAdmission(H323CallAdmission* admission);
  H323CallAdmission* GetCallAdmission() const;
  // Asked before an outgoing call's Setup and on an incoming Setup.  Default: the
  // admission set, or admitted.
  virtual H323AdmissionResult OnAdmitCall(H323Connection& connection, const H323AdmissionRequest& request);
  // An admitted call has ended.  Default: the admission's DisengageCall.
  virtual void OnDisengageCall(H323Connection& connection);

  // --- Gatekeeper

  // Discovers and registers with the gatekeeper at `address` ("host" or "a.b.c.d", with
  // ":port" or the RAS port 1719), through a client made by CreateGatekeeper (a plain
  // H323Gatekeeper when it makes none). True when registered; false (and the client is
  // deleted) when the gatekeeper refused or never answered. While registered, calls are
  // admitted by the gatekeeper. `transport` (taken over) names the local interface; null:
  // the one that leads to the gatekeeper.
  bool SetGatekeeper(const PString& address, H323Transport* transport = nullptr);
  // Clears every call (with `reason`; -1: none given), unregisters when registered and
  // deletes the client. False when there was none. Safe while SetGatekeeper runs.
  bool RemoveGatekeeper(int reason = -1);
  // The same, waiting at most `limit` for the gatekeeper to answer the unregistration
  // (0: the client's own RAS time-outs).
  bool RemoveGatekeeper(int reason, std::chrono::milliseconds limit);
  // The current client (owned by the endpoint; valid until it is removed), or null.
  H323Gatekeeper* GetGatekeeper() const;
  bool IsRegistered() const;
  // The password of the H.235 token on the RAS messages; empty: none.
  void SetGatekeeperPassword(const PString& password);
  PString GetGatekeeperPassword() const;

  // --- Settings

  void SetLocalUserName(const PString& name);
  const PString& GetLocalUserName() const { return m_localUserName; }
  std::vector<H323AliasAddress> GetAliases() const;

  // Units of 100 bit/s.
  void SetInitialBandwidth(unsigned bandwidth) { m_initialBandwidth = bandwidth; }
  unsigned GetInitialBandwidth() const { return m_initialBandwidth; }
  // Largest jitter-buffer delay of received audio in milliseconds (kept in 16 bits:
  // larger values are taken as 65535).
  void SetMaxAudioDelayJitter(unsigned ms);
  unsigned GetMaxAudioDelayJitter() const { return m_maxAudioDelayJitter; }
  unsigned GetMinAudioDelayJitter() const;

  void DisableFastStart(bool mode) { m_disableFastStart = mode; }
  bool IsFastStartDisabled() const { return m_disableFastStart; }
  void DisableH245Tunneling(bool mode) { m_disableH245Tunneling = mode; }
  bool IsH245TunnelingDisabled() const { return m_disableH245Tunneling; }

  // Calls at once (outgoing and incoming, a call being answered included; calls that are
  // clearing do not count).  A Setup beyond them is answered at once with a Release
  // Complete of cause user busy.  0: no limit (the default).
  void SetMaxCalls(unsigned calls) { m_maxCalls = calls; }
  unsigned GetMaxCalls() const { return m_maxCalls.load(); }

  // How long clearing waits for the peer's end of session (and then for its release or
  // the close of its connection) before it goes on without.
  void SetEndSessionTimeout(PTimeInterval t) { m_endSessionTimeout = t; }
  PTimeInterval GetEndSessionTimeout() const { return m_endSessionTimeout; }

  void SetSilenceDetectionMode(H323AudioCodec::SilenceDetectionMode mode) { m_silenceDetectionMode = mode; }
  H323AudioCodec::SilenceDetectionMode GetSilenceDetectionMode() const { return m_silenceDetectionMode; }

  // Stack sizes of the stack's thread kinds, in bytes.  Kept for callers that tune them;
  // the threads run with the system's default stack.
  void SetCleanerThreadStackSize(unsigned size) { m_cleanerThreadStackSize = size; }
  void SetListenerThreadStackSize(unsigned size) { m_listenerThreadStackSize = size; }
  void SetSignallingThreadStackSize(unsigned size) { m_signallingThreadStackSize = size; }
  void SetControlThreadStackSize(unsigned size) { m_controlThreadStackSize = size; }
  void SetChannelThreadStackSize(unsigned size) { m_channelThreadStackSize = size; }
  void SetRasThreadStackSize(unsigned size) { m_rasThreadStackSize = size; }
  void SetJitterThreadStackSize(unsigned size) { m_jitterThreadStackSize = size; }
  unsigned GetCleanerThreadStackSize() const { return m_cleanerThreadStackSize; }
  unsigned GetListenerThreadStackSize() const { return m_listenerThreadStackSize; }
  unsigned GetSignallingThreadStackSize() const { return m_signallingThreadStackSize; }
  unsigned GetControlThreadStackSize() const { return m_controlThreadStackSize; }
  unsigned GetChannelThreadStackSize() const { return m_channelThreadStackSize; }
  unsigned GetRasThreadStackSize() const { return m_rasThreadStackSize; }
  unsigned GetJitterThreadStackSize() const { return m_jitterThreadStackSize; }

  // Sound devices of the calls' audio; false (and the device is kept) for a name the
  // sound system does not list.  Until one is set it is the system's default, looked up
  // when first asked for (the look goes through every sound card).
  bool SetSoundChannelPlayDevice(const PString& name);
  bool SetSoundChannelRecordDevice(const PString& name);
  const PString& GetSoundChannelPlayDevice() const;
  const PString& GetSoundChannelRecordDevice() const;

  // Enters a capability in the table (which takes it over); see H323Capabilities.
  PINDEX SetCapability(PINDEX descriptorNum, PINDEX simultaneous, H323Capability* capability);
  H323Capabilities& GetCapabilities() { return m_capabilities; }
  const H323Capabilities& GetCapabilities() const { return m_capabilities; }

  // UDP ports of the RTP sessions: pairs from `base` (even) up to `max`; 0 lets the
  // system choose.  A max below the base is taken as base + 1.
  void SetRtpIpPorts(unsigned base, unsigned max);
  uint16_t GetRtpIpPortBase() const { return m_rtpPorts.GetBase(); }
  uint16_t GetRtpIpPortMax() const { return m_rtpPorts.GetMax(); }
  RTP_PortRange& GetRtpIpPorts() { return m_rtpPorts; }

  // Signalling time-outs: the TCP connection of an outgoing call, the answer to its
  // Setup (Connect), and the Setup on an accepted connection.
  void SetSignallingChannelConnectTimeout(PTimeInterval t) { m_connectTimeout = t; }
  void SetSignallingChannelCallTimeout(PTimeInterval t) { m_callTimeout = t; }
  void SetFirstSignalPduTimeout(PTimeInterval t) { m_firstPduTimeout = t; }
  PTimeInterval GetSignallingChannelConnectTimeout() const { return m_connectTimeout; }
  PTimeInterval GetSignallingChannelCallTimeout() const { return m_callTimeout; }
  PTimeInterval GetFirstSignalPduTimeout() const { return m_firstPduTimeout; }

  // The port a call goes to when the dialled text names none.
  static constexpr uint16_t kDefaultSignalPort = H323ListenerTCP::kDefaultSignalPort;

 private:
  friend class H323Connection;
  using Clock = std::chrono::steady_clock;
  // The cleaner runs the calls' time-outs when they are due, and looks again at least this
  // often while calls run (a time-out started while it waited is seen by then even when
  // its wake-up was missed); kCleanerTick is the time it takes to act on a due one.
  static constexpr std::chrono::milliseconds kCleanerTick{50};
  static constexpr std::chrono::milliseconds kCleanerLongestWait{1000};
  // A connection started a time-out: the cleaner computes its next wake-up again.  Takes no
  // lock (a connection calls it under its own).
  void WakeCleaner();
  std::atomic<unsigned> m_cleanerWakes{0};

  // What an accepted channel's handlers lead to: nothing until the Setup has made a
  // connection, then that connection.  Guarded by m_mutex.
  struct SignalLink {
    std::weak_ptr<H323Connection> connection;
    bool done = false;        // the first message was handled, or the channel closed
    bool handedOver = false;  // the channel belongs to the connection now
    bool busy = false;        // the first message is being handled
  };
  // An accepted signalling connection whose Setup has not arrived yet.
  struct PendingSignal {
    std::unique_ptr<H323SignalChannel> channel;
    std::shared_ptr<SignalLink> link;
    Clock::time_point deadline;
  };

  friend class H323Gatekeeper;
  // The gatekeeper `client` disengaged a call: it is cleared at once, and this returns
  // once its Release Complete has gone out (or the clearing's time-out has passed), so
  // that the confirm follows the clearing.
  void OnGatekeeperDisengage(const H323Gatekeeper& client, const std::string& callId, const std::string& conferenceId,
                             unsigned callReference);

  void OnAccepted(std::unique_ptr<H323SignalChannel> channel);
  void OnFirstMessage(const std::shared_ptr<PendingSignal>& pending, const Q931& message);
  std::shared_ptr<H323Connection> NewConnection(unsigned callReference);
  // False when the endpoint is stopping or, for an incoming call (`limited`), when the
  // calls at once have reached the limit (`busy` then says so).
  bool AddConnection(const std::shared_ptr<H323Connection>& connection, bool limited = false, bool* busy = nullptr);
  // Wakes whoever waits on m_changed for a connection's progress.
  void NotifyChanged();
  // Calls that are not clearing (m_mutex held), and whether they fill the limit.
  unsigned ActiveCallsLocked() const;
  bool AtCallLimit() const;
  std::shared_ptr<H323Connection> FindConnection(const PString& token) const;
  // Hands a clearing connection to the cleaner.
  void QueueForCleaning(H323Connection& connection);
  void CleanerThread();
  void CleanUp(const std::shared_ptr<H323Connection>& connection);
  unsigned NextCallReference();
  // Threads that run a call's work outside the connection's own lifetime (answering).
  void BeginCallThread();
  void EndCallThread();

  // Settings.
  PString m_localUserName;
  unsigned m_initialBandwidth = 100000;
  unsigned m_maxAudioDelayJitter = 50;
  bool m_disableFastStart = false;
  bool m_disableH245Tunneling = false;
  std::atomic<unsigned> m_maxCalls{0};
  PTimeInterval m_endSessionTimeout = PTimeInterval(1000);
  H323AudioCodec::SilenceDetectionMode m_silenceDetectionMode = H323AudioCodec::AdaptiveSilenceDetection;
  unsigned m_cleanerThreadStackSize = 30000;
  unsigned m_listenerThreadStackSize = 30000;
  unsigned m_signallingThreadStackSize = 30000;
  unsigned m_controlThreadStackSize = 30000;
  unsigned m_channelThreadStackSize = 30000;
  unsigned m_rasThreadStackSize = 30000;
  unsigned m_jitterThreadStackSize = 30000;
  void TakeDefaultSoundDevices() const;
  mutable std::once_flag m_soundDefaultsTaken;
  mutable PString m_soundChannelPlayDevice;
  mutable PString m_soundChannelRecordDevice;
  bool m_playDeviceSet = false;
  bool m_recordDeviceSet = false;
  H323Capabilities m_capabilities;
  RTP_PortRange m_rtpPorts;
  PTimeInterval m_connectTimeout = PTimeInterval(0, 10);
  PTimeInterval m_callTimeout = PTimeInterval(0, 60);
  PTimeInterval m_firstPduTimeout = PTimeInterval(0, 10);

  // The gatekeeper's admission, made by the first SetGatekeeper; it holds the client.
  std::shared_ptr<H323GatekeeperAdmission> GatekeeperAdmission();
  mutable std::mutex m_gatekeeperMutex;
  std::shared_ptr<H323GatekeeperAdmission> m_gatekeeperAdmission;
  PString m_gatekeeperPassword;

  mutable std::mutex m_admissionMutex;
  H323CallAdmission* m_admission = nullptr;

  mutable std::mutex m_listenersMutex;
  std::vector<std::unique_ptr<H323ListenerTCP>> m_listeners;

  // Calls, pending accepted connections and the cleaner's queue.
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;  // a connection was removed, or the cleaner has work
  std::map<PString, std::shared_ptr<H323Connection>> m_connections;
  std::list<std::shared_ptr<PendingSignal>> m_pending;
  std::list<std::shared_ptr<H323Connection>> m_toClean;
  bool m_stopping = false;
  unsigned m_callThreads = 0;
  unsigned m_lastCallReference = 0;
  unsigned m_tokenSerial = 0;
  std::thread m_cleaner;
};
