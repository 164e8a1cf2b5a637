// The call-signalling transport on loopback: a listener and signalling channels exchanging
// Q.931 messages, peers that misbehave, and shutdown with no thread left behind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "stack/q931/H323ListenerTCP.h"
#include "stack/q931/H323SignalChannel.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using CloseReason = TpktChannel::CloseReason;

constexpr auto kWait = 5s;

int ThreadCount() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
  }
  return -1;
}

// The thread count before a test's own threads start.  A first thread is started and
// joined, so that a sanitizer's helper threads (started with the first thread) are counted;
// a joined thread is still counted until the system has reaped it, so the count is taken
// once its task is gone.
int Baseline() {
  pid_t tid = 0;
  std::thread([&tid] { tid = gettid(); }).join();
  const std::filesystem::path task = "/proc/self/task/" + std::to_string(tid);
  for (auto end = std::chrono::steady_clock::now() + kWait;
       std::filesystem::exists(task) && std::chrono::steady_clock::now() < end;) {
    std::this_thread::sleep_for(1ms);
  }
  return ThreadCount();
}

// Threads that were detached finish a moment after their owner is gone.
bool ThreadsBackTo(int count) {
  for (auto end = std::chrono::steady_clock::now() + kWait; std::chrono::steady_clock::now() < end;) {
    if (ThreadCount() == count) return true;
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

// What one end of a connection received.
class Inbox {
 public:
  H323SignalChannel::Handlers Handlers(std::function<void(const Q931&)> onMessage = {}) {
    H323SignalChannel::Handlers h;
    h.onMessage = [this, onMessage](Q931 m) {
      if (onMessage) onMessage(m);
      std::lock_guard lock(m_mutex);
      m_messages.push_back(std::move(m));
      m_cv.notify_all();
    };
    h.onUndecodable = [this](const std::string& error) {
      std::lock_guard lock(m_mutex);
      m_undecodable.push_back(error);
      m_cv.notify_all();
    };
    h.onClosed = [this](CloseReason reason, const std::string&) {
      std::lock_guard lock(m_mutex);
      m_closed = reason;
      m_cv.notify_all();
    };
    return h;
  }

  bool WaitForMessages(size_t n) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, kWait, [&] { return m_messages.size() >= n; });
  }
  std::optional<CloseReason> WaitForClose() {
    std::unique_lock lock(m_mutex);
    m_cv.wait_for(lock, kWait, [&] { return m_closed.has_value(); });
    return m_closed;
  }
  std::vector<Q931> Messages() {
    std::lock_guard lock(m_mutex);
    return m_messages;
  }
  size_t UndecodableCount() {
    std::lock_guard lock(m_mutex);
    return m_undecodable.size();
  }
  std::optional<CloseReason> Closed() {
    std::lock_guard lock(m_mutex);
    return m_closed;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<Q931> m_messages;
  std::vector<std::string> m_undecodable;
  std::optional<CloseReason> m_closed;
};

// A listener on an ephemeral loopback port whose accepted connections are started at once.
class Server {
 public:
  explicit Server(bool exclusive = false, uint16_t port = 0)
      : m_listener(PIPSocket::Address::GetLoopback(), port, exclusive) {}
  ~Server() {
    m_listener.Close();
    std::lock_guard lock(m_mutex);
    m_connections.clear();  // closes them before the inbox goes
  }

  bool Open(std::function<void(H323SignalChannel&, const Q931&)> onMessage = {}, std::string* error = nullptr) {
    return m_listener.Open(
        [this, onMessage](std::unique_ptr<H323SignalChannel> connection) {
          H323SignalChannel* channel = connection.get();
          std::function<void(const Q931&)> reply;
          if (onMessage) reply = [channel, onMessage](const Q931& m) { onMessage(*channel, m); };
          ASSERT_TRUE(channel->Start(inbox.Handlers(reply)));
          std::lock_guard lock(m_mutex);
          m_connections.push_back(std::move(connection));
          m_cv.notify_all();
        },
        error);
  }

  H323SignalChannel* WaitForConnection() {
    std::unique_lock lock(m_mutex);
    m_cv.wait_for(lock, kWait, [&] { return !m_connections.empty(); });
    return m_connections.empty() ? nullptr : m_connections.front().get();
  }

  TcpAddress Address() const { return m_listener.GetTransportAddress(); }
  H323ListenerTCP& Listener() { return m_listener; }

  Inbox inbox;

 private:
  H323ListenerTCP m_listener;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<std::unique_ptr<H323SignalChannel>> m_connections;
};

Q931 Message(uint8_t type, uint16_t callReference, bool fromDestination) {
  Q931 m(type, callReference, fromDestination);
  EXPECT_TRUE(m.SetUserUser(Bytes{0x05, 0x00, 0x06}));
  return m;
}

TEST(SignalTransport, SetupConnectReleaseComplete) {
  const int baseline = Baseline();
  {
    Server server;
    ASSERT_TRUE(server.Open([](H323SignalChannel& channel, const Q931& m) {
      if (m.GetMessageType() == Q931::SetupMsg) {
        Q931 connect = Message(Q931::ConnectMsg, m.GetCallReference(), true);
        ASSERT_TRUE(connect.SetDisplayName("Bob"));
        EXPECT_TRUE(channel.Send(connect));
      }
    }));
    ASSERT_NE(server.Address().port, 0);

    Inbox client;
    H323SignalChannel caller;
    std::string error;
    ASSERT_EQ(caller.Connect(server.Address(), 2s, &error), TcpSocket::Status::Ok) << error;
    ASSERT_TRUE(caller.Start(client.Handlers()));
    EXPECT_EQ(caller.GetRemoteAddress(), server.Address());

    Q931 setup = Message(Q931::SetupMsg, 0x2A, false);
    ASSERT_TRUE(setup.SetCalledPartyNumber("5551234"));
    ASSERT_TRUE(caller.Send(setup));
    ASSERT_TRUE(client.WaitForMessages(1));
    const Q931 connect = client.Messages()[0];
    EXPECT_EQ(connect.GetMessageType(), Q931::ConnectMsg);
    EXPECT_EQ(connect.GetCallReference(), 0x2A);
    EXPECT_TRUE(connect.IsFromDestination());
    EXPECT_EQ(connect.GetDisplayName(), "Bob");

    Q931 release = Message(Q931::ReleaseCompleteMsg, 0x2A, false);
    ASSERT_TRUE(release.SetCause(Q931::NormalCallClearing));
    ASSERT_TRUE(caller.Send(release));
    ASSERT_TRUE(server.inbox.WaitForMessages(2));
    const auto received = server.inbox.Messages();
    EXPECT_EQ(received[0], setup);
    EXPECT_EQ(received[1].GetCause()->value, Q931::NormalCallClearing);

    // The answering side hangs up its end: the caller learns it from its reader.
    H323SignalChannel* answering = server.WaitForConnection();
    ASSERT_NE(answering, nullptr);
    EXPECT_EQ(answering->GetRemoteAddress(), caller.GetLocalAddress());
    answering->Close();
    EXPECT_EQ(client.WaitForClose(), CloseReason::PeerClosed);
    EXPECT_FALSE(caller.IsOpen());
    EXPECT_FALSE(caller.Send(release));
    EXPECT_FALSE(server.inbox.Closed()) << "a local close reports nothing";
  }
  EXPECT_TRUE(ThreadsBackTo(baseline));
}

TEST(SignalTransport, MisbehavingPeers) {
  Bytes goodPacket;
  {
    Bytes q931;
    ASSERT_TRUE(Message(Q931::SetupMsg, 1, false).Encode(q931));
    ASSERT_TRUE(tpkt::AppendPacket(q931, goodPacket));
  }
  Bytes notQ931;
  ASSERT_TRUE(tpkt::AppendPacket(Bytes{0x41, 0x42, 0x43}, notQ931));
  const Bytes halfPacket(goodPacket.begin(), goodPacket.begin() + 7);
  const std::string http = "GET / HTTP/1.0\r\n\r\n";

  struct Case {
    const char* what;
    std::vector<Bytes> sends;
    size_t messages;
    size_t undecodable;
    CloseReason reason;
  };
  const Case cases[] = {
      {"closes between packets", {goodPacket}, 1, 0, CloseReason::PeerClosed},
      {"closes inside a packet", {goodPacket, halfPacket}, 1, 0, CloseReason::Truncated},
      {"sends something that is not TPKT", {goodPacket, Bytes(http.begin(), http.end()), goodPacket}, 1, 0,
       CloseReason::BadFraming},
      {"sends a TPKT packet that is not Q.931", {notQ931, goodPacket}, 1, 1, CloseReason::PeerClosed},
      {"announces a length shorter than the header", {Bytes{3, 0, 0, 2}}, 0, 0, CloseReason::BadFraming},
  };
  const int baseline = Baseline();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    {
      Server server;
      ASSERT_TRUE(server.Open());
      WakeEvent never;
      TcpSocket peer;
      ASSERT_EQ(TcpSocket::Connect(server.Address(), 2s, never, peer), TcpSocket::Status::Ok);
      for (const auto& bytes : c.sends) {
        ASSERT_EQ(peer.WriteAll(bytes, 2s, never), TcpSocket::Status::Ok);
        std::this_thread::sleep_for(2ms);  // separate TCP segments, for the reassembly
      }
      if (c.reason == CloseReason::BadFraming) {
        // The far end drops a peer that sends garbage: ours sees the end of the stream.
        EXPECT_EQ(server.inbox.WaitForClose(), c.reason);
        Bytes buffer(64);
        size_t got = 0;
        EXPECT_EQ(peer.Read(buffer, got, never), TcpSocket::Status::Closed);
      } else {
        peer.Close();
        EXPECT_EQ(server.inbox.WaitForClose(), c.reason);
      }
      EXPECT_EQ(server.inbox.Messages().size(), c.messages);
      EXPECT_EQ(server.inbox.UndecodableCount(), c.undecodable);
      H323SignalChannel* channel = server.WaitForConnection();
      ASSERT_NE(channel, nullptr);
      EXPECT_FALSE(channel->IsOpen());
      EXPECT_FALSE(channel->Send(Message(Q931::StatusMsg, 1, true)));
    }
    EXPECT_TRUE(ThreadsBackTo(baseline));
  }
}

