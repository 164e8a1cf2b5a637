// The registration alias and password the service expects.
//   account login:  alias "03<identifier>/<account>", the account's password
//   card login:     alias "02" + base64 of the enciphered card text (58 characters),
//                   password the PIN's first four characters followed by its last four
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

constexpr int kCardBufferBytes = 40;
// The card text reads PIN characters 0 to 3, and the password takes four from each end.
constexpr int kMinCardPinLength = 4;

CString BuildAccountAlias(const CString& identifier, const CString& account);

// The card text for a login at a local time whose seconds field is `seconds` (its parity
// chooses the format), written into the start of a zeroed 40-byte buffer; a longer text is
// cut at 40 bytes.  FALSE, with the buffer zeroed, for a PIN shorter than four characters.
BOOL BuildCardText(const CString& identifier, const CString& pin, int seconds, BYTE (&buffer)[kCardBufferBytes]);

// The whole card alias; FALSE for a PIN the card text cannot be made from.
BOOL BuildCardAlias(const CString& identifier, const CString& pin, int seconds, CString& alias);

CString CardPassword(const CString& pin);
