// Shared by the main-window tests: a fresh display-free message layer on a manual clock,
// a private application directory, profile services that touch neither the network nor
// the sound system, a hidden window whose posted steps run inside a modal loop, and a
// pump of the loop until a state comes.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "engine/CUserProfile.h"
#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "tests/platform/core/TempDir.h"
#include "tests/support/LayerTest.h"
#include "tests/support/QuietServices.h"
#include "tests/support/StepWindow.h"

class UiTest : public LayerTest {
 protected:
  void SetUp() override {
    // Windows shared with other programs listen in this test's own directory.
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    LayerTest::SetUp();
  }
  // Writes the profile's files with what `edit` sets (the profile saves when destroyed).
  void SaveProfile(const std::function<void(CUserProfile&)>& edit) {
    CUserProfile profile(dir.Path().c_str(), QuietServices());
    edit(profile);
  }
  // Runs the window's loop until `done` holds or the time is up.
  template <class Pred>
  static bool PumpUntil(Pred done, std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      Sys().Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Sys().Pump();
    return done();
  }
  std::string LogPath() const { return dir / "Log.log"; }
  std::string LogText() const {
    const Bytes b = ReadBytes(LogPath());
    return std::string(b.begin(), b.end());
  }

  TempDir dir;
};
