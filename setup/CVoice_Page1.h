// The audio set-up wizard's page 1: the playback and recording devices.
#pragma once
#include "platform/win/PropertySheet.h"

class CVoice_Page1 : public CPropertyPage {
 public:
  enum { IDD = 207 };
  CVoice_Page1();
  ~CVoice_Page1() override;
};
