#include "stack/ras/RasAddress.h"

#include <cstdio>

namespace ras {

std::string RasAddress::ToString() const {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%u.%u.%u.%u:%u", ip >> 24, (ip >> 16) & 255, (ip >> 8) & 255,
                ip & 255, port);
  return buf;
}

bool RasAddress::Parse(const std::string& text, uint16_t defaultPort, RasAddress& out) {
  unsigned a = 0, b = 0, c = 0, d = 0, port = defaultPort;
  char tail = 0;
  int n = std::sscanf(text.c_str(), "%u.%u.%u.%u:%u%c", &a, &b, &c, &d, &port, &tail);
  if (n != 4 && n != 5) return false;
  if (a > 255 || b > 255 || c > 255 || d > 255 || port == 0 || port > 65535) return false;
  out.ip = (a << 24) | (b << 16) | (c << 8) | d;
  out.port = static_cast<uint16_t>(port);
  return true;
}

void RasAddress::ToH225(H225_TransportAddress& addr) const {
  auto& v4 = addr.ipAddress();
  const uint8_t octets[4] = {static_cast<uint8_t>(ip >> 24), static_cast<uint8_t>(ip >> 16),
                             static_cast<uint8_t>(ip >> 8), static_cast<uint8_t>(ip)};
  v4.m_ip.SetValue(octets, 4);
  v4.m_port = port;
}

bool RasAddress::FromH225(const H225_TransportAddress& addr, RasAddress& out) {
  if (addr.GetTag() != H225_TransportAddress::e_ipAddress) return false;
  const auto& v4 = addr.ipAddress();
  const auto& o = v4.m_ip.GetValue();
  if (o.size() != 4) return false;
  out.ip = (uint32_t{o[0]} << 24) | (uint32_t{o[1]} << 16) | (uint32_t{o[2]} << 8) | o[3];
  out.port = static_cast<uint16_t>(v4.m_port.GetValue());
  return true;
}

}  // namespace ras
