#include "engine/RelayProtocol.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/Md5.h"

CString MakeRelayToken(CRandom15& random) {
  std::string token;
  while (token.size() < static_cast<std::size_t>(kRelayTokenDigits)) token += std::to_string(random.Next());
  token.resize(kRelayTokenDigits);
  return CString(token.c_str());
}

CString RelayCheckValue(const CString& token) { return MD5HexString(token + kRelayCheckSalt); }

CString FormatRelayGrq(const CString& token, const CString& check,
                       const std::vector<CString>& localAddresses) {
  CString list;
  for (std::size_t i = 0; i < localAddresses.size() && i < static_cast<std::size_t>(kRelayMaxAddresses); ++i) {
    if (i) list += ' ';
    list += localAddresses[i];
  }
  return "GRQ " + token + " " + check + " " + list;
}

CString FormatRelayArq(const CString& token, const CString& check) { return "ARQ " + token + " " + check; }

CString FormatRelayDrq(const CString& token) { return "DRQ " + token; }

bool IsRelayGrqAccepted(const CString& reply) {
  CString upper = reply;
  upper.MakeUpper();
  return upper.Find("TRUE") >= 1;
}

namespace {

// A decimal number from 0 to `maxValue` that fills the whole text (at most five digits,
// so a long run of digits cannot overflow).
bool ParseDecimal(const std::string& text, int maxValue, int& value) {
  if (text.empty() || text.size() > 5) return false;
  long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > maxValue) return false;
  value = static_cast<int>(v);
  return true;
}

bool ParseDottedQuad(const std::string& text, int octets[4]) {
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    std::size_t dot = i < 3 ? text.find('.', start) : text.size();
    if (dot == std::string::npos) return false;
    if (!ParseDecimal(text.substr(start, dot - start), 255, octets[i])) return false;
    start = dot + 1;
  }
  return true;
}

}  // namespace

bool ParseRelayGrant(const char* reply, std::size_t length, RelayGrant& grant) {
  if (!reply) return false;
  // Words are the runs between single spaces; a reply that holds a NUL ends there.
  std::string text(reply, length);
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> words;
  std::size_t start = 0;
  while (words.size() < 5) {
    std::size_t space = text.find(' ', start);
    if (space == std::string::npos) {
      words.push_back(text.substr(start));
      break;
    }
    words.push_back(text.substr(start, space - start));
    start = space + 1;
  }
  if (words.size() < 5) return false;
  // The last word may carry the datagram's line end.
  words[4].erase(words[4].find_last_not_of(" \t\r\n") + 1);
  RelayGrant g;
  if (!ParseDottedQuad(words[2], g.octets)) return false;
  if (!ParseDecimal(words[3], 65535, g.rtpPort) || g.rtpPort == 0) return false;
  if (!ParseDecimal(words[4], 65535, g.rtcpPort) || g.rtcpPort == 0) return false;
  g.address = words[2].c_str();
  grant = g;
  return true;
}

int PickRelayServerIndex(int randomValue, int untried) {
  if (untried <= 0) return 0;
  int index = randomValue * untried / CRandom15::kMax;
  return index >= untried ? untried - 1 : index;
}

int RelayLocalPort(int randomValue) { return ((randomValue * 60000 / CRandom15::kMax + 1024) / 2) * 2; }
