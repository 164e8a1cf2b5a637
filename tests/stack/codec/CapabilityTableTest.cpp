#include <gtest/gtest.h>

#include "stack/codec/H323Capabilities.h"
#include "stack/codec/H323_GSM0610Capability.h"

namespace {

class OtherAudio : public H323AudioCapability {
  PCLASSINFO(OtherAudio, H323AudioCapability)
 public:
  explicit OtherAudio(unsigned sub) : H323AudioCapability(1, 1), m_sub(sub) {}
  PObject* Clone() const override { return new OtherAudio(*this); }
  unsigned GetSubType() const override { return m_sub; }
  PString GetFormatName() const override { return psprintf("other-%u", m_sub); }
  H323Codec* CreateCodec(H323Codec::Direction) const override { return nullptr; }

 private:
  unsigned m_sub;
};

TEST(CapabilityTable, DescriptorsSimultaneousSetsAndAlternatives) {
  H323Capabilities table;
  auto* gsm = new H323_GSM0610Capability;
  gsm->SetTxFramesInPacket(4);
  // The endpoint's call: a new descriptor with a new simultaneous set holding GSM alone.
  EXPECT_EQ(table.SetCapability(P_MAX_INDEX, P_MAX_INDEX, gsm), 0);
  ASSERT_EQ(table.GetSize(), 1);
  EXPECT_EQ(table.GetAt(0), gsm);
  EXPECT_EQ(gsm->GetCapabilityNumber(), 1u);
  ASSERT_EQ(table.GetSet().size(), 1u);
  ASSERT_EQ(table.GetSet()[0].size(), 1u);
  EXPECT_EQ(table.GetSet()[0][0], std::vector<H323Capability*>{gsm});

  auto* alt = new OtherAudio(3);
  auto* other = new OtherAudio(9);
  EXPECT_EQ(table.SetCapability(0, 0, alt), 0);               // an alternative to GSM
  EXPECT_EQ(table.SetCapability(0, P_MAX_INDEX, other), 1);   // a second simultaneous set
  EXPECT_EQ(table.SetCapability(0, 0, gsm), 0);               // already there: no duplicate
  EXPECT_EQ(table.SetCapability(0, 0, nullptr), P_MAX_INDEX);
  EXPECT_EQ(table.GetSize(), 3);
  EXPECT_EQ(table.GetSet()[0][0].size(), 2u);
  EXPECT_EQ(table.GetSet()[0][1].size(), 1u);
  EXPECT_EQ(other->GetCapabilityNumber(), 3u);

  EXPECT_EQ(table.FindCapability("GSM-06.10{sw}"), gsm);
  EXPECT_EQ(table.FindCapability(3u), other);
  EXPECT_EQ(table.FindCapability(H323Capability::e_Audio, 3), alt);
  EXPECT_EQ(table.FindCapability("G.723.1A(6.3k){sw}"), nullptr);

  table.Remove(alt);
  EXPECT_EQ(table.GetSize(), 2);
  EXPECT_EQ(table.GetSet()[0][0], std::vector<H323Capability*>{gsm});
}

TEST(CapabilityTable, CopiesAreIndependentClones) {
  H323Capabilities table;
  auto* gsm = new H323_GSM0610Capability;
  table.SetCapability(P_MAX_INDEX, P_MAX_INDEX, gsm);
  table.SetCapability(0, P_MAX_INDEX, new OtherAudio(9));
  H323Capabilities copy(table);
  ASSERT_EQ(copy.GetSize(), 2);
  auto* copiedGsm = dynamic_cast<H323_GSM0610Capability*>(copy.FindCapability(1u));
  ASSERT_NE(copiedGsm, nullptr);
  EXPECT_NE(copiedGsm, gsm);
  EXPECT_EQ(copy.GetSet()[0][0][0], copiedGsm);
  EXPECT_EQ(copy.GetSet()[0][1][0]->GetCapabilityNumber(), 2u);
  gsm->SetTxFramesInPacket(2);  // a later change reaches the table, not its copies
  EXPECT_EQ(table.FindCapability(1u), gsm);
  EXPECT_EQ(copiedGsm->GetTxFramesInPacket(), 4u);
}

TEST(CapabilityTable, AddAllTakesRegisteredCapabilitiesByWildcard) {
  H323Capabilities table;
  EXPECT_EQ(table.AddAllCapabilities(nullptr, P_MAX_INDEX, P_MAX_INDEX, "no-such-codec"), P_MAX_INDEX);
  EXPECT_EQ(table.GetSize(), 0);
  EXPECT_EQ(table.AddAllCapabilities(nullptr, P_MAX_INDEX, P_MAX_INDEX, "GSM"), 0);
  EXPECT_NE(table.FindCapability("GSM-06.10{sw}"), nullptr);
  EXPECT_EQ(table.AddAllCapabilities(nullptr, 0, 0, "*"), P_MAX_INDEX);  // nothing new to add
  EXPECT_EQ(table.GetSize(), 1);
}

}  // namespace