TEST(SignalTransport, ConnectFailures) {
  // Refused: nothing listens on a port a listener has just given up.
  TcpAddress unused;
  {
    Server server;
    ASSERT_TRUE(server.Open());
    unused = server.Address();
  }
  H323SignalChannel refused;
  std::string error;
  EXPECT_EQ(refused.Connect(unused, 2s, &error), TcpSocket::Status::Refused);
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(refused.Start({}));
  EXPECT_FALSE(refused.Send(Message(Q931::SetupMsg, 1, false)));

  // Never answered: a listener that takes no connection and whose queue is full lets the
  // next connect hang until the timeout.
  WakeEvent never;
  TcpSocket blocked;
  ASSERT_EQ(TcpSocket::Listen({TcpAddress::kLoopback, 0}, true, 0, blocked), TcpSocket::Status::Ok);
  const TcpAddress silent = blocked.GetLocalAddress();
  std::vector<TcpSocket> queued;
  bool full = false;
  for (int i = 0; i < 8 && !full; ++i) {
    TcpSocket s;
    full = TcpSocket::Connect(silent, 200ms, never, s) == TcpSocket::Status::TimedOut;
    if (!full) queued.push_back(std::move(s));
  }
  ASSERT_TRUE(full) << "the listen queue never filled";

  H323SignalChannel timedOut;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(timedOut.Connect(silent, 300ms, &error), TcpSocket::Status::TimedOut);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 250ms);
  EXPECT_LT(took, 3s);

  // A Close from another thread ends a connect that is still waiting.
  H323SignalChannel aborted;
  std::thread closer([&] {
    std::this_thread::sleep_for(100ms);
    aborted.Close();
  });
  const auto abortStart = std::chrono::steady_clock::now();
  EXPECT_EQ(aborted.Connect(silent, 20s, &error), TcpSocket::Status::Aborted);
  EXPECT_LT(std::chrono::steady_clock::now() - abortStart, 3s);
  closer.join();
}

