#include "platform/capture/CaptureDrivers.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

std::string FixedText(const __u8* bytes, size_t size) {
  const auto* text = reinterpret_cast<const char*>(bytes);
  return std::string(text, strnlen(text, size));
}

void CopyTruncated(const std::string& text, char* out, int length) {
  const size_t n = std::min(text.size(), static_cast<size_t>(length) - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

}  // namespace

bool QueryV4L2Capability(const std::string& devicePath, v4l2_capability& caps) {
  const int fd = ::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  std::memset(&caps, 0, sizeof caps);
  const bool ok = ::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0;
  ::close(fd);
  return ok;
}

std::optional<CaptureDriverDescription> DescribeCaptureDriver(unsigned index, const CaptureCapabilityQuery& query) {
  if (index > 9 || !query) return std::nullopt;
  v4l2_capability caps{};
  if (!query("/dev/video" + std::to_string(index), caps)) return std::nullopt;
  const __u32 nodeCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? caps.device_caps : caps.capabilities;
  if ((nodeCaps & V4L2_CAP_VIDEO_CAPTURE) == 0) return std::nullopt;
  CaptureDriverDescription d;
  d.name = FixedText(caps.card, sizeof caps.card);
  if (d.name.empty()) d.name = FixedText(caps.driver, sizeof caps.driver);
  d.version = FixedText(caps.driver, sizeof caps.driver) + " " + std::to_string((caps.version >> 16) & 0xFF) + "." +
              std::to_string((caps.version >> 8) & 0xFF) + "." + std::to_string(caps.version & 0xFF);
  return d;
}

BOOL capGetDriverDescriptionA(WORD index, char* name, int nameLength, char* version, int versionLength,
                              const CaptureCapabilityQuery& query) {
  if (name == nullptr || nameLength <= 0) return FALSE;
  const auto d = DescribeCaptureDriver(index, query);
  if (!d) return FALSE;
  CopyTruncated(d->name, name, nameLength);
  if (version != nullptr && versionLength > 0) CopyTruncated(d->version, version, versionLength);
  return TRUE;
}
