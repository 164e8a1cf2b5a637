// The phone endpoint: its settings and capability table, the end codes the window gets,
// and whole calls on loopback with a plain stack endpoint, seen through the messages a
// recording window receives.

#include "PhoneTestSupport.h"
#include "codec/g7231/H323_G7231Capability.h"
#include "engine/CPhoneGatekeeper.h"
#include "stack/codec/H323_GSM0610Capability.h"

namespace phonetest {
namespace {

TEST_F(PhoneCallTest, InitialiseAppliesTheSettingsAndOffersGsmAlone) {
  EXPECT_EQ(phone->GetOwner(), window.get());
  EXPECT_EQ(phone->GetProfile(), &profile);
  EXPECT_EQ(phone->GetInitialBandwidth(), 12800u);
  EXPECT_EQ(phone->GetMaxAudioDelayJitter(), 240u);
  EXPECT_TRUE(phone->IsFastStartDisabled());
  EXPECT_EQ(phone->GetSilenceDetectionMode(), H323AudioCodec::NoSilenceDetection);
  for (unsigned size : {phone->GetCleanerThreadStackSize(), phone->GetListenerThreadStackSize(),
                        phone->GetSignallingThreadStackSize(), phone->GetControlThreadStackSize(),
                        phone->GetChannelThreadStackSize(), phone->GetRasThreadStackSize(),
                        phone->GetJitterThreadStackSize()})
    EXPECT_EQ(size, 60000u);
  ASSERT_NE(phone->m_listener, nullptr);
  EXPECT_FALSE(phone->m_listener->IsExclusive());
  EXPECT_EQ(phone->m_listener->GetTransportAddress().ip, 0u);  // every interface
  EXPECT_EQ(phone->GetSoundChannelPlayDevice(), PString("varlo_out_a"));
  EXPECT_EQ(phone->GetSoundChannelRecordDevice(), PString("varlo_in_a"));

  const H323Capabilities& table = phone->GetCapabilities();
  ASSERT_EQ(table.GetSize(), 1);
  ASSERT_EQ(table.GetSet().size(), 1u);
  ASSERT_EQ(table.GetSet()[0].size(), 1u);
  ASSERT_EQ(table.GetSet()[0][0].size(), 1u);
  auto* gsm = dynamic_cast<H323_GSM0610Capability*>(table.GetAt(0));
  ASSERT_NE(gsm, nullptr);
  EXPECT_EQ(gsm, phone->m_gsmCapability);
  EXPECT_EQ(gsm->GetTxFramesInPacket(), 4u);
  EXPECT_EQ(gsm->GetRxFramesInPacket(), 7u);

  // G.723.1 is built for the options sheet but never offered.
  ASSERT_NE(phone->m_g7231Capability, nullptr);
  EXPECT_EQ(phone->m_g7231Capability->GetTxFramesInPacket(), 4u);
  EXPECT_EQ(phone->m_g7231Capability->GetRxFramesInPacket(), 7u);
  EXPECT_EQ(table.FindCapability(H323Capability::e_Audio, H323_G7231Capability::kSubType), nullptr);
}

TEST_F(PhoneCallTest, TheGatekeeperClientIsThePhonesOwn) {
  std::unique_ptr<H323Gatekeeper> made(phone->CreateGatekeeper(nullptr));
  auto* gk = dynamic_cast<CPhoneGatekeeper*>(made.get());
  ASSERT_NE(gk, nullptr);
  EXPECT_EQ(gk->m_owner, window.get());
  EXPECT_EQ(gk->m_profile, &profile);
}

TEST(PhoneEndPoint, ABuiltEndpointStartsWithTheRelayOff) {
  SetMediaRelay(127, 0, 0, 1, 40000, 40001);
  CPhoneEndPoint phone;
  EXPECT_FALSE(IsMediaRelayOn());
  EXPECT_EQ(g_relayControlPort, 0u);
  EXPECT_TRUE(phone.IsIdle());
  EXPECT_TRUE(phone.GetCurrentCallToken().IsEmpty());
  EXPECT_FALSE(phone.IsRegistered());
}

TEST(PhoneEndPoint, EndReasonsMapToTheWindowsEndCodes) {
  struct Case {
    CallEndReason reason;
    WPARAM code;
    LPARAM mapped;
  };
  const Case cases[] = {
      {EndedByLocalUser, 0, 0},     {EndedByAnswerDenied, 0, 0},  {EndedByRemoteUser, 3, 1},
      {EndedByRefusal, 4, 1},       {EndedByNoAnswer, 5, 1},      {EndedByCallerAbort, 0, 0},
      {EndedByTransportFail, 5, 1}, {EndedByConnectFail, 8, 1},   {EndedByGatekeeper, 9, 1},
      {EndedByNoUser, 10, 1},       {EndedByNoBandwidth, 0, 0},   {EndedByRemoteBusy, 0, 0},
      {NumCallEndReasons, 0, 0},
  };
  for (const Case& c : cases) {
    const CallEndCode got = MapCallEndReason(c.reason);
    EXPECT_EQ(got.code, c.code) << "reason " << static_cast<int>(c.reason);
    EXPECT_EQ(got.mapped, c.mapped) << "reason " << static_cast<int>(c.reason);
  }
}

TEST_F(PhoneCallTest, NoAddressStartsNoCall) {
  EXPECT_FALSE(phone->MakeCallTo(nullptr));
  EXPECT_FALSE(phone->MakeCallTo(""));
  EXPECT_TRUE(phone->IsIdle());
  EXPECT_EQ(phone->GetConnectionCount(), 0u);
  EXPECT_FALSE(phone->ToggleHold());
  phone->SendTone('1');
  phone->HangUp();
  PumpUntil([] { return false; }, 100ms);
  EXPECT_TRUE(window->seen.empty());
}

TEST_F(PhoneCallTest, OutgoingCallRingsConnectsHoldsSendsTonesAndEndsByTheRemoteUser) {
  const PString peerToken = CallPeer();
  ASSERT_FALSE(peerToken.IsEmpty());
  EXPECT_EQ(window->Count(WM_ENGINE_REMOTE_RINGING), 1u);
  EXPECT_FALSE(phone->GetCurrentCallToken().IsEmpty());

  // Audio flows both ways: the peer plays what the phone records.
  AlsaFixture& alsa = AlsaFixture::Get();
  EXPECT_TRUE(PumpUntil([&] {
    const auto played = alsa.Played("varlo_out_b");
    return std::count_if(played.begin(), played.end(), [](int16_t s) { return std::abs(s) > 1000; }) > 800;
  }));

  EXPECT_EQ(phone->ToggleHold(), TRUE);
  EXPECT_TRUE(PumpUntil([&] {
    bool held = false;
    return AtPeer(peerToken, [&](H323Connection& c) { held = c.IsRemoteHold(); }) && held;
  }));
  EXPECT_EQ(phone->ToggleHold(), FALSE);
  EXPECT_TRUE(PumpUntil([&] {
    bool held = true;
    return AtPeer(peerToken, [&](H323Connection& c) { held = c.IsRemoteHold(); }) && !held;
  }));

  phone->SendTone('5');
  phone->SendTone('#');
  EXPECT_TRUE(PumpUntil([&] {
    std::lock_guard lock(peer->events.Mutex());  // written by the peer's signalling thread
    return peer->userInput == "5#";
  }));

  peer->ClearCall(peerToken, H323Connection::EndedByLocalUser);
  ASSERT_TRUE(PumpUntil([&] { return window->Count(WM_ENGINE_CALL_CLEARED) == 1; }));
  const Posted last = window->seen.back();
  EXPECT_EQ(last.msg, WM_ENGINE_CALL_CLEARED);
  EXPECT_EQ(last.wParam, 3u);
  EXPECT_EQ(last.lParam, 1);
  EXPECT_TRUE(phone->IsIdle());
  EXPECT_TRUE(phone->GetCurrentCallToken().IsEmpty());
  // Ringing, connected, cleared, in that order.
  ASSERT_EQ(window->seen.size(), 3u);
  EXPECT_EQ(window->seen[0].msg, WM_ENGINE_REMOTE_RINGING);
  EXPECT_EQ(window->seen[1].msg, WM_ENGINE_CALL_CONNECTED);
}

TEST_F(PhoneCallTest, HangUpEndsTheCurrentCall) {
  const PString peerToken = CallPeer();
  phone->HangUp();
  EXPECT_TRUE(peer->WaitCleared(peerToken).has_value());
  ASSERT_TRUE(PumpUntil([&] { return window->Count(WM_ENGINE_CALL_CLEARED) == 1; }));
  EXPECT_EQ(window->seen.back().wParam, 0u);  // ended by the local user: no mapped code
  EXPECT_EQ(window->seen.back().lParam, 0);
  EXPECT_TRUE(phone->IsIdle());
}

// A call whose connection fails at once may be cleared before MakeCallTo has recorded it;
// the endpoint must still end up idle and report the failure.
TEST_F(PhoneCallTest, ACallThatFailsAtOnceLeavesTheEndpointIdle) {
  for (int i = 1; i <= 5; ++i) {
    ASSERT_TRUE(phone->MakeCallTo("127.0.0.1:1"));
    ASSERT_TRUE(PumpUntil([&] { return window->Count(WM_ENGINE_CALL_CLEARED) == static_cast<size_t>(i); }));
    EXPECT_EQ(window->seen.back().wParam, 8u);
    EXPECT_EQ(window->seen.back().lParam, 1);
    EXPECT_TRUE(phone->IsIdle());
    EXPECT_TRUE(phone->GetCurrentCallToken().IsEmpty());
  }
}

TEST_F(PhoneCallTest, AnIncomingCallRefusedInTheBoxIsReportedWithNoCode) {
  varlo::win::SetMessageBoxHook([](const varlo::win::MessageBoxRequest&) { return IDCANCEL; });
  PString token;
  ASSERT_NE(peer->MakeCall(psprintf("127.0.0.1:%u", CPhoneEndPoint::kListenerPort), token), nullptr);
  EXPECT_TRUE(peer->WaitCleared(token).has_value());
  ASSERT_TRUE(PumpUntil([&] { return window->Count(WM_ENGINE_CALL_CLEARED) == 1; }));
  EXPECT_EQ(window->seen.back().wParam, 0u);
  EXPECT_EQ(window->seen.back().lParam, 0);
  EXPECT_TRUE(phone->IsIdle());

  const auto boxes = varlo::win::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Would you answer the call?\nFrom:bob");
  EXPECT_EQ(boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OKCANCEL));
}

}  // namespace
}  // namespace phonetest
