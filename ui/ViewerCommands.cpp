#include "ui/ViewerCommands.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/win/Registry.h"

namespace {

constexpr DWORD kValueNameChars = 16;

// The key's first value is a command such as "C:\path\viewer.exe" "%1": the program is
// what stands between the first character (the opening quote) and the next quote.
LONG ReadOpenCommand(const char* key, CString& out) {
  out.Empty();
  HKEY hKey = nullptr;
  LONG result = RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &hKey);
  if (result != ERROR_SUCCESS) return result;
  char name[kValueNameChars + 1] = {};
  DWORD nameChars = kValueNameChars;
  DWORD type = 0;
  DWORD size = 0;
  result = RegEnumValueA(hKey, 0, name, &nameChars, nullptr, &type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    std::vector<BYTE> data(size + 1, 0);
    nameChars = kValueNameChars;
    result = RegEnumValueA(hKey, 0, name, &nameChars, nullptr, &type, data.data(), &size);
    if (result == ERROR_SUCCESS) {
      const std::string text(reinterpret_cast<const char*>(data.data()));
      if (!text.empty()) {
        const size_t quote = text.find('"', 1);
        if (quote != std::string::npos) out = CString(text.substr(1, quote - 1).c_str());
      }
    }
  }
  RegCloseKey(hKey);
  return result;
}

}  // namespace

LONG GetHtmlOpenCommand(CString& out) { return ReadOpenCommand("htmlfile\\shell\\open\\command", out); }

LONG GetChmOpenCommand(CString& out) { return ReadOpenCommand("chm.file\\shell\\open\\command", out); }
