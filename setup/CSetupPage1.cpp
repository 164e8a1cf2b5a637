#include "setup/CSetupPage1.h"

CSetupPage1::CSetupPage1() : CPropertyPage(IDD) {}

CSetupPage1::~CSetupPage1() = default;
