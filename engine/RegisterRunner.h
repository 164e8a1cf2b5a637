// Runs the registration workers of one window, one after another.  A new login supersedes
// the worker that runs: its first step, removing the gatekeeper, makes a registration
// under way fail at once, the superseded worker makes no further attempt and posts
// nothing, and the new worker starts its own steps only once the old one has ended.  A
// drop of the registration (an unregistration) runs on a worker too, after the one that
// runs, so that it never blocks the caller and the next login waits for it.  Stop, which
// the destructor calls, supersedes and joins every worker: none outlives the runner, so
// a runner destroyed before the endpoint leaves no thread behind that uses it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/RegisterParams.h"

class CRegisterRunner {
 public:
  using Poster = std::function<BOOL(HWND, UINT, WPARAM, LPARAM)>;

  // `post` delivers the workers' results (the window layer's PostMessage by default).
  explicit CRegisterRunner(Poster post = {});
  ~CRegisterRunner();
  CRegisterRunner(const CRegisterRunner&) = delete;
  CRegisterRunner& operator=(const CRegisterRunner&) = delete;

  // Starts a worker on a copy of `params`, superseding every worker not yet ended.
  void Login(const RegisterParams& params);
  // Removes the endpoint's gatekeeper on a worker that first lets the running one end.
  void Unregister(H323EndPoint& endpoint);
  // Supersedes every worker, interrupts a registration under way and joins them all.
  void Stop();
  // Waits until every worker has ended; false when `timeout` passed first.
  bool WaitIdle(std::chrono::milliseconds timeout);

 private:
  struct Job;
  using Body = std::function<void(Job&)>;
  void Launch(H323EndPoint* endpoint, bool supersede, bool interruptPrevious, Body body);
  void SupersedeAllLocked();
  static void FinishPrevious(Job& job, bool interrupt);

  Poster m_post;
  std::mutex m_mutex;  // orders superseding with the workers' posts
  std::shared_ptr<Job> m_current;
};
