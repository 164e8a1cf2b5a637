#include "engine/ServiceCodes.h"

namespace {

// True when the text holds characters i and i + 1 and they are `pair`.
bool PairIs(const CString& text, int i, const char* pair) {
  return text.GetLength() >= i + 2 && text[i] == pair[0] && text[i + 1] == pair[1];
}

struct CodeRow {
  int position;
  const char* pair;
  int accountId;  // string id in account mode
  int cardId;     // string id in card (or no) mode; 0: the row does not apply
};

// Rows after the leading "01", tried from the top.
constexpr CodeRow kRows[] = {
    {2, "00", 131, 123},   // no such account / PIN
    {4, "00", 124, 125},   // inactive
    {4, "02", 126, 127},   // expired
    {6, "00", 121, 0},     // wrong password (account only)
    {10, "01", 132, 128},  // no money left
};

}  // namespace

int RegistrationServiceCodeStringId(const CString& text, int loginMode) {
  if (PairIs(text, 0, "00")) return 133;
  if (!PairIs(text, 0, "01")) return 0;
  const bool account = loginMode == kLoginAccount;
  for (const CodeRow& row : kRows) {
    int id = account ? row.accountId : row.cardId;
    if (id != 0 && PairIs(text, row.position, row.pair)) return id;
  }
  return 0;
}

RegistrationRejectActions DecideRegistrationReject(unsigned reasonTag, const CString& text, bool lumorethCalls,
                                                   int loginMode, bool alternateKnown) {
  RegistrationRejectActions a;
  if (reasonTag == kRrjDiscoveryRequired && alternateKnown) a.switchToAlternate = true;
  if (reasonTag == kRrjDuplicateAlias) {
    a.errorStringId = 130;
    return a;
  }
  if (reasonTag == kRrjFullRegistrationRequired) {
    a.dropAndRelogin = true;
    return a;
  }
  if (lumorethCalls) {
    a.errorStringId = RegistrationServiceCodeStringId(text, loginMode);
    if (a.errorStringId) return a;
  }
  if (reasonTag == kRrjSecurityDenial) a.errorStringId = loginMode == kLoginAccount ? 121 : 123;
  return a;
}

int AdmissionRejectStringId(unsigned reasonTag) { return reasonTag == kArjInvalidPermission ? 129 : 0; }
