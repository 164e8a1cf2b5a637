#include "stack/ptlib/PChannel.h"

#include <cerrno>
#include <cstring>

bool PChannel::Read(void*, PINDEX) {
  SetLastReadCount(0);
  return SetError(NotOpen);
}

bool PChannel::Write(const void*, PINDEX) {
  SetLastWriteCount(0);
  return SetError(NotOpen);
}

bool PChannel::SetError(Errors code, int osError) {
  m_errorCode = code;
  m_errorNumber = osError;
  return code == NoError;
}

bool PChannel::SetErrnoError(int osError) {
  Errors code = Miscellaneous;
  switch (osError) {
    case 0: code = NoError; break;
    case ENOENT: case ENODEV: case ENXIO: case EHOSTUNREACH: case ENETUNREACH: code = NotFound; break;
    case EEXIST: code = FileExists; break;
    case ENOSPC: code = DiskFull; break;
    case EACCES: case EPERM: code = AccessDenied; break;
    case EBUSY: case EADDRINUSE: code = DeviceInUse; break;
    case EINVAL: case EAFNOSUPPORT: case EADDRNOTAVAIL: code = BadParameter; break;
    case ENOMEM: case ENOBUFS: code = NoMemory; break;
    case EBADF: case ENOTCONN: case EPIPE: case ECONNRESET: code = NotOpen; break;
    case ETIMEDOUT: case EAGAIN: code = Timeout; break;
    case EINTR: code = Interrupted; break;
    case EMSGSIZE: code = BufferTooSmall; break;
    case ECONNREFUSED: code = NotFound; break;
    default: break;
  }
  return SetError(code, osError);
}

PString PChannel::GetErrorText() const { return GetErrorText(GetErrorCode(), GetErrorNumber()); }

PString PChannel::GetErrorText(Errors code, int osError) {
  if (osError != 0) return PString(std::strerror(osError));
  switch (code) {
    case NoError: return "No error";
    case NotFound: return "Not found";
    case FileExists: return "Already exists";
    case DiskFull: return "Disk full";
    case AccessDenied: return "Access denied";
    case DeviceInUse: return "Device in use";
    case BadParameter: return "Bad parameter";
    case NoMemory: return "Out of memory";
    case NotOpen: return "Channel not open";
    case Timeout: return "Timed out";
    case Interrupted: return "Interrupted";
    case BufferTooSmall: return "Buffer too small";
    case Miscellaneous: return "Failure";
    case ProtocolFailure: return "Protocol failure";
  }
  return "Failure";
}
