#include "platform/win/DataExchange.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win/Controls.h"
#include "platform/win/FrameworkText.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WindowState.h"

HWND CDataExchange::PrepareCtrl(int id) {
  m_lastControl = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
  return m_lastControl;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_lastControl) ::SetFocus(m_lastControl);
  throw CUserException();
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd) return;
  HWND h = dx->PrepareCtrl(id);
  if (h) control.SubclassWindow(h);
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
  HWND h = dx->PrepareEditCtrl(id);
  if (!h) return;
  if (dx->m_bSaveAndValidate) {
    CWnd::FromHandle(h)->GetWindowText(value);
  } else {
    ::SetWindowText(h, value.GetString());
  }
}

namespace {
bool ParseInt(const CString& text, long long& out) {
  const char* s = text.GetString();
  while (*s == ' ' || *s == '\t') ++s;
  if (!*s) return false;
  char* end = nullptr;
  out = std::strtoll(s, &end, 10);
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}
}  // namespace

void DDX_Text(CDataExchange* dx, int id, int& value) {
  HWND h = dx->PrepareEditCtrl(id);
  if (!h) return;
  if (dx->m_bSaveAndValidate) {
    CString text;
    CWnd::FromHandle(h)->GetWindowText(text);
    long long v = 0;
    if (!ParseInt(text, v) || v < -2147483648LL || v > 2147483647LL) {
      AfxMessageBox(varlo::win::FrameworkText(varlo::win::kTextEnterInteger), MB_OK | MB_ICONEXCLAMATION);
      dx->Fail();
    }
    value = static_cast<int>(v);
  } else {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", value);
    ::SetWindowText(h, buf);
  }
}

void DDX_Text(CDataExchange* dx, int id, UINT& value) {
  HWND h = dx->PrepareEditCtrl(id);
  if (!h) return;
  if (dx->m_bSaveAndValidate) {
    CString text;
    CWnd::FromHandle(h)->GetWindowText(text);
    long long v = 0;
    if (!ParseInt(text, v) || v < 0 || v > 4294967295LL) {
      AfxMessageBox(varlo::win::FrameworkText(varlo::win::kTextEnterPositiveInteger), MB_OK | MB_ICONEXCLAMATION);
      dx->Fail();
    }
    value = static_cast<UINT>(v);
  } else {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u", value);
    ::SetWindowText(h, buf);
  }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND h = dx->PrepareCtrl(id);
  if (!h) return;
  if (dx->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessage(h, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessage(h, BM_SETCHECK, static_cast<WPARAM>(value < 0 ? 0 : value), 0);
  }
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
  HWND first = dx->PrepareCtrl(id);
  if (!first) return;
  CWnd* dialog = dx->m_pDlgWnd;
  auto* state = dialog->State();
  if (!state) return;
  // The group runs from the first button to the next control that starts a group.
  bool inGroup = false;
  int index = 0;
  if (dx->m_bSaveAndValidate) value = -1;
  for (HWND c : std::vector<HWND>(state->children)) {
    const DWORD style = static_cast<DWORD>(::GetWindowLong(c, GWL_STYLE));
    if (c == first) {
      inGroup = true;
    } else if (inGroup && (style & WS_GROUP)) {
      break;
    }
    if (!inGroup) continue;
    const DWORD type = style & BS_TYPEMASK;
    if (type != BS_RADIOBUTTON && type != BS_AUTORADIOBUTTON) continue;
    if (dx->m_bSaveAndValidate) {
      if (::SendMessage(c, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      ::SendMessage(c, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    ++index;
  }
}

void DDX_CBString(CDataExchange* dx, int id, CString& value) {
  HWND h = dx->PrepareCtrl(id);
  if (!h) return;
  if (dx->m_bSaveAndValidate) {
    CWnd::FromHandle(h)->GetWindowText(value);
  } else if (::SendMessage(h, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.GetString())) ==
             CB_ERR) {
    ::SetWindowText(h, value.GetString());
  }
}

void DDX_CBStringExact(CDataExchange* dx, int id, CString& value) {
  HWND h = dx->PrepareCtrl(id);
  if (!h) return;
  if (dx->m_bSaveAndValidate) {
    CWnd::FromHandle(h)->GetWindowText(value);
    return;
  }
  const LRESULT i =
      ::SendMessage(h, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.GetString()));
  if (i == CB_ERR) {
    ::SetWindowText(h, value.GetString());
  } else {
    ::SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  }
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
  HWND h = dx->PrepareCtrl(id);
  if (!h) return;
  if (dx->m_bSaveAndValidate) {
    index = static_cast<int>(::SendMessage(h, CB_GETCURSEL, 0, 0));
  } else {
    ::SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

void DDX_LBIndex(CDataExchange* dx, int id, int& index) {
  HWND h = dx->PrepareCtrl(id);
  if (!h) return;
  if (dx->m_bSaveAndValidate) {
    index = static_cast<int>(::SendMessage(h, LB_GETCURSEL, 0, 0));
  } else {
    ::SendMessage(h, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

void DDX_Slider(CDataExchange* dx, int id, int& value) {
  HWND h = dx->PrepareCtrl(id);
  if (!h) return;
  if (dx->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessage(h, TBM_GETPOS, 0, 0));
  } else {
    ::SendMessage(h, TBM_SETPOS, TRUE, value);
  }
}

void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars) {
  if (dx->m_bSaveAndValidate) {
    if (value.GetLength() > maxChars) {
      AfxMessageBox(varlo::win::FrameworkText(varlo::win::kTextMaxChars, std::to_string(maxChars)), MB_OK | MB_ICONEXCLAMATION);
      dx->Fail();
    }
  } else if (HWND h = dx->LastControl()) {
    // The control exchanged last is the one to limit.
    CWnd* control = CWnd::FromHandle(h);
    const bool combo = control && control->State() && control->State()->className == "COMBOBOX";
    ::SendMessage(h, combo ? CB_LIMITTEXT : EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
  }
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum) {
  if (dx->m_bSaveAndValidate && (value < minimum || value > maximum)) {
    AfxMessageBox(varlo::win::FrameworkText(varlo::win::kTextIntegerRange, std::to_string(minimum), std::to_string(maximum)),
                  MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
  }
}
