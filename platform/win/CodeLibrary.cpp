#include "platform/win/CodeLibrary.h"

#include <dlfcn.h>

#include <cstring>
#include <utility>

#include "platform/core/AppDir.h"

CodeLibrary::CodeLibrary(const char* fileName) {
  if (!fileName || !*fileName || std::strchr(fileName, '/') || !std::strcmp(fileName, ".") ||
      !std::strcmp(fileName, "..")) {
    m_error = "not a bare file name";
    return;
  }
  const std::string path = std::string(GetExecutableDirectory().GetString()) + fileName;
  if (path.front() != '/') {
    m_error = "the executable's directory is unknown";
    return;
  }
  m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!m_handle) {
    const char* why = dlerror();
    m_error = why ? why : "cannot load " + path;
  }
}

CodeLibrary::~CodeLibrary() { Free(); }

CodeLibrary::CodeLibrary(CodeLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_error(std::move(other.m_error)) {}

CodeLibrary& CodeLibrary::operator=(CodeLibrary&& other) noexcept {
  if (this != &other) {
    Free();
    m_handle = std::exchange(other.m_handle, nullptr);
    m_error = std::move(other.m_error);
  }
  return *this;
}

FARPROC CodeLibrary::GetProcAddress(const char* name) const {
  if (!m_handle || !name) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(m_handle, name));
}

void CodeLibrary::Free() {
  if (m_handle) dlclose(m_handle);
  m_handle = nullptr;
}
