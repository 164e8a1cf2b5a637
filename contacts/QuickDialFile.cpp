#include "contacts/QuickDialFile.h"

#include "platform/core/CFile.h"
#include "platform/core/CFileException.h"

namespace quickdial {
namespace {

constexpr int kLines = 2 * kQuickDialSlots;
constexpr mode_t kFilePermissions = 0600;  // the names and numbers are the user's alone
constexpr const char kLineEnd[] = "\r\r\n";

// At most kMaxText bytes of text, cut before a UTF-8 character that would not fit whole.
std::string Bounded(std::string text) {
  if (static_cast<int>(text.size()) <= kMaxText) return text;
  size_t cut = kMaxText;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

// Splits bytes into the file's lines, fed in pieces of any size.
class LineSplitter {
 public:
  // FALSE once every line the file holds has been taken.
  bool Feed(std::string_view bytes) {
    for (char c : bytes) {
      if (m_done >= kLines) return false;
      if (c == '\n') {
        EndLine();
      } else if (c != '\r' && static_cast<int>(m_line.size()) <= kMaxText) {
        // One byte beyond the limit is kept to see whether the cut splits a character.
        m_line += c;
      }
    }
    return m_done < kLines;
  }

  QuickDialSlots Finish() {
    if (!m_line.empty()) EndLine();  // a last line without its line end
    return m_slots;
  }

 private:
  void EndLine() {
    if (m_done < kLines) {
      QuickDialSlot& slot = m_slots[m_done / 2];
      (m_done % 2 == 0 ? slot.name : slot.number) = CString(Bounded(std::move(m_line)));
      ++m_done;
    }
    m_line.clear();
  }

  QuickDialSlots m_slots{};
  std::string m_line;
  int m_done = 0;
};

}  // namespace

CString FilePath(const CString& directory) {
  CString path;
  path.Format("%s%s", directory.GetString(), kFileName);
  return path;
}

QuickDialSlots Parse(std::string_view bytes) {
  LineSplitter splitter;
  splitter.Feed(bytes);
  return splitter.Finish();
}

std::string Format(const QuickDialSlots& slots) {
  std::string bytes;
  for (const QuickDialSlot& slot : slots) {
    bytes += Bounded(slot.name.Str());
    bytes += kLineEnd;
    bytes += Bounded(slot.number.Str());
    bytes += kLineEnd;
  }
  return bytes;
}

QuickDialSlots Read(const CString& path) {
  LineSplitter splitter;
  CFile file;
  if (!file.Open(path, CFile::modeRead)) return splitter.Finish();
  try {
    char buffer[4096];
    for (;;) {
      const UINT got = file.Read(buffer, sizeof(buffer));
      if (got == 0 || !splitter.Feed(std::string_view(buffer, got))) break;
    }
  } catch (const CFileException&) {
    // A damaged file keeps what was read before the damage.
  }
  file.Close();
  return splitter.Finish();
}

BOOL Write(const CString& path, const QuickDialSlots& slots) {
  const std::string bytes = Format(slots);
  CFile file;
  if (!file.Open(path, CFile::modeCreate | CFile::modeWrite, nullptr, kFilePermissions)) return FALSE;
  try {
    file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
  } catch (const CFileException&) {
    file.Abort();
    return FALSE;
  }
  return file.Close();
}

}  // namespace quickdial
