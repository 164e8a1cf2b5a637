#include "stack/ptlib/PProcess.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<PProcess*> g_process{nullptr};
}

PProcess::PProcess(const char* manufacturer, const char* name, unsigned majorVersion, unsigned minorVersion,
                   CodeStatus status, unsigned buildNumber)
    : m_manufacturer(manufacturer),
      m_name(name),
      m_majorVersion(majorVersion),
      m_minorVersion(minorVersion),
      m_status(status),
      m_buildNumber(buildNumber) {
  PProcess* expected = nullptr;
  PAssert(g_process.compare_exchange_strong(expected, this), "a second process object");
}

PProcess::~PProcess() {
  PProcess* self = this;
  g_process.compare_exchange_strong(self, nullptr);
}

PProcess& PProcess::Current() {
  PProcess* p = g_process.load();
  if (p == nullptr) {
    std::fprintf(stderr, "No process object exists\n");
    std::abort();
  }
  return *p;
}

bool PProcess::IsInitialised() { return g_process.load() != nullptr; }

PString PProcess::GetVersion(bool full) const {
  static const char* const kStatus[] = {"a", "b", "."};
  if (!full) return psprintf("%u.%u", m_majorVersion, m_minorVersion);
  return psprintf("%u.%u%s%u", m_majorVersion, m_minorVersion, kStatus[m_status], m_buildNumber);
}