TEST(SignalTransport, ListenerStoppedWhileAConnectionIsOpen) {
  const int baseline = Baseline();
  {
    Server server;
    ASSERT_TRUE(server.Open([](H323SignalChannel& channel, const Q931& m) {
      EXPECT_TRUE(channel.Send(Message(Q931::StatusMsg, m.GetCallReference(), true)));
    }));
    const TcpAddress address = server.Address();
    Inbox client;
    H323SignalChannel caller;
    ASSERT_EQ(caller.Connect(address, 2s), TcpSocket::Status::Ok);
    ASSERT_TRUE(caller.Start(client.Handlers()));
    ASSERT_NE(server.WaitForConnection(), nullptr);

    const auto start = std::chrono::steady_clock::now();
    server.Listener().Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(server.Listener().IsOpen());

    // New calls are refused; the call already up goes on.
    H323SignalChannel late;
    EXPECT_EQ(late.Connect(address, 2s), TcpSocket::Status::Refused);
    ASSERT_TRUE(caller.Send(Message(Q931::StatusEnquiryMsg, 9, false)));
    ASSERT_TRUE(client.WaitForMessages(1));
    EXPECT_EQ(client.Messages()[0].GetMessageType(), Q931::StatusMsg);

    caller.Close();
    EXPECT_EQ(server.inbox.WaitForClose(), CloseReason::PeerClosed);
  }
  EXPECT_TRUE(ThreadsBackTo(baseline));
}

