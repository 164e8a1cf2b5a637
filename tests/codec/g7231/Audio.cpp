#include "tests/codec/g7231/Audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "codec/g7231/G7231Decoder.h"
#include "codec/g7231/G7231Encoder.h"
#include "codec/g7231/State.h"

namespace g7231test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "g7231-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  char* made = mkdtemp(buf.data());
  dir_ = made ? made : tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

int Run(const std::string& command) {
  const int rc = std::system(command.c_str());
  if (rc == -1 || !WIFEXITED(rc)) return -1;
  return WEXITSTATUS(rc);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const void* data, std::size_t size) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

Samples ReadSamples(const std::string& path) {
  const Bytes b = ReadFile(path);
  Samples s(b.size() / 2);
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<std::int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
  return s;
}

void WriteSamples(const std::string& path, const Samples& s) {
  Bytes b(s.size() * 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    b[2 * i] = static_cast<std::uint8_t>(s[i] & 0xFF);
    b[2 * i + 1] = static_cast<std::uint8_t>((s[i] >> 8) & 0xFF);
  }
  WriteFile(path, b.data(), b.size());
}

const Samples& Speech() {
  static const Samples speech = [] {
    TempDir dir;
    const std::string wav = dir.Path("speech.wav");
    const std::string raw = dir.Path("speech.raw");
    const std::string cmd =
        "espeak-ng -w '" + wav +
        "' 'The quick brown fox jumps over the lazy dog. Please call me back when you get "
        "this message.' >/dev/null 2>&1 && sox '" + wav +
        "' -r 8000 -c 1 -b 16 -e signed-integer -t raw '" + raw + "' >/dev/null 2>&1";
    if (Run(cmd) != 0) return Samples();
    Samples s = ReadSamples(raw);
    s.resize(s.size() / 240 * 240);
    return s;
  }();
  return speech;
}

namespace {
const char* kFfmpeg = "ffmpeg -hide_banner -nostdin -loglevel error -y ";
}

bool PeerDecode(const std::string& dir, const Bytes& stream, bool postfilter, Samples* out) {
  const std::string in = dir + "/peer_in.bit";
  const std::string res = dir + "/peer_out.raw";
  const std::string err = dir + "/peer_err.txt";
  WriteFile(in, stream.data(), stream.size());
  const std::string cmd = std::string(kFfmpeg) + "-postfilter " + (postfilter ? "1" : "0") +
                          " -f g723_1 -i '" + in + "' -f s16le '" + res + "' 2>'" + err + "'";
  if (Run(cmd) != 0) return false;
  if (!ReadFile(err).empty()) return false;  // any complaint counts as a failure
  *out = ReadSamples(res);
  return true;
}

bool PeerEncode(const std::string& dir, const Samples& in, Bytes* stream) {
  const std::string raw = dir + "/peer_in.raw";
  const std::string res = dir + "/peer_out.bit";
  WriteSamples(raw, in);
  const std::string cmd = std::string(kFfmpeg) + "-f s16le -ar 8000 -ac 1 -i '" + raw +
                          "' -c:a g723_1 -b:a 6300 -f g723_1 '" + res + "'";
  if (Run(cmd) != 0) return false;
  *stream = ReadFile(res);
  return !stream->empty();
}

Bytes EncodeAll(const Samples& in, bool rate53) {
  g7231::WrkRate = rate53 ? g7231::Rate53 : g7231::Rate63;
  g7231::G7231Encoder enc;
  Bytes out;
  std::uint8_t frame[24];
  for (std::size_t i = 0; i + 240 <= in.size(); i += 240) {
    const std::size_t n = enc.Encode(&in[i], frame);
    out.insert(out.end(), frame, frame + n);
  }
  g7231::WrkRate = g7231::Rate63;
  return out;
}

Samples DecodeAll(const Bytes& stream) {
  g7231::G7231Decoder dec;
  Samples out;
  std::int16_t pcm[240];
  for (std::size_t p = 0; p < stream.size();) {
    p += dec.Decode(&stream[p], stream.size() - p, pcm);
    out.insert(out.end(), pcm, pcm + 240);
  }
  g7231::WrkRate = g7231::Rate63;
  return out;
}

std::vector<int> FrameTypes(const Bytes& stream) {
  std::vector<int> types;
  static constexpr std::size_t kLen[4] = {24, 20, 4, 1};
  for (std::size_t p = 0; p < stream.size(); p += kLen[stream[p] & 3]) types.push_back(stream[p] & 3);
  return types;
}

double SegmentalSnr(const Samples& ref, const Samples& out, int* delay) {
  double best = -1e9;
  int bestDelay = 0;
  for (int d = 0; d <= 200; ++d) {
    double sum = 0;
    int count = 0;
    for (std::size_t f = 0; (f + 1) * 240 + d <= std::min(ref.size() + d, out.size()); ++f) {
      double s = 0, e = 0;
      for (std::size_t i = f * 240; i < (f + 1) * 240 && i < ref.size(); ++i) {
        const double x = ref[i];
        const double y = out[i + d];
        s += x * x;
        e += (x - y) * (x - y);
      }
      if (s < 240.0 * 300 * 300) continue;  // below about -40 dBFS: not speech
      sum += 10 * std::log10(s / std::max(e, 1.0));
      ++count;
    }
    const double seg = count ? sum / count : -1e9;
    if (seg > best) {
      best = seg;
      bestDelay = d;
    }
  }
  if (delay) *delay = bestDelay;
  return best;
}

double LevelDb(const Samples& s, std::size_t begin, std::size_t end) {
  double e = 0;
  end = std::min(end, s.size());
  for (std::size_t i = begin; i < end; ++i) e += static_cast<double>(s[i]) * s[i];
  const double rms = std::sqrt(e / std::max<std::size_t>(1, end - begin));
  return 20 * std::log10(std::max(rms, 1e-3) / 32768.0);
}

}  // namespace g7231test
