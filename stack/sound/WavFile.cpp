#include "stack/sound/WavFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

constexpr uint16_t kFormatPcm = 1;

}  // namespace

bool ParseWav(const std::vector<uint8_t>& bytes, WavAudio& audio, std::string& error) {
  const size_t n = bytes.size();
  const uint8_t* b = bytes.data();
  if (n < 12 || std::string(b, b + 4) != "RIFF" || std::string(b + 8, b + 12) != "WAVE") {
    error = "not a RIFF/WAVE file";
    return false;
  }
  bool haveFormat = false;
  WavAudio result;
  size_t pos = 12;
  while (pos + 8 <= n) {
    const std::string tag(b + pos, b + pos + 4);
    const uint32_t size = Le32(b + pos + 4);
    const size_t body = pos + 8;
    if (size > n - body) {
      // A truncated data chunk still plays what is there; any other chunk is damage.
      if (tag != "data" || !haveFormat) {
        error = "chunk '" + tag + "' runs past the end of the file";
        return false;
      }
    }
    const size_t available = std::min<size_t>(size, n - body);
    if (tag == "fmt ") {
      if (size < 16) {
        error = "format chunk too short";
        return false;
      }
      const uint16_t format = Le16(b + body);
      result.channels = Le16(b + body + 2);
      result.sampleRate = Le32(b + body + 4);
      const uint16_t bits = Le16(b + body + 14);
      if (format != kFormatPcm || bits != 16) {
        error = "only 16-bit PCM is supported (format " + std::to_string(format) + ", " +
                std::to_string(bits) + " bits)";
        return false;
      }
      if (result.channels == 0 || result.channels > 8 || result.sampleRate == 0 || result.sampleRate > 192000) {
        error = "unusable channel count or sample rate";
        return false;
      }
      haveFormat = true;
    } else if (tag == "data") {
      if (!haveFormat) {
        error = "data chunk before the format chunk";
        return false;
      }
      const size_t frameBytes = 2u * result.channels;
      const size_t count = available / frameBytes * result.channels;
      result.samples.resize(count);
      for (size_t i = 0; i < count; ++i) result.samples[i] = static_cast<int16_t>(Le16(b + body + 2 * i));
      audio = std::move(result);
      return true;
    }
    pos = body + available + (size & 1u);
  }
  error = haveFormat ? "no data chunk" : "no format chunk";
  return false;
}

bool ReadWavFile(const std::string& path, WavAudio& audio, std::string& error, uint64_t maxBytes) {
  // Only a regular file is read, and opening never waits: a FIFO or a device in a sound
  // file's place would otherwise hold the player (and the window that started it) for ever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = "cannot open " + path;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    error = "not a regular file: " + path;
    return false;
  }
  if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > maxBytes) {
    ::close(fd);
    error = "file too large: " + path;
    return false;
  }
  // What the file held when it was opened; a file that shrinks meanwhile gives less.
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      error = "cannot read " + path;
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  if (!ParseWav(bytes, audio, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

std::vector<uint8_t> EncodeWav(const WavAudio& audio) {
  const uint32_t dataBytes = static_cast<uint32_t>(audio.samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes);
  PutTag(out, "RIFF");
  Put32(out, 36 + dataBytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, kFormatPcm);
  Put16(out, static_cast<uint16_t>(audio.channels));
  Put32(out, audio.sampleRate);
  Put32(out, audio.sampleRate * audio.channels * 2);
  Put16(out, static_cast<uint16_t>(audio.channels * 2));
  Put16(out, 16);
  PutTag(out, "data");
  Put32(out, dataBytes);
  for (int16_t s : audio.samples) Put16(out, static_cast<uint16_t>(s));
  return out;
}
