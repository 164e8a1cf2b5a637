// A capability table: the capabilities themselves (numbered from 1) and the capability
// descriptors, each a list of simultaneous sets, each set a list of alternatives.
#pragma once

#include <memory>
#include <vector>

#include "stack/codec/H323Capability.h"

class H323Capabilities : public PObject {
  PCLASSINFO(H323Capabilities, PObject)
 public:
  // descriptor -> simultaneous set -> alternatives
  using SimultaneousSet = std::vector<H323Capability*>;
  using Descriptor = std::vector<SimultaneousSet>;

  H323Capabilities() = default;
  ~H323Capabilities() override = default;
  // Deep copies (cloning every capability, keeping numbers and descriptors).
  H323Capabilities(const H323Capabilities& other);
  H323Capabilities& operator=(const H323Capabilities& other);

  // Enters `capability` (the table takes ownership; a capability already in the table is
  // not entered twice) in descriptor `descriptorNum` and simultaneous set `simultaneous`.
  // A number beyond the existing ones (P_MAX_INDEX, say) makes a new descriptor or set.
  // Returns the index of the simultaneous set, or P_MAX_INDEX when `capability` is null.
  PINDEX SetCapability(PINDEX descriptorNum, PINDEX simultaneous, H323Capability* capability);
  // Adds every registered capability whose name contains `wildcard` ("*" or "" for all).
  // Returns the simultaneous set used, or P_MAX_INDEX when none was added.
  PINDEX AddAllCapabilities(H323EndPoint* endpoint, PINDEX descriptorNum, PINDEX simultaneous,
                            const PString& wildcard);
  // Enters a capability in the table alone, outside the descriptors.
  void Add(H323Capability* capability);
  // Removes (and deletes) a capability and its descriptor entries.
  void Remove(H323Capability* capability);
  void RemoveAll();

  PINDEX GetSize() const;
  // The capability at `index` in table order, or null.
  H323Capability* GetAt(PINDEX index) const;
  H323Capability* FindCapability(const PString& formatName) const;
  H323Capability* FindCapability(unsigned capabilityNumber) const;
  H323Capability* FindCapability(H323Capability::MainTypes mainType, unsigned subType) const;
  const std::vector<Descriptor>& GetSet() const { return m_set; }

 private:
  H323Capability* Enter(H323Capability* capability);

  std::vector<std::unique_ptr<H323Capability>> m_table;
  std::vector<Descriptor> m_set;
};
