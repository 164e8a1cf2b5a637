// The audio set-up wizard's page 3: the recording level meter.
#pragma once
#include "platform/win/PropertySheet.h"

class CVoice_Page3 : public CPropertyPage {
 public:
  enum { IDD = 209 };
  CVoice_Page3();
  ~CVoice_Page3() override;
};
