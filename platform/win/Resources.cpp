#include "platform/win/Resources.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "platform/win/GdiData.h"

namespace varlo::win {
namespace {

const res::ModuleData kEmptyModule{res::kModuleMagic, res::kModuleVersion, "", nullptr, 0, nullptr, 0,
                                   nullptr, 0, nullptr, 0};

struct ModuleRecord {
  const res::ModuleData* data = &kEmptyModule;
  void* library = nullptr;
  std::string path;
  std::map<std::pair<int, unsigned>, std::shared_ptr<const BitmapData>> images;
};

struct Registry {
  std::mutex mutex;
  ModuleRecord executable;
  std::set<ModuleRecord*> live;
  AFX_MODULE_STATE state;
  Registry() {
    live.insert(&executable);
    state.m_hCurrentInstanceHandle = Handle(&executable);
    state.m_hCurrentResourceHandle = Handle(&executable);
  }
  static HINSTANCE Handle(ModuleRecord* r) { return reinterpret_cast<HINSTANCE>(r); }
  ModuleRecord* Live(HINSTANCE h) {
    auto* r = reinterpret_cast<ModuleRecord*>(h);
    return live.count(r) ? r : nullptr;
  }
};

Registry& TheRegistry() {
  static Registry* const registry = new Registry();  // language libraries may outlive statics
  return *registry;
}

std::string ExecutableDir() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return ".";
  std::string s(path, static_cast<size_t>(n));
  const size_t slash = s.rfind('/');
  return slash == std::string::npos ? "." : s.substr(0, slash);
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace

void SetExecutableResources(const res::ModuleData* module) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.executable.data = module ? module : &kEmptyModule;
  r.executable.images.clear();
}

const res::ModuleData* ModuleTables(HINSTANCE module) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  ModuleRecord* rec = r.Live(module);
  return rec ? rec->data : nullptr;
}

HINSTANCE ExecutableModule() { return Registry::Handle(&TheRegistry().executable); }

const char* FindString(HINSTANCE module, UINT id) {
  const res::ModuleData* m = ModuleTables(module);
  if (!m) return nullptr;
  for (int i = 0; i < m->stringCount; ++i) {
    if (m->strings[i].id == id) return m->strings[i].text;
  }
  return nullptr;
}

const res::DialogEntry* FindDialog(HINSTANCE module, UINT id) {
  const res::ModuleData* m = ModuleTables(module);
  if (!m) return nullptr;
  for (int i = 0; i < m->dialogCount; ++i) {
    if (m->dialogs[i].id == id) return &m->dialogs[i];
  }
  return nullptr;
}

const res::MenuEntry* FindMenu(HINSTANCE module, UINT id) {
  const res::ModuleData* m = ModuleTables(module);
  if (!m) return nullptr;
  for (int i = 0; i < m->menuCount; ++i) {
    if (m->menus[i].id == id) return &m->menus[i];
  }
  return nullptr;
}

const res::ImageEntry* FindImage(HINSTANCE module, UINT id, int kind) {
  const res::ModuleData* m = ModuleTables(module);
  if (!m) return nullptr;
  for (int i = 0; i < m->imageCount; ++i) {
    if (m->images[i].id == id && m->images[i].kind == kind) return &m->images[i];
  }
  return nullptr;
}

std::shared_ptr<const BitmapData> BitmapFromImage(const res::ImageEntry& image) {
  auto b = std::make_shared<BitmapData>();
  b->width = image.width;
  b->height = image.height;
  b->bitsPerPixel = image.bitsPerPixel;
  b->encoded.assign(reinterpret_cast<const char*>(image.bytes), image.size);
  b->resourceId = static_cast<int>(image.id);
  return b;
}

}  // namespace varlo::win

using varlo::win::TheRegistry;

AFX_MODULE_STATE* AfxGetModuleState() { return &TheRegistry().state; }

HINSTANCE AfxGetResourceHandle() {
  auto& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.state.m_hCurrentResourceHandle;
}

void AfxSetResourceHandle(HINSTANCE module) {
  auto& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.state.m_hCurrentResourceHandle = module;
}

HINSTANCE AfxGetInstanceHandle() { return varlo::win::ExecutableModule(); }

HINSTANCE LoadLibrary(const char* fileName) {
  using namespace varlo::win;
  if (!fileName || !*fileName) return nullptr;
  std::vector<std::string> candidates;
  const std::string name(fileName);
  if (name.find('/') != std::string::npos) {
    candidates.push_back(name);
  } else {
    candidates.push_back(ExecutableDir() + "/" + name);
    candidates.push_back("./" + name);
  }
  for (const std::string& path : candidates) {
    if (!FileExists(path)) continue;
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) continue;
    using Accessor = const res::ModuleData* (*)();
    auto accessor = reinterpret_cast<Accessor>(dlsym(lib, "VarloResourceModule"));
    const res::ModuleData* data = accessor ? accessor() : nullptr;
    if (!data || data->magic != res::kModuleMagic || data->version != res::kModuleVersion) {
      dlclose(lib);
      continue;
    }
    auto* rec = new ModuleRecord();
    rec->data = data;
    rec->library = lib;
    rec->path = path;
    auto& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.live.insert(rec);
    return Registry::Handle(rec);
  }
  return nullptr;
}

BOOL FreeLibrary(HINSTANCE module) {
  using namespace varlo::win;
  auto& r = TheRegistry();
  ModuleRecord* rec;
  {
    std::lock_guard lock(r.mutex);
    rec = r.Live(module);
    if (!rec || rec == &r.executable) return FALSE;
    if (r.state.m_hCurrentResourceHandle == module) r.state.m_hCurrentResourceHandle = Registry::Handle(&r.executable);
    r.live.erase(rec);
  }
  dlclose(rec->library);
  delete rec;
  return TRUE;
}

HINSTANCE GetModuleHandle(const char*) { return varlo::win::ExecutableModule(); }

DWORD GetModuleFileName(HINSTANCE module, char* buffer, DWORD size) {
  using namespace varlo::win;
  if (!buffer || size == 0) return 0;
  std::string path;
  auto& r = TheRegistry();
  {
    std::lock_guard lock(r.mutex);
    ModuleRecord* rec = module ? r.Live(module) : &r.executable;
    if (!rec) return 0;
    path = rec->path;
  }
  if (path.empty()) {
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n <= 0) return 0;
    path.assign(exe, static_cast<size_t>(n));
  }
  const DWORD len = static_cast<DWORD>(std::min<size_t>(path.size(), size - 1));
  std::memcpy(buffer, path.data(), len);
  buffer[len] = '\0';
  return len;
}

int LoadString(HINSTANCE module, UINT id, char* buffer, int bufferSize) {
  const char* text = varlo::win::FindString(module, id);
  if (!text || !buffer || bufferSize <= 0) {
    if (buffer && bufferSize > 0) buffer[0] = '\0';
    return 0;
  }
  const int len = static_cast<int>(std::min<size_t>(std::strlen(text), static_cast<size_t>(bufferSize - 1)));
  std::memcpy(buffer, text, static_cast<size_t>(len));
  buffer[len] = '\0';
  return len;
}

CString AfxLoadString(UINT id) {
  const char* text = varlo::win::FindString(AfxGetResourceHandle(), id);
  return CString(text ? text : "");
}

BOOL AfxLoadString(UINT id, CString& out) {
  const char* text = varlo::win::FindString(AfxGetResourceHandle(), id);
  out = text ? text : "";
  return text && *text;
}
