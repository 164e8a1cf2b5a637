#include <gtest/gtest.h>

#include <memory>

#include "stack/codec/H323AudioCapability.h"
#include "stack/codec/H323CapabilityRegistration.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/codec/H323_GSM0610Codec.h"

namespace {

// A stand-in for a codec registered from outside the stack, as the G.723.1 one is.
class FakeG7231Capability : public H323AudioCapability {
  PCLASSINFO(FakeG7231Capability, H323AudioCapability)
 public:
  FakeG7231Capability() : H323AudioCapability(7, 4) {}
  PObject* Clone() const override { return new FakeG7231Capability(*this); }
  unsigned GetSubType() const override { return 8; }
  PString GetFormatName() const override { return "G.723.1A(6.3k){sw}"; }
  H323Codec* CreateCodec(H323Codec::Direction) const override { return nullptr; }
};

class FakeG7231Registration : public H323CapabilityRegistration {
 public:
  FakeG7231Registration() : H323CapabilityRegistration("G.723.1A(6.3k){sw}") {}
  H323Capability* Create(H323EndPoint*) const override { return new FakeG7231Capability; }
};

TEST(GsmCapability, DefaultsIdentityAndCodecs) {
  H323_GSM0610Capability gsm;
  EXPECT_EQ(gsm.GetRxFramesInPacket(), 7u);
  EXPECT_EQ(gsm.GetTxFramesInPacket(), 4u);
  EXPECT_EQ(gsm.GetMainType(), H323Capability::e_Audio);
  EXPECT_EQ(gsm.GetSubType(), 17u);
  EXPECT_EQ(gsm.GetPayloadType(), 3u);
  EXPECT_EQ(gsm.GetFormatName(), "GSM-06.10{sw}");
  EXPECT_STREQ(gsm.GetClass(), "H323_GSM0610Capability");
  EXPECT_STREQ(gsm.GetClass(1), "H323AudioCapability");
  EXPECT_TRUE(gsm.IsDescendant("H323Capability"));

  for (auto dir : {H323Codec::Encoder, H323Codec::Decoder}) {
    std::unique_ptr<H323Codec> codec(gsm.CreateCodec(dir));
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(codec->GetDirection(), dir);
    EXPECT_TRUE(codec->IsDescendant("H323FramedAudioCodec"));
    EXPECT_EQ(codec->GetFrameRate(), 160u);
  }
}

TEST(GsmCapability, FramesPerPacketAreClampedAndZeroIsRefused) {
  struct Case { unsigned set; unsigned want; bool asserts; } cases[] = {
      {1, 1, false}, {5, 5, false}, {256, 256, false}, {257, 256, false}, {1000, 256, false}, {0, 256, true},
  };
  H323_GSM0610Capability gsm;
  for (const auto& c : cases) {
    const unsigned long before = PAssertCount();
    gsm.SetTxFramesInPacket(c.set);
    EXPECT_EQ(gsm.GetTxFramesInPacket(), c.want) << c.set;
    EXPECT_EQ(PAssertCount() - before, c.asserts ? 1u : 0u) << c.set;
  }
  gsm.SetTxFramesInPacket(3);
  std::unique_ptr<PObject> copy(gsm.Clone());
  auto* clone = dynamic_cast<H323_GSM0610Capability*>(copy.get());
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->GetTxFramesInPacket(), 3u);
  EXPECT_EQ(clone->GetRxFramesInPacket(), 7u);
}

TEST(Capability, CompareOrdersByMainTypeThenSubType) {
  H323_GSM0610Capability gsm, otherGsm(1, 1);
  FakeG7231Capability g7231;
  PString notACapability("x");
  EXPECT_EQ(gsm.Compare(otherGsm), PObject::EqualTo);  // frames per packet do not matter
  EXPECT_EQ(gsm.Compare(g7231), PObject::GreaterThan);
  EXPECT_EQ(g7231.Compare(gsm), PObject::LessThan);
  EXPECT_EQ(g7231.GetPayloadType(), 4u);
  EXPECT_NE(gsm.Compare(notACapability), PObject::EqualTo);
}

TEST(CapabilityRegistration, CreatesByNameWhileRegistered) {
  EXPECT_NE(H323CapabilityRegistration::GetRegisteredNames().GetStringsIndex("GSM-06.10{sw}"), P_MAX_INDEX);
  std::unique_ptr<H323Capability> gsm(H323Capability::Create(nullptr, "GSM-06.10{sw}"));
  ASSERT_NE(gsm, nullptr);
  EXPECT_TRUE(gsm->IsClass("H323_GSM0610Capability"));
  EXPECT_EQ(H323Capability::Create(nullptr, "gsm-06.10{sw}"), nullptr);  // names are exact
  EXPECT_EQ(H323Capability::Create(nullptr, "G.723.1A(6.3k){sw}"), nullptr);
  {
    FakeG7231Registration registration;
    FakeG7231Registration duplicate;
    const PStringArray names = H323CapabilityRegistration::GetRegisteredNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), PString("G.723.1A(6.3k){sw}")), 1);
    std::unique_ptr<H323Capability> g7231(H323Capability::Create(nullptr, "G.723.1A(6.3k){sw}"));
    ASSERT_NE(g7231, nullptr);
    EXPECT_EQ(g7231->GetSubType(), 8u);
  }
  EXPECT_EQ(H323Capability::Create(nullptr, "G.723.1A(6.3k){sw}"), nullptr);
}

}  // namespace
