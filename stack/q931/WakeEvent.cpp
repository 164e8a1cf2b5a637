#include "stack/q931/WakeEvent.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

WakeEvent::WakeEvent() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent() {
  if (m_fd >= 0) close(m_fd);
}

void WakeEvent::Signal() {
  const uint64_t one = 1;
  // Only the descriptor becoming readable matters; a full counter is readable already.
  [[maybe_unused]] const ssize_t n = write(m_fd, &one, sizeof one);
}
