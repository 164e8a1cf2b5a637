// Menus: loaded from a menu resource or built by hand, tracked as pop-up menus, and the
// system menu of a window.  The items live in MenuData, which tests read directly.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/win/Wnd.h"

namespace varlo::win {

struct MenuItem {
  UINT flags = 0;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_CHECKED
  UINT id = 0;
  std::string text;
  std::shared_ptr<class MenuData> popup;
};

class MenuData {
 public:
  std::vector<MenuItem> items;
  // The item that carries a command id, searched through the sub-menus.
  const MenuItem* FindCommand(UINT id) const;
};

// The system menu of a window (made on first use).
CMenu* SystemMenuOf(HWND hwnd, BOOL revert);

// Answers TrackPopupMenu in display-free runs: given the menu, returns the command to
// choose (0 for none).  Null restores the default (choose nothing).
using PopupMenuHook = std::function<UINT(const MenuData& menu, CPoint screen)>;
void SetPopupMenuHook(PopupMenuHook hook);

}  // namespace varlo::win

class CMenu {
 public:
  CMenu();
  ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;
  HMENU GetSafeHmenu() const { return m_hMenu; }
  operator HMENU() const { return m_hMenu; }
  static CMenu* FromHandle(HMENU menu);

  // Menu resource id of the current resources; FALSE (and no menu) when it is missing.
  BOOL LoadMenu(UINT id);
  BOOL CreatePopupMenu();
  BOOL CreateMenu() { return CreatePopupMenu(); }
  BOOL DestroyMenu();
  BOOL Attach(HMENU menu);
  HMENU Detach();

  BOOL AppendMenu(UINT flags, UINT_PTR idOrPopup = 0, const char* text = nullptr);
  CMenu* GetSubMenu(int position) const;
  int GetMenuItemCount() const;
  UINT GetMenuItemID(int position) const;
  int GetMenuString(UINT idOrPosition, CString& text, UINT flags) const;
  UINT EnableMenuItem(UINT idOrPosition, UINT enable);
  UINT CheckMenuItem(UINT idOrPosition, UINT check);
  // Shows the menu at a screen point; the chosen command goes to owner as WM_COMMAND
  // (or is returned with TPM_RETURNCMD).
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr);

  varlo::win::MenuData* Data() const;
};

BOOL DestroyMenu(HMENU menu);
HMENU LoadMenu(HINSTANCE module, const char* name);
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, LPCRECT rect);
