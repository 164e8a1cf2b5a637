#pragma once
// A read-only registry: the few keys the program reads, answered by this layer from the
// desktop rather than from a store.  Each key has one value, its default (unnamed) one,
// of type REG_SZ:
//   HKEY_CLASSES_ROOT "htmlfile\shell\open\command"  "<xdg-open's path>" "%1", when the
//       desktop's opener is on PATH;
//   HKEY_CLASSES_ROOT "chm.file\shell\open\command"  the same, when the desktop has a
//       program for compiled help files (xdg-mime);
// and whatever other parts of the program add with SetRegistryAnswer.  A key without an
// answer does not exist.  Key names are compared without regard to case; opening a key for
// writing is refused.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/ErrorCodes.h"
#include "platform/win/WinTypes.h"

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000000));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000001));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000002));

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_SZ = 1;

LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result);
// Value index 0 is the key's default value: an empty name.
LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameChars, DWORD* reserved, DWORD* type,
                   BYTE* data, DWORD* dataBytes);
// A null or empty name is the default value.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataBytes);
LONG RegCloseKey(HKEY key);
inline LONG RegOpenKeyEx(HKEY root, const char* subKey, DWORD options, REGSAM access, HKEY* result) {
  return RegOpenKeyExA(root, subKey, options, access, result);
}
inline LONG RegEnumValue(HKEY key, DWORD index, char* valueName, DWORD* valueNameChars, DWORD* reserved, DWORD* type,
                         BYTE* data, DWORD* dataBytes) {
  return RegEnumValueA(key, index, valueName, valueNameChars, reserved, type, data, dataBytes);
}
inline LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                            DWORD* dataBytes) {
  return RegQueryValueExA(key, valueName, reserved, type, data, dataBytes);
}

namespace varlo::win {

// Answers a key's default value at each opening (nullopt: the key does not exist).
void SetRegistryAnswer(HKEY root, const std::string& subKey, std::function<std::optional<std::string>()> answer);
// The viewer programs the registry names now (the opener's path): WinExec takes such a
// path at the start of a command line as one program name even when it holds blanks.
std::vector<std::string> RegisteredViewerPaths();

}  // namespace varlo::win
