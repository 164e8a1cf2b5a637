#include "engine/RelayClient.h"

#include <chrono>
#include <cstring>
#include <ctime>

#include "engine/HostLookup.h"
#include "stack/ptlib/PIPSocket.h"
#include "stack/ptlib/PUDPSocket.h"

std::vector<CString> ResolveRelayHostAddresses(const CString& host) {
  return LookupIPv4All(host, kRelayMaxAddresses);
}

std::vector<CString> LocalInterfaceAddresses() {
  std::vector<CString> out;
  PIPSocket::InterfaceTable table;
  if (!PIPSocket::GetInterfaceTable(table)) return out;
  for (const auto& entry : table) {
    if (entry.loopback || out.size() >= static_cast<std::size_t>(kRelayMaxAddresses)) continue;
    out.push_back(CString(entry.address.AsString().GetPointer()));
  }
  return out;
}

namespace {

CRelayClient::Settings Defaults(CRelayClient::Settings s) {
  if (!s.resolve) s.resolve = ResolveRelayHostAddresses;
  if (!s.localAddresses) s.localAddresses = LocalInterfaceAddresses;
  if (!s.now) s.now = [] { return static_cast<unsigned>(std::time(nullptr)); };
  return s;
}

// Sends `text` to host:port and waits for one datagram of at least one byte from there.
// Datagrams from any other address or port are dropped: anyone could send them, and a
// forged grant would send the call's media wherever its sender likes.
bool Exchange(PUDPSocket& socket, const CString& host, int port, const CString& text, int timeoutMs,
              char (&reply)[kRelayReplyBufferBytes], int& replyLength) {
  PIPSocket::Address address(host);
  if (!address.IsValid()) return false;
  if (!socket.WriteTo(static_cast<const char*>(text), text.GetLength(), address, static_cast<uint16_t>(port)))
    return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    socket.SetReadTimeout(PTimeInterval(left.count()));
    char datagram[kRelayReplyBufferBytes];
    PIPSocket::Address from;
    uint16_t fromPort = 0;
    if (!socket.ReadFrom(datagram, sizeof datagram, from, fromPort)) return false;
    if (from != address || fromPort != port) continue;
    replyLength = static_cast<int>(socket.GetLastReadCount());
    std::memcpy(reply, datagram, static_cast<std::size_t>(replyLength));
    return replyLength > 0;
  }
}

}  // namespace

CRelayClient::CRelayClient(RelayEndpoint& endpoint, Settings settings)
    : m_endpoint(endpoint), m_settings(Defaults(std::move(settings))) {}

CRelayClient::CRelayClient(RelayEndpoint& endpoint) : CRelayClient(endpoint, Settings()) {}

BOOL CRelayClient::FindRelayServer(CString& relayServer, CString& relayToken, CString& relayCheck) {
  m_random.Seed(m_settings.now());
  relayToken = MakeRelayToken(m_random);

  std::vector<CString> servers = m_settings.resolve(m_settings.relayHost);
  if (servers.empty()) {
    relayServer.Empty();
    return FALSE;
  }
  if (servers.size() > static_cast<std::size_t>(kRelayMaxAddresses)) servers.resize(kRelayMaxAddresses);

  relayCheck = RelayCheckValue(relayToken);
  const CString text = FormatRelayGrq(relayToken, relayCheck, m_settings.localAddresses());

  char reply[kRelayReplyBufferBytes] = {};
  int replyLength = 0;
  PUDPSocket socket;
  // Without a socket nothing was asked: the relay state stays as it is.
  if (!socket.Listen()) return FALSE;
  // Each server is tried once, in random order: a server that stays silent is replaced by
  // the last untried one.
  int untried = static_cast<int>(servers.size());
  while (untried > 0) {
    int index = PickRelayServerIndex(m_random.Next(), untried);
    relayServer = servers[index];
    if (Exchange(socket, relayServer, m_settings.serverPort, text, m_settings.replyTimeoutMs, reply, replyLength))
      break;
    replyLength = 0;
    servers[index] = servers[untried - 1];
    --untried;
  }
  socket.Close();

  if (IsRelayGrqAccepted(CString(std::string(reply, replyLength).c_str()))) {
    m_endpoint.SetFastStart(false);
    return TRUE;
  }
  m_endpoint.SetFastStart(true);
  relayServer.Empty();
  return FALSE;
}

BOOL CRelayClient::RequestRelay(const CString& relayServer, CString& relayToken, CString& relayCheck) {
  m_random.Seed(m_settings.now());
  relayToken = MakeRelayToken(m_random);
  relayCheck = RelayCheckValue(relayToken);

  PUDPSocket socket;
  if (!socket.Listen()) return FALSE;
  char reply[kRelayReplyBufferBytes] = {};
  int replyLength = 0;
  bool answered = false;
  const CString text = FormatRelayArq(relayToken, relayCheck);
  for (int i = 0; i < m_settings.arqTries && !answered; ++i)
    answered = Exchange(socket, relayServer, m_settings.serverPort, text, m_settings.replyTimeoutMs, reply, replyLength);
  socket.Close();
  RelayGrant grant;
  if (!answered || !ParseRelayGrant(reply, static_cast<std::size_t>(replyLength), grant)) return FALSE;

  // A local pair p, p + 1 that both bind; the search gives up after a bounded number of tries.
  m_random.Seed(m_settings.now());
  PUDPSocket rtp;
  PUDPSocket rtcp;
  int port = 0;
  for (int i = 0; i < m_settings.portPairTries && port == 0; ++i) {
    int p = RelayLocalPort(m_random.Next());
    if (rtp.Listen(PIPSocket::Address::GetAny(), static_cast<uint16_t>(p)) &&
        rtcp.Listen(PIPSocket::Address::GetAny(), static_cast<uint16_t>(p + 1))) {
      port = p;
    } else {
      rtp.Close();
      rtcp.Close();
    }
  }
  if (port == 0) return FALSE;

  // Opens the path through the relay from both local ports; the datagrams are the first
  // 16 bytes of the reply buffer (zero beyond a short reply).
  PIPSocket::Address relay(grant.address);
  for (int i = 0; i < 3; ++i) rtp.WriteTo(reply, kRelayPunchBytes, relay, static_cast<uint16_t>(grant.rtpPort));
  for (int i = 0; i < 3; ++i) rtcp.WriteTo(reply, kRelayPunchBytes, relay, static_cast<uint16_t>(grant.rtcpPort));
  rtp.Close();
  rtcp.Close();

  m_endpoint.SetRtpIpPorts(static_cast<unsigned>(port), static_cast<unsigned>(port));
  m_endpoint.SetMediaRelay(grant.octets[0], grant.octets[1], grant.octets[2], grant.octets[3],
                           static_cast<unsigned>(grant.rtpPort), static_cast<unsigned>(grant.rtcpPort));
  m_lastLocalPort = port;
  return TRUE;
}

void CRelayClient::SendRelayRelease(const CString& relayServer, const CString& relayToken) {
  if (relayServer.IsEmpty()) return;
  PIPSocket::Address address(relayServer);
  if (!address.IsValid()) return;
  PUDPSocket socket;
  if (!socket.Listen()) return;
  const CString text = FormatRelayDrq(relayToken);
  for (int i = 0; i < 2; ++i)
    socket.WriteTo(static_cast<const char*>(text), text.GetLength(), address, static_cast<uint16_t>(m_settings.serverPort));
  socket.Close();
}
