#pragma once
// A plain code library (a shared object exporting C functions), looked for only in the
// executable's directory: never on the library path and never in the current directory,
// so a file planted in the directory a program was started from is not run.
#include <string>

#include "platform/core/CString.h"
#include "platform/win/BaseTypes.h"

using FARPROC = void (*)();

class CodeLibrary {
 public:
  CodeLibrary() = default;
  // Loads fileName, a bare file name, from the executable's directory.  A name with a
  // directory part loads nothing.
  explicit CodeLibrary(const char* fileName);
  ~CodeLibrary();
  CodeLibrary(CodeLibrary&& other) noexcept;
  CodeLibrary& operator=(CodeLibrary&& other) noexcept;
  CodeLibrary(const CodeLibrary&) = delete;
  CodeLibrary& operator=(const CodeLibrary&) = delete;

  bool IsLoaded() const { return m_handle != nullptr; }
  // The exported function, null when the library or the function is missing.
  FARPROC GetProcAddress(const char* name) const;
  template <typename F>
  F GetFunction(const char* name) const {
    return reinterpret_cast<F>(GetProcAddress(name));
  }
  // Why the library did not load; empty when it did.
  const std::string& Error() const { return m_error; }
  void Free();

 private:
  void* m_handle = nullptr;
  std::string m_error;
};
