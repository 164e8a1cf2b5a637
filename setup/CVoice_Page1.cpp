#include "setup/CVoice_Page1.h"

CVoice_Page1::CVoice_Page1() : CPropertyPage(IDD) {}

CVoice_Page1::~CVoice_Page1() = default;
