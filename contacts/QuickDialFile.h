// The quick-dial file "Quickdail.dat": ten text lines, the name and then the number of
// slots 1 to 5, each line ending CR CR LF.
//
// Writing replaces the file as a whole (a temporary file renamed over the old one), so a
// failed write leaves the previous slots on disk.  Reading takes lines ending in LF, CR LF
// or CR CR LF alike and keeps at most kMaxText bytes of each line (never half of a UTF-8
// character); the rest of a longer line is skipped, so it cannot shift the later slots.
// Missing lines, or a missing file, leave their slots empty.
#pragma once
#include <array>
#include <string>
#include <string_view>

#include "platform/core/CString.h"

struct QuickDialSlot {
  CString name;
  CString number;
  bool operator==(const QuickDialSlot&) const = default;
};

constexpr int kQuickDialSlots = 5;
using QuickDialSlots = std::array<QuickDialSlot, kQuickDialSlots>;

namespace quickdial {

constexpr const char kFileName[] = "Quickdail.dat";
// The longest name or number kept, in bytes.
constexpr int kMaxText = 124;

// The file's path in a directory given with its trailing separator.
CString FilePath(const CString& directory);

// The slots that the file's bytes hold.
QuickDialSlots Parse(std::string_view bytes);
// The file's bytes for the slots.
std::string Format(const QuickDialSlots& slots);

// Reads the file; a file that cannot be opened gives five empty slots, and a read error
// keeps the lines read before it.
QuickDialSlots Read(const CString& path);
// Writes the file; FALSE (and the previous file untouched) when it cannot be written.
BOOL Write(const CString& path, const QuickDialSlots& slots);

}  // namespace quickdial
