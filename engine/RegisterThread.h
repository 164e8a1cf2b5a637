// The registration worker: drops any gatekeeper the endpoint has, sets the login's alias
// and password, and registers with the first gatekeeper address (two attempts) or, when
// that fails, once with the fallback address; it ends by posting WM_USER+102 (registered)
// or WM_USER+103 (failed) to the block's window.
//
// A worker can be superseded by a newer login while it waits in the stack; it then makes
// no further attempt and posts nothing.  CRegisterRunner runs workers that way.
#pragma once

#include "engine/RegisterParams.h"

// What a worker asks of whoever runs it.
class RegisterSupervisor {
 public:
  virtual ~RegisterSupervisor() = default;
  // A newer login (or the owner's end) has taken this worker's place.
  virtual bool IsSuperseded() const = 0;
  // Posts `message` to `window` unless superseded, as one step; true when posted.
  virtual bool Report(HWND window, UINT message) = 0;
};

// The worker's steps on `params`, its own copy of the login block (the fallback address
// is consumed by its attempt).  Returns the message posted, 0 when superseded.
UINT RegisterThread(RegisterParams& params, RegisterSupervisor& supervisor);
