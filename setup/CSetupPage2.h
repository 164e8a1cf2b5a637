// The options sheet's page 2, the audio page.
#pragma once
#include "platform/win/PropertySheet.h"

class CSetupPage2 : public CPropertyPage {
 public:
  enum { IDD = 184 };
  CSetupPage2();
  ~CSetupPage2() override;
};
