#include "engine/HostLookup.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

BOOL LookupIPv4(const char* host, CString& dotted) {
  if (host == nullptr || *host == '\0') return FALSE;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* answer = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &answer) != 0 || answer == nullptr) return FALSE;
  BOOL found = FALSE;
  for (const addrinfo* a = answer; a != nullptr; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addr == nullptr) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    const auto* b = reinterpret_cast<const unsigned char*>(&in->sin_addr.s_addr);
    dotted.Format("%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    found = TRUE;
    break;
  }
  ::freeaddrinfo(answer);
  return found;
}
