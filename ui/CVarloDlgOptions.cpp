// The options sheet behind the My Account button and menu item.
#include "ui/CVarloDlg.h"

// The options sheet is not part of the program yet.
void CVarloDlg::OnMyAccount() {}
