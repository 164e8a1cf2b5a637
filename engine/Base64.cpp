#include "engine/Base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kLineLength = 1024;  // characters between line breaks

}  // namespace

int Base64EncodedLength(int count) {
  if (count <= 0) return 0;
  const int fullGroups = count / 3;
  const int breaks = fullGroups * 4 / kLineLength;
  return (count + 2) / 3 * 4 + 2 * breaks;
}

int Base64Encode(const BYTE* input, int count, char* output) {
  if (input == nullptr || count <= 0) return 0;
  int written = 0;
  int line = 0;
  int i = 0;
  for (; i + 3 <= count; i += 3) {
    const unsigned v = (unsigned{input[i]} << 16) | (unsigned{input[i + 1]} << 8) | input[i + 2];
    output[written++] = kAlphabet[(v >> 18) & 0x3F];
    output[written++] = kAlphabet[(v >> 12) & 0x3F];
    output[written++] = kAlphabet[(v >> 6) & 0x3F];
    output[written++] = kAlphabet[v & 0x3F];
    line += 4;
    if (line == kLineLength) {
      output[written++] = '\r';
      output[written++] = '\n';
      line = 0;
    }
  }
  const int rest = count - i;
  if (rest == 1) {
    const unsigned v = unsigned{input[i]} << 16;
    output[written++] = kAlphabet[(v >> 18) & 0x3F];
    output[written++] = kAlphabet[(v >> 12) & 0x3F];
    output[written++] = '=';
    output[written++] = '=';
  } else if (rest == 2) {
    const unsigned v = (unsigned{input[i]} << 16) | (unsigned{input[i + 1]} << 8);
    output[written++] = kAlphabet[(v >> 18) & 0x3F];
    output[written++] = kAlphabet[(v >> 12) & 0x3F];
    output[written++] = kAlphabet[(v >> 6) & 0x3F];
    output[written++] = '=';
  }
  return written;
}
