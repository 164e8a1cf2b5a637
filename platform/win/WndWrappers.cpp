#include "platform/win/WndWrappers.h"

#include <strings.h>

#include <cstring>

#include "platform/win/Controls.h"
#include "platform/win/ListCtrl.h"

namespace varlo::win {

std::unique_ptr<CWnd> MakeWrapper(std::string_view name) {
  auto is = [&](const char* n) { return name.size() == std::strlen(n) && strncasecmp(name.data(), n, name.size()) == 0; };
  if (is("BUTTON")) return std::make_unique<CButton>();
  if (is("EDIT")) return std::make_unique<CEdit>();
  if (is("STATIC")) return std::make_unique<CStatic>();
  if (is("COMBOBOX")) return std::make_unique<CComboBox>();
  if (is("LISTBOX")) return std::make_unique<CListBox>();
  if (is("SysListView32")) return std::make_unique<CListCtrl>();
  if (is("msctls_trackbar32")) return std::make_unique<CSliderCtrl>();
  if (is("msctls_progress32")) return std::make_unique<CProgressCtrl>();
  if (is("tooltips_class32")) return std::make_unique<CToolTipCtrl>();
  return std::make_unique<CWnd>();
}

}  // namespace varlo::win
