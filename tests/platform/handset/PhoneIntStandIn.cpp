// A stand-in for the handset library "PhoneInt.dll", built for the window tests and put
// beside their executable.  Like a real handset driver it calls the program back from a
// thread of its own; the test presses keys and changes the audio device through the
// PhoneTest_ functions, which it reaches by opening the same library.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

using KeyCallback = void (*)(int);
using DeviceCallback = void (*)(int, int);

namespace {

struct Event {
  bool device;
  int a;
  int b;
};

class Handset {
 public:
  ~Handset() { Stop(); }

  int Open(KeyCallback key) {
    std::lock_guard lock(m_mutex);
    m_key = key;
    m_opened = true;
    ++m_opens;
    if (!m_thread.joinable()) {
      m_stop = false;
      m_running = true;
      m_thread = std::thread([this] { Run(); });
    }
    return 1;
  }
  int Bind(void* window, DeviceCallback device) {
    std::lock_guard lock(m_mutex);
    m_window = window;
    m_device = device;
    return 1;
  }
  int Close() {
    {
      std::lock_guard lock(m_mutex);
      m_opened = false;
      ++m_closes;
      if (m_callAfterClose) return 1;
    }
    Stop();
    std::lock_guard lock(m_mutex);
    m_key = nullptr;
    m_device = nullptr;
    return 1;
  }
  void Push(Event e) {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(e);
    m_cv.notify_all();
  }
  // Waits until every queued event has been handed to the program.
  void Flush() {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return (m_queue.empty() && !m_busy) || !m_running; });
  }
  void Stop() {
    {
      std::lock_guard lock(m_mutex);
      m_stop = true;
      m_cv.notify_all();
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
  }
  void SetCallAfterClose(bool on) {
    std::lock_guard lock(m_mutex);
    m_callAfterClose = on;
  }
  int Opens() {
    std::lock_guard lock(m_mutex);
    return m_opens;
  }
  int Closes() {
    std::lock_guard lock(m_mutex);
    return m_closes;
  }
  void* Window() {
    std::lock_guard lock(m_mutex);
    return m_window;
  }
  int Calls() {
    std::lock_guard lock(m_mutex);
    return m_calls;
  }

 private:
  void Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
      m_cv.wait(lock, [this] { return m_stop || !m_queue.empty(); });
      if (m_stop) break;
      const Event e = m_queue.front();
      m_queue.pop_front();
      const KeyCallback key = m_key;
      const DeviceCallback device = m_device;
      m_busy = true;
      lock.unlock();
      if (e.device && device) device(e.a, e.b);
      if (!e.device && key) key(e.a);
      lock.lock();
      m_calls += (e.device && device) || (!e.device && key);
      m_busy = false;
      m_cv.notify_all();
    }
    m_queue.clear();
    m_busy = false;
    m_running = false;
    m_cv.notify_all();
  }

  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::deque<Event> m_queue;
  std::thread m_thread;
  KeyCallback m_key = nullptr;
  DeviceCallback m_device = nullptr;
  void* m_window = nullptr;
  bool m_opened = false;
  bool m_stop = false;
  bool m_running = false;
  bool m_busy = false;
  bool m_callAfterClose = false;
  int m_calls = 0;  // callbacks made into the program
  int m_opens = 0;
  int m_closes = 0;
};

Handset g_handset;

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int Phone_Open(KeyCallback key) { return g_handset.Open(key); }
__attribute__((visibility("default"))) int Phone_Bind(void* window, DeviceCallback device) {
  return g_handset.Bind(window, device);
}
__attribute__((visibility("default"))) int Phone_Close() { return g_handset.Close(); }

// What the tests do with the handset.
__attribute__((visibility("default"))) void PhoneTest_Key(int code) { g_handset.Push({false, code, 0}); }
__attribute__((visibility("default"))) void PhoneTest_Device(int a, int b) { g_handset.Push({true, a, b}); }
__attribute__((visibility("default"))) void PhoneTest_Flush() { g_handset.Flush(); }
// A faulty library that goes on calling after Phone_Close; PhoneTest_Stop ends it.
__attribute__((visibility("default"))) void PhoneTest_CallAfterClose(int on) { g_handset.SetCallAfterClose(on != 0); }
__attribute__((visibility("default"))) void PhoneTest_Stop() { g_handset.Stop(); }
__attribute__((visibility("default"))) int PhoneTest_Opens() { return g_handset.Opens(); }
__attribute__((visibility("default"))) int PhoneTest_Closes() { return g_handset.Closes(); }
__attribute__((visibility("default"))) void* PhoneTest_Window() { return g_handset.Window(); }
__attribute__((visibility("default"))) int PhoneTest_Calls() { return g_handset.Calls(); }
}
