#include "engine/MediaRelay.h"

// Written on the user-interface thread before a call starts and read on the stack's
// signalling threads while its channels open; plain words, as the channel set-up only reads
// them after the call was placed.
DWORD g_relayOctetA = 0;
DWORD g_relayOctetB = 0;
DWORD g_relayOctetC = 0;
DWORD g_relayOctetD = 0;
DWORD g_relayDataPort = 0;
DWORD g_relayControlPort = 0;

BOOL SetMediaRelay(DWORD a, DWORD b, DWORD c, DWORD d, DWORD dataPort, DWORD controlPort) {
  g_relayOctetA = a;
  g_relayOctetB = b;
  g_relayOctetC = c;
  g_relayOctetD = d;
  g_relayControlPort = controlPort;
  g_relayDataPort = dataPort;
  return TRUE;
}

void ResetMediaRelayPorts() {
  g_relayDataPort = 0;
  g_relayControlPort = 0;
}

bool IsMediaRelayOn() { return (g_relayDataPort & 0xFFFF) != 0; }
