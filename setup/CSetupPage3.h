// The options sheet's page 3, the options page.
#pragma once
#include "platform/win/PropertySheet.h"

class CSetupPage3 : public CPropertyPage {
 public:
  enum { IDD = 205 };
  CSetupPage3();
  ~CSetupPage3() override;
};
