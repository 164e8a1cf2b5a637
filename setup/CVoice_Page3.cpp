#include "setup/CVoice_Page3.h"

CVoice_Page3::CVoice_Page3() : CPropertyPage(IDD) {}

CVoice_Page3::~CVoice_Page3() = default;
