#include "stack/q931/TcpAddress.h"

#include <charconv>

namespace {

bool ParseNumber(std::string_view text, unsigned max, unsigned& value) {
  if (text.empty() || text.size() > 5) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value <= max;
}

}  // namespace

std::string TcpAddress::ToString() const {
  return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." + std::to_string((ip >> 8) & 0xFF) +
         "." + std::to_string(ip & 0xFF) + ":" + std::to_string(port);
}

std::optional<TcpAddress> TcpAddress::Parse(std::string_view text, uint16_t defaultPort) {
  TcpAddress result;
  result.port = defaultPort;
  if (const auto colon = text.find(':'); colon != std::string_view::npos) {
    unsigned port = 0;
    if (!ParseNumber(text.substr(colon + 1), 0xFFFF, port)) return std::nullopt;
    result.port = static_cast<uint16_t>(port);
    text = text.substr(0, colon);
  }
  for (int part = 0; part < 4; ++part) {
    const auto dot = text.find('.');
    if ((part < 3) == (dot == std::string_view::npos)) return std::nullopt;
    unsigned octet = 0;
    if (!ParseNumber(text.substr(0, dot), 255, octet) || text.substr(0, dot).size() > 3) return std::nullopt;
    result.ip = (result.ip << 8) | octet;
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  }
  return result;
}

TcpAddress ToTcpAddress(const PIPSocket::Address& address, uint16_t port) {
  return TcpAddress{(uint32_t{address[0]} << 24) | (uint32_t{address[1]} << 16) | (uint32_t{address[2]} << 8) |
                        uint32_t{address[3]},
                    port};
}

PIPSocket::Address ToPIPSocketAddress(const TcpAddress& address) {
  return PIPSocket::Address(static_cast<uint8_t>(address.ip >> 24), static_cast<uint8_t>(address.ip >> 16),
                            static_cast<uint8_t>(address.ip >> 8), static_cast<uint8_t>(address.ip));
}
