// The relay state: the address and ports of the media relay that RTP channels use once the
// relay client has been granted a port pair.  The relay is on while the data port is not
// zero.  The state outlives calls; a new endpoint turns it off, the next grant replaces it.
#pragma once

#include "platform/core/WinTypes.h"

extern DWORD g_relayOctetA;
extern DWORD g_relayOctetB;
extern DWORD g_relayOctetC;
extern DWORD g_relayOctetD;
extern DWORD g_relayDataPort;
extern DWORD g_relayControlPort;

// Stores the relay's four address octets (first octet first) and its RTP and RTCP ports.
BOOL SetMediaRelay(DWORD a, DWORD b, DWORD c, DWORD d, DWORD dataPort, DWORD controlPort);
// Turns the relay off (both ports zero), as building an endpoint does.
void ResetMediaRelayPorts();
bool IsMediaRelayOn();
