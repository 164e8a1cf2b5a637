// The media-relay client: finds a relay server after registration (GRQ), asks it for a
// port pair before a call and opens the path through it (ARQ), and releases the session
// when the call ends (DRQ).  The exchanges block the calling thread for their time-outs.
//
// The main window keeps the three pieces of relay state (server, token, check value) and
// passes them in; the endpoint's side (fast start, RTP port range, the relay substitution)
// comes in through RelayEndpoint so that tests can watch it.
#pragma once

#include <functional>
#include <vector>

#include "engine/CRandom15.h"
#include "engine/RelayProtocol.h"
#include "engine/ServiceSettings.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class RelayEndpoint {
 public:
  virtual ~RelayEndpoint() = default;
  virtual void SetFastStart(bool enabled) = 0;
  virtual void SetRtpIpPorts(unsigned base, unsigned max) = 0;
  virtual void SetMediaRelay(unsigned a, unsigned b, unsigned c, unsigned d, unsigned rtpPort,
                             unsigned rtcpPort) = 0;
};

class CRelayClient {
 public:
  struct Settings {
    CString relayHost = ServiceSettings::kDefaultRelay;
    int serverPort = kRelayServerPort;
    int replyTimeoutMs = 2000;
    int arqTries = 2;
    // Binding a local port pair is retried with new ports this many times at most.
    int portPairTries = 64;
    // The relay host's IPv4 addresses in the resolver's order (empty: not resolved).
    std::function<std::vector<CString>(const CString&)> resolve;
    // The local IPv4 addresses listed in a GRQ.
    std::function<std::vector<CString>()> localAddresses;
    // Seconds since the epoch, the generator's seed.
    std::function<unsigned()> now;
  };

  CRelayClient(RelayEndpoint& endpoint, Settings settings);
  explicit CRelayClient(RelayEndpoint& endpoint);

  // GRQ.  TRUE when a relay accepted: relayServer is then the server that replied and fast
  // start is off.  A refusal or silence empties relayServer and turns fast start back on.
  BOOL FindRelayServer(CString& relayServer, CString& relayToken, CString& relayCheck);
  // ARQ to relayServer.  TRUE when a port pair was granted and the path to it opened; the
  // endpoint's RTP ports and relay substitution are then set.
  BOOL RequestRelay(const CString& relayServer, CString& relayToken, CString& relayCheck);
  // DRQ, sent twice; nothing when no relay server is known.
  void SendRelayRelease(const CString& relayServer, const CString& relayToken);

  // The local port of the last granted pair (RTP; RTCP is one above), for tests.
  int GetLastLocalPort() const { return m_lastLocalPort; }

 private:
  RelayEndpoint& m_endpoint;
  Settings m_settings;
  CRandom15 m_random;
  int m_lastLocalPort = 0;
};

// The relay host's addresses by the system resolver; the local interface addresses.
std::vector<CString> ResolveRelayHostAddresses(const CString& host);
std::vector<CString> LocalInterfaceAddresses();
