// The H.245 message classes that capabilities read and write.  They are generated from
// the ASN.1 modules; code that fills or reads them includes the generated header.
#pragma once

class H245_Capability;
class H245_DataType;
class H245_AudioCapability;
