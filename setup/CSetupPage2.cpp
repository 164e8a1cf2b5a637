#include "setup/CSetupPage2.h"

CSetupPage2::CSetupPage2() : CPropertyPage(IDD) {}

CSetupPage2::~CSetupPage2() = default;
