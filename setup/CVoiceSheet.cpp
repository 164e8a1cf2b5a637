#include "setup/CVoiceSheet.h"

IMPLEMENT_DYNAMIC(CVoiceSheet, CPropertySheet)

CVoiceSheet::CVoiceSheet(UINT captionId, CWnd* parent, UINT selectPage)
    : CPropertySheet(captionId, parent, selectPage) {
  AddPages();
}

CVoiceSheet::CVoiceSheet(const char* caption, CWnd* parent, UINT selectPage)
    : CPropertySheet(caption, parent, selectPage) {
  AddPages();
}

// The pages' windows go before the pages themselves (their test sound and recorder end
// with their windows).
CVoiceSheet::~CVoiceSheet() {
  if (m_hWnd) DestroyWindow();
}

void CVoiceSheet::AddPages() {
  m_page1.m_sheet = m_page2.m_sheet = m_page3.m_sheet = m_page4.m_sheet = this;
  AddPage(&m_page1);
  AddPage(&m_page2);
  AddPage(&m_page3);
  AddPage(&m_page4);
}
