// The endpoint's gatekeeper: finding and registering with it, removing it, and the
// client built for the endpoint.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "stack/h323/H323EndPoint.h"
#include "stack/h323/H323GatekeeperAdmission.h"
#include "stack/h323/H323Vendor.h"

namespace {

constexpr uint16_t kDefaultRasPort = 1719;

// "host" or "host:port" to the gatekeeper's RAS address; false when it names nothing.
bool ResolveGatekeeper(const std::string& text, ras::RasAddress& out) {
  std::string host = text;
  uint16_t port = kDefaultRasPort;
  const size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    host = text.substr(0, colon);
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    const unsigned long value = std::stoul(digits);
    if (value == 0 || value > 65535) return false;
    port = static_cast<uint16_t>(value);
  }
  PIPSocket::Address ip;
  if (host.empty() || !PIPSocket::GetHostAddress(PString(host), ip) || !ip.IsValid()) return false;
  out.ip = ntohl(ip.GetNetworkOrder());
  out.port = port;
  return true;
}

// The address of the local interface that datagrams to `remote` leave from (a connected
// UDP socket sends nothing); loopback when the routing cannot tell.
uint32_t LocalInterfaceFor(const ras::RasAddress& remote) {
  uint32_t local = TcpAddress::kLoopback;
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return local;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(remote.ip);
  to.sin_port = htons(remote.port);
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0 && bound.sin_addr.s_addr != 0) {
    local = ntohl(bound.sin_addr.s_addr);
  }
  ::close(fd);
  return local;
}

ras::GatekeeperSettings SettingsFor(const H323EndPoint& endpoint, const H323Transport* transport) {
  ras::GatekeeperSettings settings;
  for (const H323AliasAddress& alias : endpoint.GetAliases()) {
    if (alias.kind == H323AliasAddress::e_h323_ID) settings.aliases.push_back(alias.value.str());
  }
  settings.password = endpoint.GetGatekeeperPassword().str();
  H323SetVendorIdentifier(settings.vendor);
  const uint32_t localIp = transport != nullptr ? transport->GetLocalTransport().ip : 0;
  settings.callSignalAddress = ras::RasAddress{localIp != 0 ? localIp : TcpAddress::kLoopback,
                                               endpoint.GetListenerPort()};
  return settings;
}

}  // namespace

H323Gatekeeper::H323Gatekeeper(H323EndPoint& endpoint, H323Transport* transport)
    : H323Gatekeeper(SettingsFor(endpoint, transport)) {
  endpoint_ = &endpoint;
  onDisengage_ = [this, &endpoint](const H225_DisengageRequest& drq) {
    const std::string callId = drq.HasOptionalField(H225_DisengageRequest::e_callIdentifier)
                                   ? std::string(drq.m_callIdentifier.m_guid.GetValue().begin(),
                                                 drq.m_callIdentifier.m_guid.GetValue().end())
                                   : std::string();
    const std::string conferenceId(drq.m_conferenceID.GetValue().begin(), drq.m_conferenceID.GetValue().end());
    endpoint.OnGatekeeperDisengage(*this, callId, conferenceId, static_cast<unsigned>(drq.m_callReferenceValue.GetValue()));
  };
}

void H323EndPoint::OnGatekeeperDisengage(const H323Gatekeeper& client, const std::string& callId,
                                         const std::string& conferenceId, unsigned callReference) {
  std::shared_ptr<H323GatekeeperAdmission> admission;
  {
    std::lock_guard lock(m_gatekeeperMutex);
    admission = m_gatekeeperAdmission;
  }
  if (!admission) return;
  const PString token = admission->OnGatekeeperDisengage(client, callId, conferenceId, callReference);
  if (token.IsEmpty()) return;
  std::shared_ptr<H323Connection> connection = FindConnection(token);
  if (!connection) return;
  connection->ClearCall(H323Connection::EndedByGatekeeper);
  // The clearing's own time-out bounds the wait; a little more lets it act on it.
  const auto limit = GetEndSessionTimeout().AsDuration() + kCleanerLongestWait + kCleanerTick * 4;
  connection->WaitReleaseSent(std::chrono::steady_clock::now() + limit);
}

