// CListCtrl: the list view in report view (columns, rows, selection), as the contact book
// uses it.
#pragma once
#include "platform/win/Wnd.h"

struct __POSITION;
using POSITION = __POSITION*;

constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
constexpr int LVNI_ALL = 0;
constexpr int LVNI_FOCUSED = 1;
constexpr int LVNI_SELECTED = 2;
constexpr UINT LVIS_FOCUSED_STATE = 0x0001;
constexpr UINT LVIS_SELECTED_STATE = 0x0002;

class CListCtrl : public CWnd {
 public:
  int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
  int GetColumnWidth(int column) const;
  BOOL SetColumnWidth(int column, int width);
  int GetColumnCount() const;
  DWORD SetExtendedStyle(DWORD style);
  DWORD GetExtendedStyle() const;
  // Returns the row's index (its sorted place in a sorted list), -1 on failure.
  int InsertItem(int index, const char* text);
  BOOL SetItemText(int item, int subItem, const char* text);
  CString GetItemText(int item, int subItem) const;
  // A value the program keeps with a row; it moves with the row and is 0 for a new row.
  BOOL SetItemData(int item, DWORD_PTR data);
  DWORD_PTR GetItemData(int item) const;
  BOOL DeleteItem(int item);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  BOOL SetItemState(int item, UINT state, UINT mask);
  UINT GetItemState(int item, UINT mask) const;
  // The next row after start (-1: from the top) with all the given LVNI_* flags.
  int GetNextItem(int start, int flags) const;
  POSITION GetFirstSelectedItemPosition() const;
  int GetNextSelectedItem(POSITION& pos) const;
  int GetSelectedCount() const;
  BOOL EnsureVisible(int item, BOOL partialOk);
  int GetTopIndex() const;
};
