// What the service's gatekeeper means by a registration or admission reject: the reject
// reason together with the two-digit codes it writes into the reply's non-standard data.
#pragma once

#include "platform/core/CString.h"

// Login modes of the profile.
constexpr int kLoginNone = 0;
constexpr int kLoginAccount = 1;
constexpr int kLoginCard = 2;

// Tags of the H.225.0 reject-reason choices that the service gives a meaning.
constexpr unsigned kRrjDiscoveryRequired = 0;
constexpr unsigned kRrjDuplicateAlias = 4;
constexpr unsigned kRrjSecurityDenial = 11;
constexpr unsigned kRrjFullRegistrationRequired = 12;
constexpr unsigned kArjInvalidPermission = 1;

// The string id that a registration reject's service text names, 0 when none: the text's
// character pairs are read as codes ("00" old software; "01" followed by the account or
// PIN state).  Only pairs the text really holds are examined.
int RegistrationServiceCodeStringId(const CString& text, int loginMode);

// What the client does about one registration reject.
struct RegistrationRejectActions {
  bool switchToAlternate = false;  // drop, set the profile's one-shot override, log in again
  bool dropAndRelogin = false;     // drop the registration and log in again
  int errorStringId = 0;           // posted as the registration error text, 0 for none
};

RegistrationRejectActions DecideRegistrationReject(unsigned reasonTag, const CString& text, bool lumorethCalls,
                                                   int loginMode, bool alternateKnown);

// The admission reject's error text id, 0 for none.
int AdmissionRejectStringId(unsigned reasonTag);