void H323EndPoint::SetGatekeeperPassword(const PString& password) {
  std::lock_guard lock(m_gatekeeperMutex);
  m_gatekeeperPassword = password;
}

PString H323EndPoint::GetGatekeeperPassword() const {
  std::lock_guard lock(m_gatekeeperMutex);
  return m_gatekeeperPassword;
}

std::shared_ptr<H323GatekeeperAdmission> H323EndPoint::GatekeeperAdmission() {
  std::lock_guard lock(m_gatekeeperMutex);
  if (!m_gatekeeperAdmission) {
    m_gatekeeperAdmission = std::make_shared<H323GatekeeperAdmission>(GetCallAdmission());
    SetCallAdmission(m_gatekeeperAdmission.get());
  }
  return m_gatekeeperAdmission;
}

bool H323EndPoint::SetGatekeeper(const PString& address, H323Transport* transport) {
  std::shared_ptr<H323Transport> owned(transport);
  ras::RasAddress gatekeeper;
  if (!ResolveGatekeeper(address.str(), gatekeeper)) return false;
  if (!owned) {
    owned = std::make_shared<H323Transport>();
    owned->SetAddresses(TcpAddress{LocalInterfaceFor(gatekeeper), 0}, TcpAddress{gatekeeper.ip, gatekeeper.port});
  }
  std::shared_ptr<H323Gatekeeper> client(CreateGatekeeper(owned.get()));
  if (!client) client = std::make_shared<H323Gatekeeper>(*this, owned.get());
  uint32_t localIp = owned->GetLocalTransport().ip;
  if (localIp == 0) localIp = LocalInterfaceFor(gatekeeper);
  if (!client->Open(ras::RasAddress{localIp, 0})) return false;

  std::shared_ptr<H323GatekeeperAdmission> admission = GatekeeperAdmission();
  if (std::shared_ptr<H323Gatekeeper> previous = admission->Install(client, owned)) {
    if (previous->IsRegistered()) previous->Unregister();
    previous->Stop();
  }
  const bool registered = client->DiscoverAndRegister(gatekeeper);
  if (registered && admission->Current() == client) return true;
  // Failed, or removed meanwhile: this client goes with the last reference to it.
  admission->Remove(client.get());
  client->Stop();
  return false;
}

bool H323EndPoint::RemoveGatekeeper(int reason) { return RemoveGatekeeper(reason, std::chrono::milliseconds(0)); }

bool H323EndPoint::RemoveGatekeeper(int reason, std::chrono::milliseconds limit) {
  std::shared_ptr<H323GatekeeperAdmission> admission;
  {
    std::lock_guard lock(m_gatekeeperMutex);
    admission = m_gatekeeperAdmission;
  }
  if (!admission) return false;
  ClearAllCalls(reason < 0 ? H323Connection::EndedByLocalUser : static_cast<H323Connection::CallEndReason>(reason),
                true);
  std::shared_ptr<H323Gatekeeper> client = admission->Remove();
  if (!client) return false;
  if (client->IsRegistered()) {
    if (limit.count() > 0)
      client->UnregisterWithin(limit);
    else
      client->Unregister();
  }
  client->Stop();
  return true;
}

H323Gatekeeper* H323EndPoint::GetGatekeeper() const {
  std::lock_guard lock(m_gatekeeperMutex);
  return m_gatekeeperAdmission ? m_gatekeeperAdmission->Current().get() : nullptr;
}

bool H323EndPoint::IsRegistered() const {
  std::shared_ptr<H323Gatekeeper> client;
  {
    std::lock_guard lock(m_gatekeeperMutex);
    if (m_gatekeeperAdmission) client = m_gatekeeperAdmission->Current();
  }
  return client && client->IsRegistered();
}
