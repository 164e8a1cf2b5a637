// The options sheet's page 1, the account page.
#pragma once
#include "platform/win/PropertySheet.h"

class CSetupPage1 : public CPropertyPage {
 public:
  enum { IDD = 183 };
  CSetupPage1();
  ~CSetupPage1() override;
};
