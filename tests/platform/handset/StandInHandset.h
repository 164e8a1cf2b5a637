// The test controls of the stand-in handset library that the main window loads from beside
// the test's executable: keys and device changes that the library reports to the window
// from its own thread.
#pragma once
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/core/AppDir.h"

class StandInHandset {
 public:
  StandInHandset() {
    const std::string path = std::string(GetExecutableDirectory().GetString()) + "PhoneInt.dll";
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(m_handle, nullptr) << dlerror();
  }
  ~StandInHandset() {
    if (m_handle) dlclose(m_handle);
  }
  StandInHandset(const StandInHandset&) = delete;
  StandInHandset& operator=(const StandInHandset&) = delete;

  void Key(int code) const { Fn<void (*)(int)>("PhoneTest_Key")(code); }
  void Device() const { Fn<void (*)(int, int)>("PhoneTest_Device")(1, 0); }
  // Waits until the library has made every callback asked for so far.
  void Flush() const { Fn<void (*)()>("PhoneTest_Flush")(); }
  // Makes the library go on calling back after Phone_Close, until Stop.
  void CallAfterClose(bool on) const { Fn<void (*)(int)>("PhoneTest_CallAfterClose")(on ? 1 : 0); }
  void Stop() const { Fn<void (*)()>("PhoneTest_Stop")(); }
  int Closes() const { return Fn<int (*)()>("PhoneTest_Closes")(); }
  // Callbacks the library has made into the program.
  int Calls() const { return Fn<int (*)()>("PhoneTest_Calls")(); }
  // The window handed to Phone_Bind.
  void* Window() const { return Fn<void* (*)()>("PhoneTest_Window")(); }

 private:
  template <class F>
  F Fn(const char* name) const {
    return reinterpret_cast<F>(dlsym(m_handle, name));
  }
  void* m_handle = nullptr;
};
