#include "platform/win/PlacementRequests.h"

#include <algorithm>

namespace varlo::win {

void PlacementRequests::Asked(CPoint origin) {
  if (m_pending.empty() ? (m_shown && *m_shown == origin) : m_pending.back() == origin) return;
  m_pending.push_back(origin);
  if (m_pending.size() > kMaxPending) m_pending.pop_front();
}

std::optional<CPoint> PlacementRequests::Reported(CPoint origin) {
  const auto asked = std::find(m_pending.begin(), m_pending.end(), origin);
  if (asked != m_pending.end()) {
    // That request has arrived; the ones before it are past.
    m_pending.erase(m_pending.begin(), asked + 1);
    m_shown = origin;
    return std::nullopt;
  }
  if (m_shown && *m_shown == origin) return std::nullopt;  // not moved yet, or not at all
  m_shown = origin;
  m_pending.clear();  // the window system has decided; what was asked before is past
  return origin;
}

}  // namespace varlo::win
