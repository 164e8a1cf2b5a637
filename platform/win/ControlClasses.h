// The built-in control classes.  Each holds the control's data (what a test reads and a
// backend shows) and handles the control's messages, as the system's classes do.
#pragma once
#include <string>
#include <vector>

#include "platform/win/WindowClass.h"

namespace varlo::win {

// Sends WM_COMMAND with the control's id and a notification code to its parent.
void NotifyParent(WindowState& w, UINT code);
// Sends WM_NOTIFY with the header (and what follows it) to the control's parent.
LRESULT NotifyParent(WindowState& w, NMHDR& header);

class ButtonClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool DrawnByLayer(const WindowState& w) const override;
  void PaintControl(WindowState& w, CDC& dc) override;
  UINT CtlColorMessage() const override { return WM_CTLCOLORBTN; }
  static DWORD Type(const WindowState& w) { return w.style & BS_TYPEMASK; }
  // A click as the user makes it: check state of auto buttons, then BN_CLICKED.
  void Click(WindowState& w);
  UINT check = BST_UNCHECKED;
  bool pushed = false;
};

class EditClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  UINT CtlColorMessage() const override { return WM_CTLCOLOREDIT; }
  // The user changed the text in the toolkit's widget.
  void UserSetText(WindowState& w, const std::string& text);
  int LineCount(const WindowState& w) const;
  size_t limit = 30000;
  size_t selStart = 0;
  size_t selEnd = 0;
  int firstVisibleLine = 0;
};

class StaticClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool DrawnByLayer(const WindowState&) const override { return true; }
  void PaintControl(WindowState& w, CDC& dc) override;
  UINT CtlColorMessage() const override { return WM_CTLCOLORSTATIC; }
  HICON icon = nullptr;
  HBITMAP bitmap = nullptr;
};

// Shared by combo boxes and list boxes: the list of strings and the selection.
struct StringList {
  std::vector<std::string> items;
  // Each item's data (an application's value), beside it; 0 for a new item.
  std::vector<LPARAM> data;
  int cursel = -1;
  bool sorted = false;
  int Add(const std::string& s);
  int Insert(int index, const std::string& s);
  int Find(int after, const std::string& s, bool exact) const;
};

class ComboBoxClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  UINT CtlColorMessage() const override { return WM_CTLCOLOREDIT; }
  bool HasEdit(const WindowState& w) const { return (w.style & 0x3) != CBS_DROPDOWNLIST; }
  // The user picked an entry in the toolkit's list; the list closes.
  void UserSelect(WindowState& w, int index);
  // Drops the list down or closes it (CBN_DROPDOWN, CBN_CLOSEUP).
  void ShowDropped(WindowState& w, bool show);
  // The edit field of a drop-down box leaves the drop button's strip at the right free.
  static constexpr int kDropButtonWidth = 16;
  static CRect EditRect(const WindowState& w);
  StringList list;
  HWND edit = nullptr;
  bool dropped = false;
};

class ListBoxClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  UINT CtlColorMessage() const override { return WM_CTLCOLORLISTBOX; }
  void UserSelect(WindowState& w, int index);
  StringList list;
};

class ListViewClass final : public WindowClass {
 public:
  struct Column {
    std::string text;
    int width = 0;
    int format = 0;
  };
  struct Row {
    std::vector<std::string> cells;
    UINT state = 0;  // LVIS_SELECTED, LVIS_FOCUSED
    LPARAM data = 0;
  };
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  int InsertRow(WindowState& w, int index, const std::string& text);
  void SetState(WindowState& w, int row, UINT state, UINT mask);
  // The first row after `start` whose state has all of `want` (-1: none).
  int NextWith(const WindowState& w, int start, UINT want) const;
  int HitTestRow(CPoint client) const;
  // Rows, cells, columns or selection changed: the toolkit is told when the loop next
  // turns, once for everything changed until then (a list filled row by row is told once).
  static void ContentChanged(WindowState& w);
  // The user clicked (or right-clicked, or double-clicked) a row: selection and notification.
  void UserClick(WindowState& w, int row, UINT notifyCode, CPoint client);
  std::vector<Column> columns;
  std::vector<Row> rows;
  DWORD extendedStyle = 0;
  int topIndex = 0;

