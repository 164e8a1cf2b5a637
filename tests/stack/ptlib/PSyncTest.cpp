#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "stack/ptlib/PClock.h"
#include "stack/ptlib/PMutex.h"
#include "stack/ptlib/PSyncPoint.h"
#include "stack/ptlib/PTimeInterval.h"

namespace {

using namespace std::chrono_literals;

TEST(PMutex, TheHolderMayTakeItAgainOthersWait) {
  PMutex m;
  PWaitAndSignal outer(m);
  {
    PWaitAndSignal inner(m);  // would deadlock on a plain mutex
  }
  std::atomic<bool> taken{false};
  std::thread other([&] { taken = m.Try(); if (taken) m.Signal(); });
  other.join();
  EXPECT_FALSE(taken);
}

TEST(PSyncPoint, SignalBeforeWaitIsKeptOnceAndTimeoutReportsFalse) {
  PSyncPoint p;
  p.Signal();
  EXPECT_TRUE(p.Wait(0ms));
  EXPECT_FALSE(p.Wait(10ms));
  std::thread t([&] { p.Signal(); });
  EXPECT_TRUE(p.Wait(PTimeInterval(0, 5)));
  t.join();
}

TEST(PTimeInterval, UnitsAndInfinity) {
  EXPECT_EQ(PTimeInterval(500, 2, 1).GetMilliSeconds(), 62500);
  EXPECT_EQ(PTimeInterval(1500ms).GetSeconds(), 1);
  EXPECT_TRUE(PMaxTimeInterval.IsInfinite());
  EXPECT_LT(PTimeInterval(1), PTimeInterval(2));
}

TEST(PClock, ManualClockJumpsInsteadOfSleeping) {
  PManualClock c(1000);
  c.SleepUntilMicros(500);  // the past: no change
  EXPECT_EQ(c.NowMicros(), 1000);
  c.SleepUntilMicros(21000);
  EXPECT_EQ(c.NowMicros(), 21000);
  EXPECT_EQ(c.SleptMicros(), 20000);
  const int64_t t0 = PClock::System().NowMicros();
  PClock::System().SleepUntilMicros(t0 + 2000);
  EXPECT_GE(PClock::System().NowMicros(), t0 + 2000);
}

}  // namespace
