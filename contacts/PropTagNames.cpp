#include "contacts/CAddressBookReader.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

struct PropName {
  ULONG id;
  const char* name;
};

// The address-book properties known by name, in ascending id order.
constexpr PropName kPropNames[] = {
    {0x0FFE, "PR_OBJECT_TYPE"},
    {0x0FFF, "PR_ENTRYID"},
    {0x3001, "PR_DISPLAY_NAME"},
    {0x3002, "PR_ADDRTYPE"},
    {0x3003, "PR_EMAIL_ADDRESS"},
    {0x3004, "PR_COMMENT"},
    {0x300B, "PR_SEARCH_KEY"},
    {0x39FF, "PR_7BIT_DISPLAY_NAME"},
    {0x3A00, "PR_ACCOUNT"},
    {0x3A01, "PR_ALTERNATE_RECIPIENT"},
    {0x3A02, "PR_CALLBACK_TELEPHONE_NUMBER"},
    {0x3A03, "PR_CONVERSION_PROHIBITED"},
    {0x3A04, "PR_DISCLOSE_RECIPIENTS"},
    {0x3A05, "PR_GENERATION"},
    {0x3A06, "PR_GIVEN_NAME"},
    {0x3A07, "PR_GOVERNMENT_ID_NUMBER"},
    {0x3A08, "PR_BUSINESS_TELEPHONE_NUMBER"},
    {0x3A09, "PR_HOME_TELEPHONE_NUMBER"},
    {0x3A0A, "PR_INITIALS"},
    {0x3A0B, "PR_KEYWORD"},
    {0x3A0C, "PR_LANGUAGE"},
    {0x3A0D, "PR_LOCATION"},
    {0x3A0E, "PR_MAIL_PERMISSION"},
    {0x3A0F, "PR_MHS_COMMON_NAME"},
    {0x3A10, "PR_ORGANIZATIONAL_ID_NUMBER"},
    {0x3A11, "PR_SURNAME"},
    {0x3A12, "PR_ORIGINAL_ENTRYID"},
    {0x3A13, "PR_ORIGINAL_DISPLAY_NAME"},
    {0x3A14, "PR_ORIGINAL_SEARCH_KEY"},
    {0x3A15, "PR_POSTAL_ADDRESS"},
    {0x3A16, "PR_COMPANY_NAME"},
    {0x3A17, "PR_TITLE"},
    {0x3A18, "PR_DEPARTMENT_NAME"},
    {0x3A19, "PR_OFFICE_LOCATION"},
    {0x3A1A, "PR_PRIMARY_TELEPHONE_NUMBER"},
    {0x3A1B, "PR_BUSINESS2_TELEPHONE_NUMBER"},
    {0x3A1C, "PR_CELLULAR_TELEPHONE_NUMBER"},
    {0x3A1D, "PR_RADIO_TELEPHONE_NUMBER"},
    {0x3A1E, "PR_CAR_TELEPHONE_NUMBER"},
    {0x3A1F, "PR_OTHER_TELEPHONE_NUMBER"},
    {0x3A20, "PR_TRANSMITABLE_DISPLAY_NAME"},
    {0x3A21, "PR_PAGER_TELEPHONE_NUMBER"},
    {0x3A22, "PR_USER_CERTIFICATE"},
    {0x3A23, "PR_PRIMARY_FAX_NUMBER"},
    {0x3A24, "PR_BUSINESS_FAX_NUMBER"},
    {0x3A25, "PR_HOME_FAX_NUMBER"},
    {0x3A26, "PR_COUNTRY"},
    {0x3A27, "PR_LOCALITY"},
    {0x3A28, "PR_STATE_OR_PROVINCE"},
    {0x3A29, "PR_STREET_ADDRESS"},
    {0x3A2A, "PR_POSTAL_CODE"},
    {0x3A2B, "PR_POST_OFFICE_BOX"},
    {0x3A2C, "PR_TELEX_NUMBER"},
    {0x3A2D, "PR_ISDN_NUMBER"},
    {0x3A2E, "PR_ASSISTANT_TELEPHONE_NUMBER"},
    {0x3A2F, "PR_HOME2_TELEPHONE_NUMBER"},
    {0x3A30, "PR_ASSISTANT"},
    {0x3A40, "PR_SEND_RICH_INFO"},
    {0x3A41, "PR_WEDDING_ANNIVERSARY"},
    {0x3A42, "PR_BIRTHDAY"},
    {0x3A43, "PR_HOBBIES"},
    {0x3A44, "PR_MIDDLE_NAME"},
    {0x3A45, "PR_DISPLAY_NAME_PREFIX"},
    {0x3A46, "PR_PROFESSION"},
    {0x3A47, "PR_PREFERRED_BY_NAME"},
    {0x3A48, "PR_SPOUSE_NAME"},
    {0x3A49, "PR_COMPUTER_NETWORK_NAME"},
    {0x3A4A, "PR_CUSTOMER_ID"},
    {0x3A4B, "PR_TTYTDD_PHONE_NUMBER"},
    {0x3A4C, "PR_FTP_SITE"},
    {0x3A4D, "PR_GENDER"},
    {0x3A4E, "PR_MANAGER_NAME"},
    {0x3A4F, "PR_NICKNAME"},
    {0x3A50, "PR_PERSONAL_HOME_PAGE"},
    {0x3A51, "PR_BUSINESS_HOME_PAGE"},
    {0x3A52, "PR_CONTACT_VERSION"},
    {0x3A53, "PR_CONTACT_ENTRYIDS"},
    {0x3A54, "PR_CONTACT_ADDRTYPES"},
    {0x3A55, "PR_CONTACT_DEFAULT_ADDRESS_INDEX"},
    {0x3A56, "PR_CONTACT_EMAIL_ADDRESSES"},
    {0x3A57, "PR_COMPANY_MAIN_PHONE_NUMBER"},
    {0x3A58, "PR_CHILDRENS_NAMES"},
    {0x3A59, "PR_HOME_ADDRESS_CITY"},
    {0x3A5A, "PR_HOME_ADDRESS_COUNTRY"},
    {0x3A5B, "PR_HOME_ADDRESS_POSTAL_CODE"},
    {0x3A5C, "PR_HOME_ADDRESS_STATE_OR_PROVINCE"},
    {0x3A5D, "PR_HOME_ADDRESS_STREET"},
    {0x3A5E, "PR_HOME_ADDRESS_POST_OFFICE_BOX"},
    {0x3A5F, "PR_OTHER_ADDRESS_CITY"},
    {0x3A60, "PR_OTHER_ADDRESS_COUNTRY"},
    {0x3A61, "PR_OTHER_ADDRESS_POSTAL_CODE"},
    {0x3A62, "PR_OTHER_ADDRESS_STATE_OR_PROVINCE"},
    {0x3A63, "PR_OTHER_ADDRESS_STREET"},
    {0x3A64, "PR_OTHER_ADDRESS_POST_OFFICE_BOX"},
    {0x3A70, "PR_USER_X509_CERTIFICATE"},
    {0x3A71, "PR_SEND_INTERNET_ENCODING"},
};

}  // namespace

const char* CAddressBookReader::PropTagToName(ULONG tag) {
  const ULONG id = PROP_ID(tag);
  const auto* end = std::end(kPropNames);
  const auto* found = std::lower_bound(std::begin(kPropNames), end, id, [](const PropName& p, ULONG v) { return p.id < v; });
  if (found != end && found->id == id) return found->name;
  static char unknown[40];
  std::snprintf(unknown, sizeof(unknown), "Unknown property tag 0x%x", static_cast<unsigned>(id));
  return unknown;
}