TEST(SignalTransport, HandlersMayCloseOrDestroyTheirOwnChannel) {
  const int baseline = Baseline();
  for (const bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destroy" : "close");
    {
      std::mutex mutex;
      std::unique_ptr<H323SignalChannel> answering;
      Inbox serverInbox;
      H323ListenerTCP listener(TcpAddress::kLoopback, 0);
      ASSERT_TRUE(listener.Open([&](std::unique_ptr<H323SignalChannel> connection) {
        auto handlers = serverInbox.Handlers();
        handlers.onMessage = [&, destroy](Q931) {
          std::lock_guard lock(mutex);
          if (destroy) answering.reset();
          else answering->Close();
        };
        std::lock_guard lock(mutex);
        answering = std::move(connection);
        answering->Start(handlers);
        // The listener may stop from its own handler too.
        listener.Close();
      }));
      Inbox client;
      H323SignalChannel caller;
      ASSERT_EQ(caller.Connect(listener.GetTransportAddress(), 2s), TcpSocket::Status::Ok);
      ASSERT_TRUE(caller.Start(client.Handlers()));
      ASSERT_TRUE(caller.Send(Message(Q931::ReleaseCompleteMsg, 3, false)));
      EXPECT_EQ(client.WaitForClose(), CloseReason::PeerClosed);
      EXPECT_FALSE(serverInbox.Closed());
      std::lock_guard lock(mutex);
      answering.reset();
    }
    EXPECT_TRUE(ThreadsBackTo(baseline));
  }
}

