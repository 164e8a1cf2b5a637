#include "stack/q931/H323SignalChannel.h"

bool H323SignalChannel::Start(Handlers handlers) {
  TpktChannel::Handlers raw;
  raw.onClosed = std::move(handlers.onClosed);
  raw.onPacket = [onMessage = std::move(handlers.onMessage),
                  onUndecodable = std::move(handlers.onUndecodable)](std::vector<uint8_t> payload) {
    Q931 message;
    std::string error;
    if (message.Decode(payload, &error)) {
      if (onMessage) onMessage(std::move(message));
    } else if (onUndecodable) {
      onUndecodable(error);
    }
  };
  return m_channel->Start(std::move(raw));
}

bool H323SignalChannel::Send(const Q931& message, std::string* error) {
  q931::Bytes bytes;
  if (!message.Encode(bytes, error)) return false;
  return m_channel->Send(bytes, error);
}