 private:
  // Where a state bit that only one row can have (the focus, a single-selection list's
  // selection) was last put: that row, found again without looking at every row while it
  // still has the bit (rows inserted or removed since move it; then every row is looked
  // at).  `several` once a change of all rows may have given it to more than one.
  struct OnlyRow {
    int row = -1;  // -1: no row has it
    bool several = false;
  };
  // Takes `bit` from every row.
  void ClearEvery(UINT bit, OnlyRow& only);
  // The row that has `bit`, -1 for none, -2 when it takes a look at every row to tell.
  int Holder(UINT bit, const OnlyRow& only) const;
  OnlyRow m_selected, m_focused;

 public:
  static constexpr int kHeaderHeight = 20;
  static constexpr int kRowHeight = 17;
};

class TrackbarClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  // The user moved the thumb (tracking) or let it go (released).
  void UserMove(WindowState& w, int position, bool released);
  int PositionAt(const WindowState& w, int x) const;
  int minimum = 0;
  int maximum = 100;
  int position = 0;
  bool dragging = false;
};

class ProgressClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  int minimum = 0;
  int maximum = 100;
  int position = 0;
};

struct TOOLINFO {
  UINT cbSize = sizeof(TOOLINFO);
  UINT uFlags = 0;
  HWND hwnd = nullptr;
  UINT_PTR uId = 0;
  RECT rect{};
  HINSTANCE hinst = nullptr;
  const char* lpszText = nullptr;
  LPARAM lParam = 0;
};
constexpr UINT TTF_IDISHWND = 0x0001;
constexpr UINT TTF_SUBCLASS = 0x0010;

class TooltipClass final : public WindowClass {
 public:
  struct Tool {
    HWND owner = nullptr;  // the window the tool lies in
    UINT_PTR id = 0;
    RECT rect{};
    std::string text;
  };
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  std::vector<Tool> tools;
  bool active = true;

  // The tip of the tool under the pointer shows once the pointer has stayed on the tool
  // for the initial delay, just below the pointer: the tooltip window becomes visible with
  // the tool's text as its own.  It goes when the pointer leaves the tool (seen from the
  // relayed mouse moves and, as the tool's window gets none once the pointer is elsewhere,
  // by looking at the pointer every kLeaveCheckMs) or when a button is pressed; after a
  // press it stays away until the pointer has left the tool.
  static constexpr UINT kInitialDelayMs = 500;
  static constexpr UINT kLeaveCheckMs = 100;
  static constexpr int kBelowPointer = 20;  // the tip's top edge below the pointer
  HWND hoverOwner = nullptr;                // the tool under the pointer (null: none)
  UINT_PTR hoverId = 0;
  bool dismissed = false;

 private:
  const Tool* FindTool(HWND owner, UINT_PTR id) const;
  const Tool* ToolAt(HWND owner, CPoint client) const;
  void Relay(WindowState& w, const MSG& m);
  void Leave(WindowState& w);
  void Hide(WindowState& w);
  void Show(WindowState& w);
  void FitText(WindowState& w, const std::string& text, CPoint topLeft);
  bool PointerOnHoverTool() const;
};

// The tooltip text shown for a window: the text of an active tooltip's tool that lies in
// it (empty for none).
std::string TooltipTextFor(HWND hwnd);

class TabClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool DrawnByLayer(const WindowState&) const override { return true; }
  void PaintControl(WindowState& w, CDC& dc) override;
  CRect TabRect(int index) const;
  std::vector<std::string> tabs;
  std::vector<int> widths;
  int cursel = -1;
};
constexpr UINT TCN_SELCHANGE = static_cast<UINT>(-551);
constexpr UINT TCN_SELCHANGING = static_cast<UINT>(-552);

// Notification payload of list-view clicks.
struct NMITEMACTIVATE {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  POINT ptAction{};
  LPARAM lParam = 0;
  UINT uKeyFlags = 0;
};
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;

}  // namespace varlo::win
