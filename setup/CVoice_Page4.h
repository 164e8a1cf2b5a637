// The audio set-up wizard's page 4: the finish page.
#pragma once
#include "platform/win/PropertySheet.h"

class CVoice_Page4 : public CPropertyPage {
 public:
  enum { IDD = 210 };
  CVoice_Page4();
  ~CVoice_Page4() override;
};
