#pragma once
// MD5 (RFC 1321), for the H.235 password hash of RAS messages.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ras {

std::array<uint8_t, 16> Md5(const uint8_t* data, size_t size);
inline std::array<uint8_t, 16> Md5(const std::vector<uint8_t>& data) {
  return Md5(data.data(), data.size());
}
inline std::array<uint8_t, 16> Md5(std::string_view text) {
  return Md5(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace ras
