// Fuzz target: the user profile's four files as the program loads them at start (and
// writes them back at the end).  The input is a list of pieces (FuzzSeeds.h), one per
// file in the order audio.dat, ui.dat, client.dat, calls.dat; a file without a piece is
// missing.

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "engine/CUserProfile.h"
#include "tests/fuzz/FuzzSeeds.h"
#include "tests/fuzz/TempDir.h"

namespace {

const char* const kFiles[] = {"audio.dat", "ui.dat", "client.dat", "calls.dat"};

ProfileServices Offline() {
  ProfileServices services;
  services.lookupIPv4 = [](const char*, CString&) { return FALSE; };
  services.defaultSoundDevice = [](SoundDirection) { return CString("default"); };
  return services;
}

fuzz::Bytes ReadFile(const std::string& path) {
  fuzz::Bytes bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::getenv("VARLO_FUZZ_SEEDS") == nullptr) return 0;
  // Profiles as the program saves them: defaults, and one with every list and secret.
  std::vector<fuzz::Bytes> seeds;
  for (int filled = 0; filled < 2; ++filled) {
    const std::string dir = fuzz::TempDir() + "/seed" + std::to_string(filled) + "/";
    mkdir(dir.c_str(), 0700);
    {
      CUserProfile profile(dir.c_str(), Offline());
      if (filled) {
        profile.m_keepPassword = profile.m_keepPin = TRUE;
        profile.m_account = "0123456789";
        profile.m_password = "secret";
        profile.m_pin = "4321";
        profile.m_windowLeft = -20;
        for (const char* number : {"5551234", "0044 20 7946 0000", "#31#"}) profile.m_dialHistory.Add(number);
        profile.m_playDevice = "varlo_out_a";
      }
    }
    fuzz::Bytes seed;
    for (const char* name : kFiles) fuzz::Pieces::Append(seed, ReadFile(dir + name));
    seeds.push_back(seed);
  }
  fuzz::WriteSeedsWhenAsked(seeds);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dir = fuzz::TempDir() + "/profile/";
  mkdir(dir.c_str(), 0700);
  fuzz::Pieces pieces(data, size);
  for (const char* name : kFiles) {
    const std::string path = dir + name;
    fuzz::Bytes piece;
    if (pieces.Next(piece)) {
      fuzz::WriteFile(path, piece.data(), piece.size());
    } else {
      unlink(path.c_str());
    }
  }
  CUserProfile profile(dir.c_str(), Offline());
  (void)profile.m_dialHistory.GetSize();
  return 0;
}
