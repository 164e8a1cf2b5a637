#pragma once
// The call-signalling connection: TPKT packets that each carry one Q.931 message.  The
// reader thread (the connection's signalling thread) decodes every packet and hands on
// whole messages; a packet that is not a Q.931 message is reported and skipped, as the
// connection itself is still in step.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "stack/q931/Q931.h"
#include "stack/q931/TpktChannel.h"

class H323SignalChannel {
 public:
  struct Handlers {
    std::function<void(Q931 message)> onMessage;
    // A packet whose payload did not decode as Q.931; `error` says why.
    std::function<void(const std::string& error)> onUndecodable;
    std::function<void(TpktChannel::CloseReason reason, const std::string& detail)> onClosed;
  };

  H323SignalChannel() : m_channel(std::make_unique<TpktChannel>()) {}
  explicit H323SignalChannel(std::unique_ptr<TpktChannel> channel) : m_channel(std::move(channel)) {}

  TcpSocket::Status Connect(const TcpAddress& remote, std::chrono::milliseconds timeout, std::string* error = nullptr) {
    return m_channel->Connect(remote, timeout, error);
  }
  bool Start(Handlers handlers);
  // Encodes and sends one message; false when it does not encode or the channel is not open.
  bool Send(const Q931& message, std::string* error = nullptr);
  void Close() { m_channel->Close(); }

  bool IsOpen() const { return m_channel->IsOpen(); }
  TcpAddress GetLocalAddress() const { return m_channel->GetLocalAddress(); }
  TcpAddress GetRemoteAddress() const { return m_channel->GetRemoteAddress(); }
  TpktChannel& GetChannel() { return *m_channel; }

 private:
  std::unique_ptr<TpktChannel> m_channel;
};
