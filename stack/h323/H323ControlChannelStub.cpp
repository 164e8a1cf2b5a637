// Without the generated message classes no H.245 is spoken: calls carry signalling only.
#include "stack/h323/H323ControlChannel.h"

#include "stack/h323/H323_RTPChannel.h"

// Never made here; complete only so that the channel's table can be destroyed.
class H245_Capability {};

H323ControlChannel::H323ControlChannel(H323Connection& connection) : m_connection(connection) {}
H323ControlChannel::~H323ControlChannel() = default;
void H323ControlChannel::SetSender(Sender sender) { m_sender = std::move(sender); }
void H323ControlChannel::Start() {}
bool H323ControlChannel::OnReceived(const Bytes&) { return false; }
bool H323ControlChannel::SendUserInput(const PString&) { return false; }
void H323ControlChannel::SendEndSession() {}
bool H323ControlChannel::SendRoundTripDelayRequest() { return false; }
bool H323ControlChannel::CloseChannel(unsigned) { return false; }
bool H323ControlChannel::RequestChannelClose(unsigned) { return false; }
std::vector<unsigned> H323ControlChannel::GetRemoteReceiveAudio() const { return {}; }
std::vector<H323ControlChannel::Bytes> H323ControlChannel::BuildFastStartProposals() { return {}; }
std::vector<H323ControlChannel::Bytes> H323ControlChannel::AnswerFastStart(const std::vector<Bytes>&) { return {}; }
bool H323ControlChannel::OnFastStartAnswer(const std::vector<Bytes>&) { return false; }
