#include "setup/CVoiceSheet.h"

CVoiceSheet::CVoiceSheet(UINT captionId, CWnd* parent, UINT selectPage)
    : CPropertySheet(captionId, parent, selectPage) {}

CVoiceSheet::CVoiceSheet(const char* caption, CWnd* parent, UINT selectPage)
    : CPropertySheet(caption, parent, selectPage) {}

CVoiceSheet::~CVoiceSheet() = default;
