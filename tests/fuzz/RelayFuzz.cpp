// Fuzz target: the relay server's answers as the relay client reads them (the search's
// acceptance and the grant of a port pair).

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/RelayProtocol.h"
#include "tests/fuzz/FuzzSeeds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::vector<fuzz::Bytes> seeds;
  for (const char* text : {"OK TRUE", "TRUE", "GRANT x 192.0.2.7 40000 40001", "OK 1 127.0.0.9 5000 5001 extra",
                           "GRANT a 10.0.0.1 65535 0"}) {
    seeds.emplace_back(text, text + std::string(text).size());
  }
  fuzz::WriteSeedsWhenAsked(seeds);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t limit = kRelayReplyBufferBytes;  // what one read takes
  if (size > limit) size = limit;
  char reply[kRelayReplyBufferBytes] = {};
  std::copy(data, data + size, reply);
  RelayGrant grant;
  (void)ParseRelayGrant(reply, size, grant);
  (void)IsRelayGrqAccepted(CString(std::string(reply, size).c_str()));
  return 0;
}
