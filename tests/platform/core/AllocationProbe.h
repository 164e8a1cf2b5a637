#pragma once
// Records the largest single allocation made through operator new while a probe is alive,
// so that a test can show that damaged input never makes a large allocation.
// AllocationProbe.cpp replaces the global operator new and delete of the test program.

#include <cstddef>

class AllocationProbe {
public:
  AllocationProbe();
  ~AllocationProbe();
  std::size_t Largest() const;
};
