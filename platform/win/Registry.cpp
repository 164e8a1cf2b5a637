#include "platform/win/Registry.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/win/Shell.h"

namespace varlo::win {
namespace {

struct OpenKey {
  std::string value;
};

// The opener's command, as the desktop's file types would give it; none without an opener
// or with one whose path would not read back through the quotes.
std::optional<std::string> OpenerCommand() {
  const std::string opener = FindProgram("xdg-open");
  if (opener.empty() || opener.find('"') != std::string::npos) return std::nullopt;
  return "\"" + opener + "\" \"%1\"";
}

bool DesktopOpensCompiledHelp() {
  const std::string mime = FindProgram("xdg-mime");
  if (mime.empty()) return false;
  for (const char* type : {"application/vnd.ms-htmlhelp", "application/x-chm"}) {
    std::string program;
    if (RunProgramForOutput(mime, {"query", "default", type}, 3000, program) &&
        program.find_first_not_of(" \t\r\n") != std::string::npos) {
      return true;
    }
  }
  return false;
}

struct Registry {
  std::mutex mutex;
  // Root and lower-case key name -> answer.
  std::map<std::pair<UINT_PTR, std::string>, std::function<std::optional<std::string>()>> answers;
  std::map<HKEY, std::unique_ptr<OpenKey>> open;
  UINT_PTR next = 0x40000000;
  Registry() {
    answers[{reinterpret_cast<UINT_PTR>(HKEY_CLASSES_ROOT), "htmlfile\\shell\\open\\command"}] = OpenerCommand;
    answers[{reinterpret_cast<UINT_PTR>(HKEY_CLASSES_ROOT), "chm.file\\shell\\open\\command"}] =
        []() -> std::optional<std::string> {
      if (!DesktopOpensCompiledHelp()) return std::nullopt;
      return OpenerCommand();
    };
  }
};

Registry& TheRegistry() {
  static Registry* const registry = new Registry();
  return *registry;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Copies the value's text and its terminating NUL as the registry's value functions do.
LONG CopyValue(const std::string& value, DWORD* type, BYTE* data, DWORD* dataBytes) {
  const DWORD needed = static_cast<DWORD>(value.size() + 1);
  if (type) *type = REG_SZ;
  if (!dataBytes) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  if (!data) {
    *dataBytes = needed;
    return ERROR_SUCCESS;
  }
  if (*dataBytes < needed) {
    *dataBytes = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, value.c_str(), needed);
  *dataBytes = needed;
  return ERROR_SUCCESS;
}

}  // namespace

void SetRegistryAnswer(HKEY root, const std::string& subKey, std::function<std::optional<std::string>()> answer) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.answers[{reinterpret_cast<UINT_PTR>(root), Lower(subKey)}] = std::move(answer);
}

std::vector<std::string> RegisteredViewerPaths() {
  const std::string opener = FindProgram("xdg-open");
  if (opener.empty()) return {};
  return {opener};
}

}  // namespace varlo::win

using varlo::win::TheRegistry;

LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD, REGSAM access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK)) return ERROR_ACCESS_DENIED;
  std::function<std::optional<std::string>()> answer;
  {
    auto& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.answers.find({reinterpret_cast<UINT_PTR>(root), varlo::win::Lower(subKey ? subKey : "")});
    if (it == r.answers.end()) return ERROR_FILE_NOT_FOUND;
    answer = it->second;
  }
  // Answered outside the lock: an answer may ask the desktop.
  std::optional<std::string> value = answer ? answer() : std::nullopt;
  if (!value) return ERROR_FILE_NOT_FOUND;
  auto& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const HKEY key = reinterpret_cast<HKEY>(r.next++);
  r.open.emplace(key, std::make_unique<varlo::win::OpenKey>(varlo::win::OpenKey{std::move(*value)}));
  *result = key;
  return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameChars, DWORD*, DWORD* type, BYTE* data,
                   DWORD* dataBytes) {
  auto& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.open.find(key);
  if (it == r.open.end()) return ERROR_INVALID_HANDLE;
  if (index > 0) return ERROR_NO_MORE_ITEMS;
  if (!valueName || !valueNameChars || *valueNameChars < 1) return ERROR_MORE_DATA;
  valueName[0] = '\0';
  *valueNameChars = 0;
  return varlo::win::CopyValue(it->second->value, type, data, dataBytes);
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* dataBytes) {
  auto& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.open.find(key);
  if (it == r.open.end()) return ERROR_INVALID_HANDLE;
  if (valueName && *valueName) return ERROR_FILE_NOT_FOUND;
  return varlo::win::CopyValue(it->second->value, type, data, dataBytes);
}

LONG RegCloseKey(HKEY key) {
  auto& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.open.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
