#include "setup/CSetupPage3.h"

CSetupPage3::CSetupPage3() : CPropertyPage(IDD) {}

CSetupPage3::~CSetupPage3() = default;
