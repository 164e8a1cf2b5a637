// The quick-dial panel (dialog 212): five slots of a name and a number beside the main
// window.  It slides out from behind the main window's right edge, stays docked there
// (the main window moves it along) and slides back in when its close strip is pressed.
// A click on a filled slot dials it through the main window; an empty slot, or a slot's
// edit button, opens the entry dialog.  The slots live in "Quickdail.dat" in m_directory,
// read when the panel opens and written when it closes (or when the main window deletes
// it, while its labels still hold the slots).  The panel deletes itself once its window
// is gone.
//
// While an entry dialog of the panel is open the panel is disabled, and a close asked for
// meanwhile (WM_CLOSE, or the main window going) waits until the dialog has ended.
#pragma once
#include "contacts/QuickDialFile.h"
#include "platform/core/CString.h"
#include "platform/win/Dialog.h"
#include "platform/win/Gdi.h"
#include "ui/CHyperLink.h"
#include "ui/CSkinButton.h"

class CVarloDlg;

class CQuickDialDlg : public CDialog {
 public:
  enum { IDD = 212 };
  static constexpr UINT_PTR kSlideOutTimer = 1;
  static constexpr UINT_PTR kSlideInTimer = 2;
  static constexpr UINT kSlideTimerMs = 35;
  static constexpr int kLastSlideStep = 21;  // the slide takes this many moves
  static constexpr int kSlidePixels = 7;     // per move
  static constexpr int kWidth = 143;
  static constexpr int kHeight = 228;
  static constexpr int kTopOffset = 35;      // below the main window's top
  static constexpr int kCloseStrip = 1006;
  static constexpr COLORREF kNormalColour = 0x00B47B42;  // red 66, green 123, blue 180
  static constexpr COLORREF kHoverColour = 0x00FFAE63;   // red 99, green 174, blue 255
  // Control ids of slots 1 to 5.
  static constexpr int kNameIds[kQuickDialSlots] = {1042, 1047, 1050, 1053, 1056};
  static constexpr int kNumberIds[kQuickDialSlots] = {1043, 1048, 1051, 1054, 1057};
  static constexpr int kEditIds[kQuickDialSlots] = {1046, 1049, 1052, 1055, 1058};

  explicit CQuickDialDlg(CWnd* parent = nullptr);
  ~CQuickDialDlg() override;

  // Creates the panel's window, top-level and without an owner, so that it can lie behind
  // the main window.
  BOOL Create();
  // The main window goes: the panel forgets it and ends, at once or, while an entry dialog
  // is open, when that dialog has ended.  The slots are written either way.
  void EndWithMainWindow();

  BOOL PreTranslateMessage(MSG* msg) override;

  // The slots as the panel shows them now.
  QuickDialSlots GetSlots() const;
  bool IsEditing() const { return m_editing; }

  CVarloDlg* m_mainDlg = nullptr;  // the application's main window; not owned
  // The directory of the panel's file, with a trailing "/".
  CString m_directory;
  CRgn m_panelRgn;
  CBitmap m_bkBitmap;
  CBrush m_bkBrush;
  // The slide's step: 0 while the panel is still, 1 to 21 while it slides out, 0 to 21
  // while it slides in.
  int m_slideStep = 0;
  // The slot being edited, 1 to 5; 0 before any edit.
  int m_editSlot = 0;
  CHyperLink m_numberLabels[kQuickDialSlots];
  CHyperLink m_nameLabels[kQuickDialSlots];
  CSkinButton m_editButtons[kQuickDialSlots];
  CSkinButton m_closeButton;
  CString m_numbers[kQuickDialSlots];

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  void PostNcDestroy() override;

  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);
  void OnDestroy();
  void OnCloseButton();
  void OnClose();
  void OnTimer(UINT_PTR id);
  void OnSlot1Name() { OnSlot1Number(); }
  void OnSlot2Name() { OnSlot2Number(); }
  void OnSlot3Name() { OnSlot3Number(); }
  void OnSlot4Name() { OnSlot4Number(); }
  void OnSlot5Name() { OnSlot5Number(); }
  void OnSlot1Number() { ClickSlot(1); }
  void OnSlot2Number() { ClickSlot(2); }
  void OnSlot3Number() { ClickSlot(3); }
  void OnSlot4Number() { ClickSlot(4); }
  void OnSlot5Number() { ClickSlot(5); }
  void OnEditSlot1() { StartEdit(1); }
  void OnEditSlot2() { StartEdit(2); }
  void OnEditSlot3() { StartEdit(3); }
  void OnEditSlot4() { StartEdit(4); }
  void OnEditSlot5() { StartEdit(5); }
  DECLARE_MESSAGE_MAP()

 private:
  void ClickSlot(int slot);
  void StartEdit(int slot);
  // Runs the entry dialog for m_editSlot.  FALSE when the panel closed meanwhile (the
  // object is then gone).
  BOOL EditSlot();
  void ShowSlots(const QuickDialSlots& slots);
  BOOL WriteSlots() const;
  // The main window's screen rectangle; FALSE when there is no main window.
  BOOL MainWindowRect(CRect& rect) const;

  bool m_slidingOut = false;
  bool m_slidingIn = false;
  bool m_editing = false;
  bool m_closeAfterEdit = false;
  bool m_deleteWhenGone = true;  // cleared while the destructor destroys the window
};
