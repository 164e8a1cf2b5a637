#include "setup/CVoice_Page2.h"

CVoice_Page2::CVoice_Page2() : CPropertyPage(IDD) {}

CVoice_Page2::~CVoice_Page2() = default;
