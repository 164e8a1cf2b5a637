// Base of everything that reads and writes bytes (sockets, sound, video): open state,
// byte counts of the last transfer, time-outs and the last error.
#pragma once

#include <atomic>

#include "stack/ptlib/PObject.h"
#include "stack/ptlib/PString.h"
#include "stack/ptlib/PTimeInterval.h"

class PChannel : public PObject {
  PCLASSINFO(PChannel, PObject)
 public:
  enum Errors {
    NoError,
    NotFound,
    FileExists,
    DiskFull,
    AccessDenied,
    DeviceInUse,
    BadParameter,
    NoMemory,
    NotOpen,
    Timeout,
    Interrupted,
    BufferTooSmall,
    Miscellaneous,
    ProtocolFailure,
  };

  PChannel() = default;
  PChannel(const PChannel&) = delete;
  PChannel& operator=(const PChannel&) = delete;
  ~PChannel() override = default;

  virtual bool IsOpen() const { return false; }
  // Reads up to `length` bytes; GetLastReadCount() tells how many arrived.
  virtual bool Read(void* buffer, PINDEX length);
  // Writes `length` bytes; GetLastWriteCount() tells how many went out.
  virtual bool Write(const void* buffer, PINDEX length);
  virtual bool Close() { return true; }

  PINDEX GetLastReadCount() const { return m_lastReadCount.load(); }
  PINDEX GetLastWriteCount() const { return m_lastWriteCount.load(); }

  void SetReadTimeout(PTimeInterval t) { m_readTimeoutMs = t.GetMilliSeconds(); }
  PTimeInterval GetReadTimeout() const { return PTimeInterval(m_readTimeoutMs.load()); }
  void SetWriteTimeout(PTimeInterval t) { m_writeTimeoutMs = t.GetMilliSeconds(); }
  PTimeInterval GetWriteTimeout() const { return PTimeInterval(m_writeTimeoutMs.load()); }

  Errors GetErrorCode() const { return m_errorCode.load(); }
  // The operating system's error number of the last failure (0 when none).
  int GetErrorNumber() const { return m_errorNumber.load(); }
  PString GetErrorText() const;
  static PString GetErrorText(Errors code, int osError);

 protected:
  void SetLastReadCount(PINDEX n) { m_lastReadCount = n; }
  void SetLastWriteCount(PINDEX n) { m_lastWriteCount = n; }
  // Records an error and returns false, so failures read `return SetError(...)`.
  bool SetError(Errors code, int osError = 0);
  // Maps errno to a code.
  bool SetErrnoError(int osError);
  void ClearError() { SetError(NoError, 0); }

 private:
  std::atomic<PINDEX> m_lastReadCount{0};
  std::atomic<PINDEX> m_lastWriteCount{0};
  std::atomic<int64_t> m_readTimeoutMs{PMaxTimeInterval.GetMilliSeconds()};
  std::atomic<int64_t> m_writeTimeoutMs{PMaxTimeInterval.GetMilliSeconds()};
  std::atomic<Errors> m_errorCode{NoError};
  std::atomic<int> m_errorNumber{0};
};
