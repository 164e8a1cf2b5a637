#include "engine/HostLookup.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>

std::vector<CString> LookupIPv4All(const char* host, std::size_t limit) {
  std::vector<CString> out;
  if (host == nullptr || *host == '\0' || limit == 0) return out;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* answer = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &answer) != 0 || answer == nullptr) return out;
  for (const addrinfo* a = answer; a != nullptr && out.size() < limit; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addr == nullptr) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    const auto* b = reinterpret_cast<const unsigned char*>(&in->sin_addr.s_addr);
    CString dotted;
    dotted.Format("%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    if (std::find(out.begin(), out.end(), dotted) == out.end()) out.push_back(dotted);
  }
  ::freeaddrinfo(answer);
  return out;
}

BOOL LookupIPv4(const char* host, CString& dotted) {
  std::vector<CString> all = LookupIPv4All(host, 1);
  if (all.empty()) return FALSE;
  dotted = all.front();
  return TRUE;
}
