#include "platform/win/Menu.h"

#include <map>
#include <mutex>

#include "platform/win/Gdi.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"

using namespace varlo::win;

namespace {

// Menus are kept in a table by handle, like the other handles of the layer.
struct MenuTable {
  std::map<UINT_PTR, std::shared_ptr<MenuData>> menus;
  std::map<UINT_PTR, std::unique_ptr<CMenu>> wrappers;  // non-owning, for FromHandle
  std::map<HWND, HMENU> systemMenus;
  UINT_PTR next = 0x20000;
  PopupMenuHook hook;
};
MenuTable& Table() {
  static auto* table = new MenuTable();
  return *table;
}

HMENU Register(std::shared_ptr<MenuData> data) {
  MenuTable& t = Table();
  const UINT_PTR h = t.next++;
  t.menus[h] = std::move(data);
  return reinterpret_cast<HMENU>(h);
}

std::shared_ptr<MenuData> Lookup(HMENU menu) {
  auto& m = Table().menus;
  auto it = m.find(reinterpret_cast<UINT_PTR>(menu));
  return it == m.end() ? nullptr : it->second;
}

HMENU HandleOf(const std::shared_ptr<MenuData>& data) {
  for (const auto& [h, d] : Table().menus) {
    if (d == data) return reinterpret_cast<HMENU>(h);
  }
  return Register(data);
}

MenuItem* ItemAt(MenuData* menu, UINT idOrPosition, UINT flags) {
  if (!menu) return nullptr;
  if (flags & MF_BYPOSITION) {
    return idOrPosition < menu->items.size() ? &menu->items[idOrPosition] : nullptr;
  }
  return const_cast<MenuItem*>(menu->FindCommand(idOrPosition));
}

std::shared_ptr<MenuData> FromResource(const res::MenuEntry& entry) {
  auto root = std::make_shared<MenuData>();
  std::vector<MenuData*> stack{root.get()};
  for (int i = 0; i < entry.count; ++i) {
    const res::MenuItemEntry& e = entry.items[i];
    const size_t depth = static_cast<size_t>(e.depth < 0 ? 0 : e.depth);
    if (depth + 1 > stack.size()) continue;  // malformed nesting: skipped
    stack.resize(depth + 1);
    MenuItem item;
    item.flags = e.flags;
    item.id = e.id;
    item.text = e.text ? e.text : "";
    if (e.flags & MF_POPUP) item.popup = std::make_shared<MenuData>();
    stack.back()->items.push_back(item);
    if (item.popup) stack.push_back(item.popup.get());
  }
  return root;
}

}  // namespace

namespace varlo::win {

const MenuItem* MenuData::FindCommand(UINT id) const {
  for (const MenuItem& item : items) {
    if (item.popup) {
      if (const MenuItem* found = item.popup->FindCommand(id)) return found;
    } else if (!(item.flags & MF_SEPARATOR) && item.id == id) {
      return &item;
    }
  }
  return nullptr;
}

CMenu* SystemMenuOf(HWND hwnd, BOOL revert) {
  if (!::IsWindow(hwnd)) return nullptr;
  MenuTable& t = Table();
  auto it = t.systemMenus.find(hwnd);
  if (revert) {
    if (it != t.systemMenus.end()) {
      ::DestroyMenu(it->second);
      t.systemMenus.erase(it);
    }
    return nullptr;
  }
  if (it == t.systemMenus.end()) {
    auto data = std::make_shared<MenuData>();
    data->items.push_back(MenuItem{MF_STRING, SC_RESTORE, "&Restore", nullptr});
    data->items.push_back(MenuItem{MF_STRING, SC_MINIMIZE, "Mi&nimize", nullptr});
    data->items.push_back(MenuItem{MF_SEPARATOR, 0, "", nullptr});
    data->items.push_back(MenuItem{MF_STRING, SC_CLOSE, "&Close", nullptr});
    it = t.systemMenus.emplace(hwnd, Register(data)).first;
  }
  return CMenu::FromHandle(it->second);
}

void SetPopupMenuHook(PopupMenuHook hook) { Table().hook = std::move(hook); }

}  // namespace varlo::win

CMenu::CMenu() = default;
CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandle(HMENU menu) {
  if (!Lookup(menu)) return nullptr;
  auto& slot = Table().wrappers[reinterpret_cast<UINT_PTR>(menu)];
  if (!slot) slot = std::make_unique<CMenu>();
  slot->m_hMenu = menu;
  return slot.get();
}