TEST(SignalTransport, ListenerPortRules) {
  Server first;
  ASSERT_TRUE(first.Open());
  H323ListenerTCP second(TcpAddress::kLoopback, first.Address().port, false);
  std::string error;
  EXPECT_FALSE(second.Open({}, &error)) << "a port that is listened on is not shared";
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(first.Listener().Open({})) << "already open";

  // A listener whose side closed a call first leaves the port lingering: only a
  // non-exclusive listener may take it again at once.
  const uint16_t port = first.Address().port;
  {
    Inbox client;
    H323SignalChannel caller;
    ASSERT_EQ(caller.Connect(first.Address(), 2s), TcpSocket::Status::Ok);
    ASSERT_TRUE(caller.Start(client.Handlers()));
    H323SignalChannel* answering = first.WaitForConnection();
    ASSERT_NE(answering, nullptr);
    answering->Close();
    EXPECT_EQ(client.WaitForClose(), CloseReason::PeerClosed);
  }
  first.Listener().Close();
  H323ListenerTCP exclusive(TcpAddress::kLoopback, port, true);
  EXPECT_FALSE(exclusive.Open({}));
  H323ListenerTCP shared(TcpAddress::kLoopback, port, false);
  EXPECT_TRUE(shared.Open({}, &error)) << error;
  EXPECT_EQ(shared.GetListenerPort(), port);
}

// A burst of callers arriving while the accept thread is busy waits in the queue; none
// is dropped.
TEST(SignalTransport, ListenerQueuesABurstOfCallers) {
  constexpr int kCallers = 64;
  std::mutex mutex;
  std::condition_variable changed;
  bool release = false;
  std::vector<std::unique_ptr<H323SignalChannel>> accepted;
  H323ListenerTCP listener(TcpAddress::kLoopback, 0);
  ASSERT_TRUE(listener.Open([&](std::unique_ptr<H323SignalChannel> connection) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return release; });  // busy until every caller has connected
    accepted.push_back(std::move(connection));
    changed.notify_all();
  }));
  auto releaseListener = [&] {
    std::lock_guard lock(mutex);
    release = true;
    changed.notify_all();
  };
  // Even when a caller fails, the accept thread is let go so that the listener can close.
  struct AtExit {
    std::function<void()> run;
    ~AtExit() { run(); }
  } letGo{releaseListener};
  std::vector<std::unique_ptr<H323SignalChannel>> callers;
  for (int i = 0; i < kCallers; ++i) {
    callers.push_back(std::make_unique<H323SignalChannel>());
    // A caller the queue has no room for is dropped and retries only after a second.
    ASSERT_EQ(callers.back()->Connect(listener.GetTransportAddress(), 900ms), TcpSocket::Status::Ok) << i;
  }
  releaseListener();
  std::unique_lock lock(mutex);
  EXPECT_TRUE(changed.wait_for(lock, kWait, [&] { return accepted.size() == size_t{kCallers}; }));
}

TEST(SignalTransport, OversizedMessageIsRefusedBeforeSending) {
  Server server;
  ASSERT_TRUE(server.Open());
  H323SignalChannel caller;
  ASSERT_EQ(caller.Connect(server.Address(), 2s), TcpSocket::Status::Ok);
  Inbox client;
  ASSERT_TRUE(caller.Start(client.Handlers()));
  Q931 huge(Q931::FacilityMsg, 1, false);
  ASSERT_TRUE(huge.SetUserUser(Bytes(65534, 0x55)));  // fits the element, not a TPKT packet
  std::string error;
  EXPECT_FALSE(caller.Send(huge, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(caller.IsOpen()) << "nothing was sent, so the stream is intact";
  Q931 big(Q931::FacilityMsg, 1, false);
  ASSERT_TRUE(big.SetUserUser(Bytes(60000, 0x55)));
  ASSERT_TRUE(caller.Send(big));
  ASSERT_TRUE(server.inbox.WaitForMessages(1));
  EXPECT_EQ(server.inbox.Messages()[0].GetUserUser()->data.size(), 60000u);
}

}  // namespace
