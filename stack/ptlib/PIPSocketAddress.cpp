#include <arpa/inet.h>

#include <cstring>

#include "stack/ptlib/PIPSocket.h"

PIPSocket::Address::Address(const char* dotted) {
  in_addr a{};
  if (dotted != nullptr && inet_pton(AF_INET, dotted, &a) == 1) *this = Address(a);
}

PIPSocket::Address::Address(const in_addr& a) { std::memcpy(m_octets.data(), &a.s_addr, 4); }

PIPSocket::Address PIPSocket::Address::FromNetworkOrder(uint32_t value) {
  in_addr a{};
  a.s_addr = value;
  return Address(a);
}

uint32_t PIPSocket::Address::GetNetworkOrder() const {
  uint32_t v = 0;
  std::memcpy(&v, m_octets.data(), 4);
  return v;
}

in_addr PIPSocket::Address::AsInAddr() const {
  in_addr a{};
  a.s_addr = GetNetworkOrder();
  return a;
}

PString PIPSocket::Address::AsString() const {
  return psprintf("%u.%u.%u.%u", m_octets[0], m_octets[1], m_octets[2], m_octets[3]);
}

bool PIPSocket::Address::IsValid() const { return !IsAny() && *this != GetBroadcast(); }