MenuData* CMenu::Data() const { return Lookup(m_hMenu).get(); }

BOOL CMenu::LoadMenu(UINT id) {
  DestroyMenu();
  m_hMenu = ::LoadMenu(nullptr, MAKEINTRESOURCE(id));
  return m_hMenu != nullptr;
}

BOOL CMenu::CreatePopupMenu() {
  DestroyMenu();
  m_hMenu = Register(std::make_shared<MenuData>());
  return TRUE;
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  HMENU h = Detach();
  return ::DestroyMenu(h);
}

BOOL CMenu::Attach(HMENU menu) {
  if (!Lookup(menu)) return FALSE;
  DestroyMenu();
  m_hMenu = menu;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  m_hMenu = nullptr;
  return h;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idOrPopup, const char* text) {
  MenuData* data = Data();
  if (!data) return FALSE;
  MenuItem item;
  item.flags = flags;
  item.text = text ? text : "";
  if (flags & MF_POPUP) {
    item.popup = Lookup(reinterpret_cast<HMENU>(idOrPopup));
    if (!item.popup) return FALSE;
  } else {
    item.id = static_cast<UINT>(idOrPopup);
  }
  data->items.push_back(item);
  return TRUE;
}

CMenu* CMenu::GetSubMenu(int position) const {
  MenuData* data = Data();
  if (!data || position < 0 || position >= static_cast<int>(data->items.size())) return nullptr;
  const auto& popup = data->items[static_cast<size_t>(position)].popup;
  return popup ? CMenu::FromHandle(HandleOf(popup)) : nullptr;
}

int CMenu::GetMenuItemCount() const {
  MenuData* data = Data();
  return data ? static_cast<int>(data->items.size()) : -1;
}

UINT CMenu::GetMenuItemID(int position) const {
  MenuData* data = Data();
  if (!data || position < 0 || position >= static_cast<int>(data->items.size())) return 0;
  const MenuItem& item = data->items[static_cast<size_t>(position)];
  return item.popup ? static_cast<UINT>(-1) : item.id;
}

int CMenu::GetMenuString(UINT idOrPosition, CString& text, UINT flags) const {
  const MenuItem* item = ItemAt(Data(), idOrPosition, flags);
  text = item ? item->text.c_str() : "";
  return text.GetLength();
}

UINT CMenu::EnableMenuItem(UINT idOrPosition, UINT enable) {
  MenuItem* item = ItemAt(Data(), idOrPosition, enable & MF_BYPOSITION);
  if (!item) return static_cast<UINT>(-1);
  const UINT old = item->flags & (MF_GRAYED | MF_DISABLED);
  item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return old;
}

UINT CMenu::CheckMenuItem(UINT idOrPosition, UINT check) {
  MenuItem* item = ItemAt(Data(), idOrPosition, check & MF_BYPOSITION);
  if (!item) return static_cast<UINT>(-1);
  const UINT old = item->flags & MF_CHECKED;
  item->flags = (item->flags & ~MF_CHECKED) | (check & MF_CHECKED);
  return old;
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect) {
  return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner ? owner->m_hWnd : nullptr, rect);
}

BOOL DestroyMenu(HMENU menu) {
  MenuTable& t = Table();
  const bool erased = t.menus.erase(reinterpret_cast<UINT_PTR>(menu)) != 0;
  t.wrappers.erase(reinterpret_cast<UINT_PTR>(menu));
  return erased;
}

HMENU LoadMenu(HINSTANCE module, const char* name) {
  const res::MenuEntry* entry =
      FindMenu(module ? module : AfxGetResourceHandle(), static_cast<UINT>(reinterpret_cast<UINT_PTR>(name)));
  if (!entry) return nullptr;
  return Register(FromResource(*entry));
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, LPCRECT) {
  auto data = Lookup(menu);
  if (!data) return FALSE;
  UINT chosen = 0;
  MessageSystem& sys = MessageSystem::Instance();
  if (Table().hook) {
    chosen = Table().hook(*data, CPoint(x, y));
  } else if (sys.Backend()) {
    chosen = sys.Backend()->TrackPopupMenu(*data, CPoint(x, y), owner);
  }
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen && owner) sys.Post(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
  return TRUE;
}
