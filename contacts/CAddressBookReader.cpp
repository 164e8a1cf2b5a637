#include "contacts/CAddressBookReader.h"

CAddressBookReader::CAddressBookReader() = default;

CAddressBookReader::~CAddressBookReader() = default;
