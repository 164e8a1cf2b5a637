#include "engine/ProfileServices.h"

#include "engine/HostLookup.h"

ProfileServices ProfileServices::System() { return ProfileServices{LookupIPv4, DefaultSoundDevice}; }
