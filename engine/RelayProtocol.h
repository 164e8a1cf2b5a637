// The service's media-relay protocol: ASCII datagrams to UDP port 2002 of a relay server.
//   "GRQ <token> <check> <local addresses...>"  find a relay; the reply accepts or refuses
//   "ARQ <token> <check>"                       ask for a port pair; the reply grants one
//   "DRQ <token>"                               release the session (sent twice, no reply)
// This file holds the texts and the parsing; RelayClient does the exchanges.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/CRandom15.h"
#include "platform/core/CString.h"

constexpr int kRelayServerPort = 2002;
constexpr int kRelayReplyBufferBytes = 256;
constexpr int kRelayTokenDigits = 32;
constexpr int kRelayPunchBytes = 16;
constexpr int kRelayMaxAddresses = 20;
// Salt appended to the token before hashing it into the check value.
constexpr const char* kRelayCheckSalt = "www.qelvorn.xqz";

// A new session token: the decimal renderings of successive generator values appended
// until there are at least 32 digits, then cut to 32.
CString MakeRelayToken(CRandom15& random);
// 32 lower-case hex digits: MD5 of token + salt.
CString RelayCheckValue(const CString& token);

CString FormatRelayGrq(const CString& token, const CString& check,
                       const std::vector<CString>& localAddresses);
CString FormatRelayArq(const CString& token, const CString& check);
CString FormatRelayDrq(const CString& token);

// A GRQ reply accepts when the first "TRUE" in the upper-cased text stands after its first
// character; a reply that begins with it refuses, whatever follows.
bool IsRelayGrqAccepted(const CString& reply);

// What an ARQ reply grants: words 3, 4 and 5 of the reply are the relay's dotted IPv4
// address, its RTP port and its RTCP port.
struct RelayGrant {
  CString address;
  int octets[4] = {0, 0, 0, 0};
  int rtpPort = 0;
  int rtcpPort = 0;
};
// Parses an ARQ reply of `length` bytes (not NUL-terminated).  Fewer than five words, an
// address that is not a dotted quad, or a port outside 1..65535 is no grant: the reply is
// then refused rather than relaying media to a made-up address.
bool ParseRelayGrant(const char* reply, std::size_t length, RelayGrant& grant);

// Index of the next server to try among `untried` servers, from one generator value.
int PickRelayServerIndex(int randomValue, int untried);
// An even local RTP port from 1024 to 61024, from one generator value.
int RelayLocalPort(int randomValue);
