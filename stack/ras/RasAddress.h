#pragma once
// An IPv4 transport address (address and UDP/TCP port) and its H.225.0 form.

#include <cstdint>
#include <string>

#include "stack/asn/H225.h"

namespace ras {

struct RasAddress {
  uint32_t ip = 0;  // host byte order: 127.0.0.1 is 0x7F000001
  uint16_t port = 0;

  bool IsValid() const { return ip != 0 && port != 0; }
  std::string ToString() const;  // "a.b.c.d:port"
  // "a.b.c.d" or "a.b.c.d:port" (then `defaultPort` is not used).
  static bool Parse(const std::string& text, uint16_t defaultPort, RasAddress& out);

  void ToH225(H225_TransportAddress& addr) const;
  // False when the H.225.0 address is not an IPv4 one.
  static bool FromH225(const H225_TransportAddress& addr, RasAddress& out);

  bool operator==(const RasAddress& o) const { return ip == o.ip && port == o.port; }
};

}  // namespace ras
