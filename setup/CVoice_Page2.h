// The audio set-up wizard's page 2: the test sound and the speaker volume.
#pragma once
#include "platform/win/PropertySheet.h"

class CVoice_Page2 : public CPropertyPage {
 public:
  enum { IDD = 208 };
  CVoice_Page2();
  ~CVoice_Page2() override;
};
