#pragma once
// An IPv4 address and TCP port, the address form call signalling uses.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "stack/ptlib/PIPSocket.h"

struct TcpAddress {
  static constexpr uint32_t kAny = 0;               // INADDR_ANY
  static constexpr uint32_t kLoopback = 0x7F000001;  // 127.0.0.1

  uint32_t ip = kAny;  // host byte order
  uint16_t port = 0;

  // "a.b.c.d:port".
  std::string ToString() const;
  // A dotted-quad address with an optional ":port"; `defaultPort` when the port is absent.
  // Nothing for anything else (host names are resolved by the caller).
  static std::optional<TcpAddress> Parse(std::string_view text, uint16_t defaultPort);

  bool operator==(const TcpAddress&) const = default;
};

// Between the class library's address and this form.
TcpAddress ToTcpAddress(const PIPSocket::Address& address, uint16_t port);
PIPSocket::Address ToPIPSocketAddress(const TcpAddress& address);
