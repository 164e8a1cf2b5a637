#pragma once
// One worker thread that is always joined: by Join, by the destructor, or by the next
// Start once the previous job has ended.  Whatever the job uses must outlive this object,
// so declare it after what it uses.  Start, Join and IsRunning are called by the owner's
// thread only.
#include <atomic>
#include <functional>
#include <thread>

class WorkerThread {
 public:
  WorkerThread() = default;
  ~WorkerThread() { Join(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs job on a new thread; false, and job not run, while the previous job still runs.
  bool Start(std::function<void()> job) {
    if (IsRunning()) return false;
    Join();
    m_running = true;
    m_thread = std::thread([this, job = std::move(job)] {
      job();
      m_running = false;
    });
    return true;
  }
  bool IsRunning() const { return m_running; }
  // Waits for the job to end.
  void Join() {
    if (m_thread.joinable()) m_thread.join();
  }

 private:
  std::atomic<bool> m_running{false};
  std::thread m_thread;
};
