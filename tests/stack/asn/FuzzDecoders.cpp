// libFuzzer target: the PER decoder of the RAS messages and of the call-signalling
// user-user information. The first octet picks the message type, the rest is the
// encoding. A value that decodes is also re-encoded and printed, as the stack would.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "stack/asn/H225.h"

namespace {

template <class Message>
void Exercise(const uint8_t* data, size_t size) {
  Message msg;
  if (!msg.Decode(data, size)) return;
  std::vector<uint8_t> again;
  (void)msg.Encode(again);
  (void)msg.ToJson();
  Message copy = msg;
  (void)copy.Encode(again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] & 1) {
    Exercise<H225_H323_UserInformation>(data + 1, size - 1);
  } else {
    Exercise<H225_RasMessage>(data + 1, size - 1);
  }
  return 0;
}
