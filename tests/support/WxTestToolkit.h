// Starts the toolkit once per test program, for the window tests that need a display.
#pragma once

#include <wx/wx.h>

#include <cstdlib>

// False when there is no X display to start on.
inline bool StartTestToolkit(const char* programName) {
  static bool started = false;
  if (started) return true;
  if (!std::getenv("DISPLAY")) return false;
  static int argc = 1;
  static char* argv[] = {const_cast<char*>(programName), nullptr};
  wxApp::SetInstance(new wxApp());
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) return false;
  started = true;
  return true;
}
