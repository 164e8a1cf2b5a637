// A fresh message layer for each test, on a manual clock; message boxes answered by their
// default button unless a test says otherwise, resources from the test program itself.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"

class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = std::make_shared<varlo::win::ManualClock>(1000);
    Sys().Reset(clock);
    varlo::win::ClearShownMessageBoxes();
    varlo::win::SetMessageBoxHook(nullptr);
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  void TearDown() override {
    varlo::win::SetMessageBoxHook(nullptr);
    Sys().Reset();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  static varlo::win::MessageSystem& Sys() { return varlo::win::MessageSystem::Instance(); }

  std::shared_ptr<varlo::win::ManualClock> clock;
};
