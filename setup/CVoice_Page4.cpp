#include "setup/CVoice_Page4.h"

CVoice_Page4::CVoice_Page4() : CPropertyPage(IDD) {}

CVoice_Page4::~CVoice_Page4() = default;
