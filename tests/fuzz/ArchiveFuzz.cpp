// Fuzz target: the archive reader on a damaged or hostile file.  The first byte of the
// input is the reader's buffer size; each following byte picks the next value to read
// (byte, word, 32-bit word, signed word, string or raw bytes) until the data runs out.

#include <cstddef>
#include <cstdint>

#include "platform/core/CArchive.h"
#include "tests/fuzz/FuzzSeeds.h"
#include "tests/fuzz/TempDir.h"

namespace {

// An archive as the program stores one: words and strings of every length class.
fuzz::Bytes StoredArchive(const std::string& path) {
  {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite)) std::abort();
    CArchive ar(&file, CArchive::store);
    ar << DWORD{7} << LONG{-3} << CString("short") << WORD{2} << CString(std::string(300, 'x').c_str()) << BYTE{1};
    ar.Close();
    file.Close();
  }
  FILE* f = std::fopen(path.c_str(), "rb");
  fuzz::Bytes bytes;
  for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::getenv("VARLO_FUZZ_SEEDS") != nullptr) {
    const fuzz::Bytes stored = StoredArchive(fuzz::TempDir() + "/stored");
    std::vector<fuzz::Bytes> seeds;
    for (const fuzz::Bytes& plan : {fuzz::Bytes{64, 2, 3, 4, 1, 4, 0}, fuzz::Bytes{7, 4, 4, 4, 5, 5}}) {
      fuzz::Bytes seed = plan;
      seed.push_back(0xEE);  // end of the plan
      seed.insert(seed.end(), stored.begin(), stored.end());
      seeds.push_back(seed);
    }
    const uint8_t wide[] = {8, 4, 4, 0xEE, 0xFF, 0xFE, 0xFF, 3, 'a', 0, 0x3B, 0xD8, 0x00, 0xDC, 0xFF, 0xFF, 0xFF, 0x7F};
    seeds.emplace_back(wide, wide + sizeof wide);
    fuzz::WriteSeedsWhenAsked(seeds);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int bufferSize = 1 + data[0];
  size_t planEnd = 1;
  while (planEnd < size && data[planEnd] != 0xEE && planEnd < 64) ++planEnd;
  const size_t fileStart = planEnd < size ? planEnd + 1 : size;
  const std::string path = fuzz::TempDir() + "/archive";
  fuzz::WriteFile(path, data + fileStart, size - fileStart);
  CFile file;
  if (!file.Open(path.c_str(), CFile::modeRead)) return 0;
  try {
    CArchive ar(&file, CArchive::load, bufferSize);
    for (size_t i = 1; i < planEnd; ++i) {
      switch (data[i] % 6) {
        case 0: { BYTE v; ar >> v; break; }
        case 1: { WORD v; ar >> v; break; }
        case 2: { DWORD v; ar >> v; break; }
        case 3: { LONG v; ar >> v; break; }
        case 4: { CString v; ar >> v; (void)v.GetLength(); break; }
        default: { uint8_t raw[300]; (void)ar.Read(raw, data[i]); break; }
      }
      (void)ar.BytesLeft();
    }
    ar.Close();
  } catch (const CException&) {
  }
  file.Close();
  return 0;
}
