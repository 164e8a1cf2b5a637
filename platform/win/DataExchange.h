// Dialog data exchange: moves values between a dialog's members and its controls, in
// both directions, with validation that keeps the dialog open on bad input.
#pragma once
#include "platform/core/CException.h"
#include "platform/core/CString.h"
#include "platform/win/Wnd.h"

// Thrown by CDataExchange::Fail once the user has been told what is wrong.
class CUserException : public CException {
 public:
  CUserException() : CException(CString("validation failed")) {}
};

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  // The control about to be exchanged (the one that gets the focus when a check fails).
  HWND PrepareCtrl(int id);
  HWND PrepareEditCtrl(int id) { return PrepareCtrl(id); }
  [[noreturn]] void Fail();
  HWND LastControl() const { return m_lastControl; }

 private:
  HWND m_lastControl = nullptr;
};

void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, UINT& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
// value is the index of the checked button in the group that starts at id, -1 for none.
void DDX_Radio(CDataExchange* dx, int id, int& value);
void DDX_CBString(CDataExchange* dx, int id, CString& value);
void DDX_CBStringExact(CDataExchange* dx, int id, CString& value);
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_LBIndex(CDataExchange* dx, int id, int& index);
void DDX_Slider(CDataExchange* dx, int id, int& value);
// Saving: a longer text fails with a message; loading: limits the edit to that length.
void DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum);
