#include "setup/CSetupSheet.h"

CSetupSheet::CSetupSheet(UINT captionId, CWnd* parent, UINT selectPage)
    : CPropertySheet(captionId, parent, selectPage) {}

CSetupSheet::CSetupSheet(const char* caption, CWnd* parent, UINT selectPage)
    : CPropertySheet(caption, parent, selectPage) {}

CSetupSheet::~CSetupSheet() = default;
