#include "engine/RegisterRunner.h"

#include "engine/RegisterThread.h"
#include "platform/win/Wnd.h"
#include "stack/h323/H323EndPoint.h"

namespace {

constexpr int kNoReason = -1;
// How often a gatekeeper is removed again while a superseded worker is still in the
// stack: a client it installs after one removal goes with the next.
constexpr std::chrono::milliseconds kInterruptPeriod{20};

}  // namespace

struct CRegisterRunner::Job : RegisterSupervisor {
  CRegisterRunner* runner = nullptr;
  H323EndPoint* endpoint = nullptr;
  std::shared_ptr<Job> previous;
  std::thread thread;
  bool superseded = false;  // under the runner's mutex

  std::mutex doneMutex;
  std::condition_variable doneChanged;
  bool done = false;

  bool IsSuperseded() const override {
    std::lock_guard lock(runner->m_mutex);
    return superseded;
  }
  bool Report(HWND window, UINT message) override {
    std::lock_guard lock(runner->m_mutex);
    if (superseded) return false;
    return runner->m_post(window, message, 0, 0) != FALSE;
  }
  bool WaitDone(std::chrono::milliseconds timeout) {
    std::unique_lock lock(doneMutex);
    return doneChanged.wait_for(lock, timeout, [this] { return done; });
  }
  void MarkDone() {
    {
      std::lock_guard lock(doneMutex);
      done = true;
    }
    doneChanged.notify_all();
  }
};

CRegisterRunner::CRegisterRunner(Poster post) : m_post(std::move(post)) {
  if (!m_post) m_post = [](HWND w, UINT m, WPARAM wp, LPARAM lp) { return ::PostMessage(w, m, wp, lp); };
}

CRegisterRunner::~CRegisterRunner() { Stop(); }

void CRegisterRunner::SupersedeAllLocked() {
  for (Job* job = m_current.get(); job; job = job->previous.get()) job->superseded = true;
}

void CRegisterRunner::FinishPrevious(Job& job, bool interrupt) {
  std::shared_ptr<Job> previous = std::move(job.previous);
  if (!previous) return;
  if (interrupt) {
    while (!previous->WaitDone(std::chrono::milliseconds(0))) {
      previous->endpoint->RemoveGatekeeper(kNoReason);
      previous->WaitDone(kInterruptPeriod);
    }
  }
  previous->thread.join();
}

void CRegisterRunner::Launch(H323EndPoint* endpoint, bool supersede, bool interruptPrevious, Body body) {
  std::lock_guard lock(m_mutex);
  if (supersede) SupersedeAllLocked();
  auto job = std::make_shared<Job>();
  job->runner = this;
  job->endpoint = endpoint;
  job->previous = m_current;
  // The thread is stored under the lock, before a later job can look for it to join it.
  job->thread = std::thread([job = job.get(), interruptPrevious, body = std::move(body)] {
    FinishPrevious(*job, interruptPrevious);
    if (!job->IsSuperseded()) body(*job);
    job->MarkDone();
  });
  m_current = std::move(job);
}

void CRegisterRunner::Login(const RegisterParams& params) {
  if (!params.endpoint) return;
  Launch(params.endpoint, true, true, [copy = params](Job& job) mutable { RegisterThread(copy, job); });
}

void CRegisterRunner::Unregister(H323EndPoint& endpoint) {
  Launch(&endpoint, false, false, [](Job& job) { job.endpoint->RemoveGatekeeper(kNoReason); });
}

void CRegisterRunner::Stop() {
  std::shared_ptr<Job> last;
  {
    std::lock_guard lock(m_mutex);
    SupersedeAllLocked();
    last = std::move(m_current);
  }
  if (!last) return;
  Job stopper;
  stopper.runner = this;
  stopper.previous = std::move(last);
  FinishPrevious(stopper, true);
}

bool CRegisterRunner::WaitIdle(std::chrono::milliseconds timeout) {
  std::shared_ptr<Job> last;
  {
    std::lock_guard lock(m_mutex);
    last = m_current;
  }
  return !last || last->WaitDone(timeout);
}
