// The capture drivers of slots 0 to 9: the V4L2 nodes /dev/video0 to /dev/video9, named by
// their capability query.  Nodes that cannot capture frames (a camera's metadata node) are
// no drivers.  The query is replaceable, since only a real device answers it.
#pragma once

#include <linux/videodev2.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/win/WinTypes.h"

using CaptureCapabilityQuery = std::function<bool(const std::string& devicePath, v4l2_capability& caps)>;

// The ioctl itself: opens the node without blocking, asks, closes.
bool QueryV4L2Capability(const std::string& devicePath, v4l2_capability& caps);

struct CaptureDriverDescription {
  std::string name;     // the card's name
  std::string version;  // driver name and kernel version, "uvcvideo 6.1.0"
};

// The driver in `index` (0-9), or nothing.
std::optional<CaptureDriverDescription> DescribeCaptureDriver(unsigned index, const CaptureCapabilityQuery& query);

// Copies the name and version of slot `index` into the buffers (truncated, always
// terminated); FALSE for an empty slot or a buffer of no room.
BOOL capGetDriverDescriptionA(WORD index, char* name, int nameLength, char* version, int versionLength,
                              const CaptureCapabilityQuery& query = QueryV4L2Capability);
