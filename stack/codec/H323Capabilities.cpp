#include "stack/codec/H323Capabilities.h"

#include <algorithm>

#include "stack/codec/H323CapabilityRegistration.h"

H323Capabilities::H323Capabilities(const H323Capabilities& other) : PObject(other) { *this = other; }

H323Capabilities& H323Capabilities::operator=(const H323Capabilities& other) {
  if (this == &other) return *this;
  RemoveAll();
  for (const auto& c : other.m_table) {
    auto* copy = static_cast<H323Capability*>(c->Clone());
    if (copy == nullptr) continue;
    copy->SetCapabilityNumber(c->GetCapabilityNumber());
    m_table.emplace_back(copy);
  }
  for (const auto& d : other.m_set) {
    Descriptor nd;
    for (const auto& s : d) {
      SimultaneousSet ns;
      for (const auto* c : s)
        if (auto* mine = FindCapability(c->GetCapabilityNumber())) ns.push_back(mine);
      nd.push_back(std::move(ns));
    }
    m_set.push_back(std::move(nd));
  }
  return *this;
}

H323Capability* H323Capabilities::Enter(H323Capability* capability) {
  for (const auto& c : m_table)
    if (c.get() == capability) return capability;
  unsigned number = 1;
  for (const auto& c : m_table) number = std::max(number, c->GetCapabilityNumber() + 1);
  capability->SetCapabilityNumber(number);
  m_table.emplace_back(capability);
  return capability;
}

PINDEX H323Capabilities::SetCapability(PINDEX descriptorNum, PINDEX simultaneous, H323Capability* capability) {
  if (capability == nullptr) return P_MAX_INDEX;
  Enter(capability);
  if (descriptorNum < 0 || descriptorNum >= static_cast<PINDEX>(m_set.size())) {
    m_set.emplace_back();
    descriptorNum = static_cast<PINDEX>(m_set.size()) - 1;
  }
  Descriptor& d = m_set[static_cast<size_t>(descriptorNum)];
  if (simultaneous < 0 || simultaneous >= static_cast<PINDEX>(d.size())) {
    d.emplace_back();
    simultaneous = static_cast<PINDEX>(d.size()) - 1;
  }
  SimultaneousSet& s = d[static_cast<size_t>(simultaneous)];
  if (std::find(s.begin(), s.end(), capability) == s.end()) s.push_back(capability);
  return simultaneous;
}

PINDEX H323Capabilities::AddAllCapabilities(H323EndPoint* endpoint, PINDEX descriptorNum, PINDEX simultaneous,
                                            const PString& wildcard) {
  PINDEX used = P_MAX_INDEX;
  for (const PString& name : H323CapabilityRegistration::GetRegisteredNames()) {
    if (!(wildcard.IsEmpty() || wildcard == "*" || name.Find(wildcard) != P_MAX_INDEX)) continue;
    if (FindCapability(name) != nullptr) continue;
    H323Capability* c = H323CapabilityRegistration::CreateCapability(name, endpoint);
    if (c == nullptr) continue;
    used = SetCapability(descriptorNum, used == P_MAX_INDEX ? simultaneous : used, c);
    if (descriptorNum >= static_cast<PINDEX>(m_set.size()) || descriptorNum < 0)
      descriptorNum = static_cast<PINDEX>(m_set.size()) - 1;
  }
  return used;
}

void H323Capabilities::Add(H323Capability* capability) {
  if (capability != nullptr) Enter(capability);
}

void H323Capabilities::Remove(H323Capability* capability) {
  for (auto& d : m_set)
    for (auto& s : d) s.erase(std::remove(s.begin(), s.end(), capability), s.end());
  m_table.erase(std::remove_if(m_table.begin(), m_table.end(), [&](const auto& c) { return c.get() == capability; }),
                m_table.end());
}

void H323Capabilities::RemoveAll() {
  m_set.clear();
  m_table.clear();
}

PINDEX H323Capabilities::GetSize() const { return static_cast<PINDEX>(m_table.size()); }

H323Capability* H323Capabilities::GetAt(PINDEX index) const {
  return index >= 0 && index < GetSize() ? m_table[static_cast<size_t>(index)].get() : nullptr;
}

H323Capability* H323Capabilities::FindCapability(const PString& formatName) const {
  for (const auto& c : m_table)
    if (c->GetFormatName() == formatName) return c.get();
  return nullptr;
}

H323Capability* H323Capabilities::FindCapability(unsigned capabilityNumber) const {
  for (const auto& c : m_table)
    if (c->GetCapabilityNumber() == capabilityNumber) return c.get();
  return nullptr;
}

H323Capability* H323Capabilities::FindCapability(H323Capability::MainTypes mainType, unsigned subType) const {
  for (const auto& c : m_table)
    if (c->GetMainType() == mainType && c->GetSubType() == subType) return c.get();
  return nullptr;
}
