// Capture driver slots named by the V4L2 capability query, through a replaced query.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "platform/capture/CaptureDrivers.h"

namespace {

v4l2_capability Caps(const char* card, const char* driver, __u32 deviceCaps, __u32 version = 0x060100) {
  v4l2_capability c{};
  std::strncpy(reinterpret_cast<char*>(c.card), card, sizeof c.card);
  std::strncpy(reinterpret_cast<char*>(c.driver), driver, sizeof c.driver);
  c.version = version;
  c.capabilities = deviceCaps | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_DEVICE_CAPS;
  c.device_caps = deviceCaps;
  return c;
}

}  // namespace

TEST(CaptureDrivers, SlotsAreNamedByCaptureNodesOnly) {
  std::map<std::string, v4l2_capability> nodes{
      {"/dev/video0", Caps("Integrated Camera: Integrated C", "uvcvideo", V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING)},
      {"/dev/video1", Caps("Integrated Camera: Integrated C", "uvcvideo", V4L2_CAP_META_CAPTURE)},
  };
  const CaptureCapabilityQuery query = [&](const std::string& path, v4l2_capability& caps) {
    auto it = nodes.find(path);
    if (it == nodes.end()) return false;
    caps = it->second;
    return true;
  };
  char name[100], version[200];
  ASSERT_TRUE(capGetDriverDescriptionA(0, name, sizeof name, version, sizeof version, query));
  EXPECT_STREQ(name, "Integrated Camera: Integrated C");
  EXPECT_STREQ(version, "uvcvideo 6.1.0");
  EXPECT_FALSE(capGetDriverDescriptionA(1, name, sizeof name, version, sizeof version, query)) << "metadata node";
  EXPECT_FALSE(capGetDriverDescriptionA(2, name, sizeof name, version, sizeof version, query)) << "no node";
  EXPECT_FALSE(capGetDriverDescriptionA(10, name, sizeof name, version, sizeof version, query));

  char tiny[6];
  ASSERT_TRUE(capGetDriverDescriptionA(0, tiny, sizeof tiny, nullptr, 0, query));
  EXPECT_STREQ(tiny, "Integ");
  EXPECT_FALSE(capGetDriverDescriptionA(0, tiny, 0, nullptr, 0, query));
}

TEST(CaptureDrivers, PlainFilesAndMissingNodesAreNoDrivers) {
  v4l2_capability caps{};
  EXPECT_FALSE(QueryV4L2Capability("/dev/null", caps));
  EXPECT_FALSE(QueryV4L2Capability("/nonexistent/video0", caps));
}
