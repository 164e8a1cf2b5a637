// A channel over memory for codec and media tests: reads take samples from a queue (and
// fail once it is empty), writes append to a record.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include "stack/ptlib/PChannel.h"

class MemoryChannel : public PChannel {
 public:
  void Feed(const std::vector<int16_t>& samples) {
    std::lock_guard lock(m_mutex);
    m_input.insert(m_input.end(), samples.begin(), samples.end());
  }
  std::vector<int16_t> Written() const {
    std::lock_guard lock(m_mutex);
    return m_output;
  }
  // Hands over what was written so far and starts a new record.
  std::vector<int16_t> TakeWritten() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_output, {});
  }
  // How many reads and writes the channel served.
  unsigned Reads() const { return m_reads.load(); }
  unsigned Writes() const { return m_writes.load(); }
  bool IsOpen() const override { return m_open; }
  bool Close() override {
    m_open = false;
    return true;
  }
  bool Read(void* buffer, PINDEX length) override {
    std::lock_guard lock(m_mutex);
    ++m_reads;
    const size_t n = static_cast<size_t>(length) / 2;
    if (!m_open || m_input.size() < n) {
      SetLastReadCount(0);
      return false;
    }
    auto* out = static_cast<int16_t*>(buffer);
    std::copy_n(m_input.begin(), n, out);
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
    SetLastReadCount(length);
    return true;
  }
  bool Write(const void* buffer, PINDEX length) override {
    std::lock_guard lock(m_mutex);
    ++m_writes;
    if (!m_open) return false;
    const auto* in = static_cast<const int16_t*>(buffer);
    m_output.insert(m_output.end(), in, in + length / 2);
    SetLastWriteCount(length);
    return true;
  }

 private:
  mutable std::mutex m_mutex;
  std::deque<int16_t> m_input;
  std::vector<int16_t> m_output;
  bool m_open = true;
  std::atomic<unsigned> m_reads{0}, m_writes{0};
};
