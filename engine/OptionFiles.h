#pragma once
// The two small option files in the application directory, and the call options they
// carry into the endpoint.
//
// "Set.dat": exactly two characters, no line end.
//   byte 0  silence detection, '1' on, anything else off
//   byte 1  frames per packet, one decimal digit; '0' to '7' are taken as they stand,
//           any other byte (or none) gives 3
// A missing or empty file gives silence detection on and 4 frames.
//
// "Varlo.ini": one character, no line end: '0' English, '1' Simplified Chinese, '2' any
// other language.  When read, the first character of the first line counts: '0'
// "English", '1' "Simplify Chinese", anything else "Traditional Chinese"; a missing or
// empty file reads as "English".
//
// Reads never look past the bytes a file holds.  Writes replace the whole file through a
// temporary file; a write that fails leaves the previous file as it was and returns FALSE.

#include "platform/core/CString.h"
#include "platform/win/WinTypes.h"

class CPhoneEndPoint;

constexpr const char* kOptionFileName = "Set.dat";
constexpr const char* kLanguageIniName = "Varlo.ini";

// The language names as the Options page lists them.
constexpr const char* kLanguageEnglishName = "English";
constexpr const char* kLanguageSimplifiedName = "Simplify Chinese";
constexpr const char* kLanguageTraditionalName = "Traditional Chinese";

struct CallOptions {
  BOOL silenceDetection = TRUE;
  int framesPerPacket = 4;
};

// Frames per packet as they are written and applied: 1 to 7 as they stand, else 3.
int NormalFramesPerPacket(int frames);

// Fills `options` from the file.  FALSE (and the defaults, on and 4) when the file is
// missing, empty or unreadable.
BOOL ReadOptionFile(const CString& path, CallOptions& options);
// Writes the silence flag and the frames (normalised first).
BOOL WriteOptionFile(const CString& path, const CallOptions& options);

// One of the three language names.
CString ReadLanguageFile(const CString& path);
// '0' for "English", '1' for "Simplify Chinese", '2' for any other text.
char LanguageCodeOfName(const CString& name);
BOOL WriteLanguageFile(const CString& path, const CString& name);

// Adaptive or no silence detection for the audio codecs the endpoint opens from now on,
// and the frames per packet (normalised) on its GSM 06.10 and G.723.1 capabilities.
void ApplyCallOptions(CPhoneEndPoint& endpoint, const CallOptions& options);
// At start: the saved options, when "Set.dat" in `appDir` (ending in '/') holds any.
// Returns whether it did.
BOOL ApplySavedCallOptions(CPhoneEndPoint& endpoint, const CString& appDir);
