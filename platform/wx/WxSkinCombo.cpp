#include "platform/wx/WxSkinCombo.h"

#include <wx/dcbuffer.h>
#include <wx/listbox.h>
#include <wx/popupwin.h>
#include <wx/textctrl.h>
#include <wx/wx.h>

#include <algorithm>
#include <map>
#include <vector>

#include <gtk/gtk.h>

#include "platform/win/ControlClasses.h"
#include "platform/win/DC.h"
#include "platform/win/GdiData.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Wnd.h"
#include "platform/wx/WxDraw.h"

namespace varlo::wx {

using namespace varlo::win;

namespace {

MessageSystem& Sys() { return MessageSystem::Instance(); }

constexpr int kListRows = 8;  // rows the dropped list shows before it scrolls
constexpr int kFieldPadding = 2;

std::string Utf8(const wxString& s) { return std::string(s.utf8_str()); }

// The entry of the edit field: no frame, no padding, no minimum height of the theme's
// entries, so that it fits the skin's narrow field; colours and font as the box answers.
class FieldEntry final : public wxTextCtrl {
 public:
  explicit FieldEntry(wxWindow* parent)
      : wxTextCtrl(parent, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxBORDER_NONE) {}
  void Style(const wxColour& background, const wxColour& text) {
    SetBackgroundColour(background);
    SetForegroundColour(text);
    const std::string bg = Utf8(background.GetAsString(wxC2S_CSS_SYNTAX));
    const std::string fg = Utf8(text.GetAsString(wxC2S_CSS_SYNTAX));
    const std::string css = "entry, entry:focus { min-height: 0; padding: 0 1px; margin: 0; border: none; "
                            "border-radius: 0; box-shadow: none; outline: none; background: " + bg + "; color: " + fg +
                            "; caret-color: " + fg + "; } entry selection { background: " + fg + "; color: " + bg + "; }";
    GTKApplyCssStyle(css.c_str());
  }
};

class SkinComboPeer;
std::map<HWND, SkinComboPeer*>& Peers() {
  static auto* peers = new std::map<HWND, SkinComboPeer*>();
  return *peers;
}

// The dropped list: shown while the layer's box is dropped.  A pick, Escape, or a press
// anywhere outside it (the drop button, the telephone, another window of the program or of
// another program, the desktop: it holds the pointer while it is up) closes it.
class DropList final : public wxPopupWindow {
 public:
  DropList(wxWindow* parent, HWND combo) : wxPopupWindow(parent, wxBORDER_SIMPLE), m_combo(combo) {
    // Made at a size the toolkit can lay out (its scroll bar needs room); sized to its rows when shown.
    list = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(120, 60), 0, nullptr, wxLB_SINGLE | wxBORDER_NONE);
    list->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& e) {
      if (e.GetKeyCode() == WXK_ESCAPE) return CloseUp();
      e.Skip();
    });
    // A change of selection by the keys picks at once; a click picks the row it was
    // released on, even the row already highlighted (which changes no selection).
    list->Bind(wxEVT_LISTBOX, [this](wxCommandEvent& e) {
      if (quiet || !IsShown() || m_pressedRow != wxNOT_FOUND) return;  // filled or shown; or a click, picked on release
      Pick(e.GetSelection());
    });
    list->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
      m_pressedRow = list->HitTest(e.GetPosition());
      e.Skip();
    });
    list->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& e) {
      e.Skip();
      const int pressed = m_pressedRow;
      m_pressedRow = wxNOT_FOUND;
      if (quiet || !IsShown() || pressed == wxNOT_FOUND || list->HitTest(e.GetPosition()) != pressed) return;
      // Picked once the toolkit is done with the release: the pick hides the list.
      CallAfter([this, pressed] {
        if (IsShown()) Pick(pressed);
      });
    });
    // While the pointer is held, a press outside every window of the program comes to the
    // list's own window, and the toolkit reports it as the list losing the focus.
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent&) { CloseUp(); });
  }
  ~DropList() override { Release(); }
  wxListBox* list;
  bool quiet = false;

  // Shown under the field, holding the pointer; hidden, letting it go.
  void Open(const wxPoint& at, const wxSize& fieldSize) {
    Position(at, wxSize(0, fieldSize.y));
    Show();
    Hold();
  }
  void Close() {
    Release();
    Hide();
  }
  // The layer's box closes its list (and tells its owner).
  void CloseUp() {
    if (IsShown()) Sys().Send(m_combo, CB_SHOWDROPDOWN, FALSE, 0);
  }
  // Whether a window is the list or inside it.
  bool Holds(const wxWindow* w) const {
    for (; w; w = w->GetParent()) {
      if (w == this) return true;
    }
    return false;
  }

 private:
  // The pointer, held with the program's own windows still getting their events (so that
  // the list's rows take clicks, and a press on another window of the program is seen
  // there, see PressFilter).
  void Hold() {
    GdkWindow* window = gtk_widget_get_window(GetHandle());
    if (!window || m_seat) return;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    if (gdk_seat_grab(seat, window, GDK_SEAT_CAPABILITY_ALL_POINTING, TRUE, nullptr, nullptr, nullptr, nullptr) ==
        GDK_GRAB_SUCCESS) {
      m_seat = seat;
    }
  }
  void Release() {
    if (m_seat) gdk_seat_ungrab(m_seat);
    m_seat = nullptr;
  }
  void Pick(int index) {
    WindowState* w = Sys().Find(m_combo);
    if (auto* c = w ? w->As<ComboBoxClass>() : nullptr; c && index >= 0) c->UserSelect(*w, index);
  }
  HWND m_combo;
  GdkSeat* m_seat = nullptr;
  int m_pressedRow = wxNOT_FOUND;
};

// A press on any window of the program but a shown list (or its box's drop button, whose
// press the box takes itself) closes that list.
class PressFilter final : public wxEventFilter {
 public:
  static PressFilter& Instance() {
    static auto* filter = new PressFilter();
    return *filter;
  }
  void Shown(DropList* list, wxWindow* field) {
    if (!m_added) wxEvtHandler::AddFilter(this);
    m_added = true;
    m_lists[list] = field;
  }
  void Hidden(DropList* list) {
    if (!m_lists.erase(list) || !m_lists.empty()) return;
    // The filter goes once the event it may be looking at is done (the toolkit walks its
    // filters then).
    wxTheApp->CallAfter([this] {
      if (m_lists.empty() && m_added) {
        wxEvtHandler::RemoveFilter(this);
        m_added = false;
      }
    });
  }
  int FilterEvent(wxEvent& e) override {
    const wxEventType t = e.GetEventType();
    if (t != wxEVT_LEFT_DOWN && t != wxEVT_RIGHT_DOWN && t != wxEVT_MIDDLE_DOWN) return Event_Skip;
    auto* target = dynamic_cast<wxWindow*>(e.GetEventObject());
    std::vector<DropList*> closing;
    for (const auto& [list, field] : m_lists) {
      if (!list->Holds(target) && target != field) closing.push_back(list);
    }
    for (DropList* list : closing) list->CloseUp();
    return Event_Skip;
  }

 private:
  std::map<DropList*, wxWindow*> m_lists;
  bool m_added = false;
};

class Field final : public wxWindow {
 public:
  Field(wxWindow* canvas, std::function<void(wxDC&, CPoint)> paint)
      : wxWindow(canvas, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE), m_paint(std::move(paint)) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
      wxAutoBufferedPaintDC dc(this);
      dc.SetBackground(*wxBLACK_BRUSH);
      dc.Clear();
      const wxPoint at = GetPosition();
      m_paint(dc, CPoint(at.x, at.y));
    });
  }

 private:
  std::function<void(wxDC&, CPoint)> m_paint;
};

class SkinComboPeer final : public IWindowPeer {
 public:
  SkinComboPeer(WindowState& w, wxWindow* canvas, HWND top, SkinComboHooks hooks)
      : m_hwnd(w.hwnd), m_hooks(std::move(hooks)) {
    field = new Field(canvas, [this, top](wxDC& dc, CPoint origin) { m_hooks.paintBeneath(top, dc, origin); });
    entry = new FieldEntry(field);
    // A second press soon after the first (which the toolkit reports as a double click)
    // is a press of its own: the drop button opens and closes the list on each.
    for (auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_DCLICK}) {
      field->Bind(type, [this](wxMouseEvent& e) {
        Sys().Send(m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(e.GetX(), e.GetY()));
      });
    }
    entry->Bind(wxEVT_TEXT, [this](wxCommandEvent& e) {
      if (m_syncing) return;
      WindowState* s = Sys().Find(m_hwnd);
      auto* c = s ? s->As<ComboBoxClass>() : nullptr;
      WindowState* edit = c ? Sys().Find(c->edit) : nullptr;
      if (edit) edit->As<EditClass>()->UserSetText(*edit, Utf8(e.GetString()));
    });
    entry->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
      WindowState* s = Sys().Find(m_hwnd);
      auto* c = s ? s->As<ComboBoxClass>() : nullptr;
      if (c && c->edit && ::GetFocus() != c->edit) {
        m_syncing = true;
        ::SetFocus(c->edit);
        m_syncing = false;
      }
      e.Skip();
    });
    entry->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& e) {
      WindowState* s = Sys().Find(m_hwnd);
      auto* c = s ? s->As<ComboBoxClass>() : nullptr;
      if (c && c->dropped && e.GetKeyCode() == WXK_ESCAPE) {
        if (drop) drop->CloseUp();
        return;
      }
      MSG m;
      m.hwnd = c && c->edit ? c->edit : m_hwnd;
      m.message = WM_KEYDOWN;
      m.wParam = m_hooks.keyToVk(e);
      m.lParam = 1;
      if (m.wParam && CWnd::WalkPreTranslateTree(m)) return;
      e.Skip();
    });
    Peers()[m_hwnd] = this;
    Sync(w, ~0u);
  }
  ~SkinComboPeer() override {
    Peers().erase(m_hwnd);
    if (drop) {
      PressFilter::Instance().Hidden(drop);
      drop->Close();
      drop->Destroy();
    }
    field->Destroy();
  }
  void Sync(WindowState& w, unsigned changes) override {
    m_syncing = true;
    if (changes & (kChangeFont | kChangeStyle)) SyncLook(w);
    if (changes & (kChangeRect | kChangeVisible | kChangeFont | kChangeStyle)) Place(w);
    if (changes & kChangeEnabled) field->Enable(w.Enabled());
    if (changes & (kChangeText | kChangeContent | kChangeStyle)) SyncContent(w);
    if (changes & kChangeFocus) {
      auto* c = w.As<ComboBoxClass>();
      if (c && ::GetFocus() == c->edit && !entry->HasFocus()) entry->SetFocus();
    }
    field->Refresh(false);
    m_syncing = false;
  }
  void Invalidate(const RECT*) override { field->Refresh(false); }

  Field* field;
  FieldEntry* entry;
  DropList* drop = nullptr;  // made when the box first drops

 private:
  // The box's colour answer for its edit field: brush, text colour and font.
  void SyncLook(WindowState& w) {
    auto* c = w.As<ComboBoxClass>();
    if (!c || !c->edit) return;
    CDC dc;
    const LRESULT brush = Sys().CallWindow(w.hwnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.m_hDC),
                                           reinterpret_cast<LPARAM>(c->edit));
    auto data = GdiGetAs<BrushData>(reinterpret_cast<HBRUSH>(brush));
    const wxColour background = data && data->kind == BrushData::Kind::kSolid ? ToColour(data->color)
                                                                              : ToColour(GetSysColor(COLOR_WINDOW));
    const wxColour text = ToColour(dc.GetTextColor());
    auto font = GdiGetAs<FontData>(dc.GetCurrentFontHandle());
    if (!font) font = GdiGetAs<FontData>(w.font);
    const wxFont shown = ToFont(font.get());
    entry->SetFont(shown);
    entry->Style(background, text);
    m_listFont = shown;
    m_listBackground = background;
    m_listText = text;
    if (drop) StyleList();
    m_fieldHeight = FontCharHeight(font.get()) + kFieldPadding;
  }
  void StyleList() {
    drop->list->SetFont(m_listFont);
    drop->list->SetBackgroundColour(m_listBackground);
    drop->list->SetForegroundColour(m_listText);
    drop->SetBackgroundColour(m_listBackground);
  }
  // The selection field is as tall as its font needs, whatever the window's height (for a
  // drop-down box that height is the dropped list's); the edit field leaves the drop
  // button's strip free.
  void Place(WindowState& w) {
    const int height = std::max(w.rect.Height(), m_fieldHeight);
    const CPoint at = m_hooks.offsetInTop(w);
    field->SetSize(at.x, at.y, w.rect.Width(), height);
    auto* c = w.As<ComboBoxClass>();
    WindowState* edit = c ? Sys().Find(c->edit) : nullptr;
    const CRect r = edit ? edit->rect : ComboBoxClass::EditRect(w);
    entry->SetSize(r.left, 0, r.Width(), height);
    field->Show(::IsWindowVisible(w.hwnd) != FALSE);
  }
  void SyncContent(WindowState& w) {
    auto* c = w.As<ComboBoxClass>();
    if (!c) return;
    WindowState* edit = Sys().Find(c->edit);
    const wxString text = edit ? wxString::FromUTF8(edit->text) : wxString();
    if (entry->GetValue() != text) entry->ChangeValue(text);
    wxArrayString items;
    for (const auto& s : c->list.items) items.Add(wxString::FromUTF8(s));
    if (!drop && !c->dropped) return;
    if (!drop) {
      drop = new DropList(field, m_hwnd);
      StyleList();
    }
    drop->quiet = true;
    if (drop->list->GetStrings() != items) drop->list->Set(items);
    if (c->dropped && !drop->IsShown()) {
      const wxSize fieldSize = field->GetSize();
      const int rows = std::clamp(static_cast<int>(items.size()), 1, kListRows);
      // Rows as tall as the toolkit makes them (its list asks for room for all of them).
      const int rowHeight = std::max({drop->list->GetCharHeight() + 2, m_fieldHeight,
                                      drop->list->GetBestSize().y / std::max(1, static_cast<int>(items.size()))});
      drop->list->SetSize(fieldSize.x - 2, rows * rowHeight + 4);
      drop->SetClientSize(drop->list->GetSize());
      if (c->list.cursel >= 0) drop->list->SetSelection(c->list.cursel);
      drop->Open(field->ClientToScreen(wxPoint(0, 0)), fieldSize);
      PressFilter::Instance().Shown(drop, field);
    } else if (!c->dropped && drop->IsShown()) {
      PressFilter::Instance().Hidden(drop);
      drop->Close();
    }
    drop->quiet = false;
  }

  HWND m_hwnd;
  SkinComboHooks m_hooks;
  wxFont m_listFont;
  wxColour m_listBackground, m_listText;
  int m_fieldHeight = 0;
  bool m_syncing = false;
};

}  // namespace

bool IsSelfPaintedCombo(const WindowState& w) {
  return w.className == "COMBOBOX" && (w.style & 0x3) == CBS_DROPDOWN && w.wnd && w.wnd->PaintsItself();
}

std::unique_ptr<IWindowPeer> MakeSelfPaintedComboPeer(WindowState& w, wxWindow* canvas, HWND top, SkinComboHooks hooks) {
  return std::make_unique<SkinComboPeer>(w, canvas, top, std::move(hooks));
}

bool ReadSkinComboLook(HWND combo, SkinComboLook& out) {
  auto it = Peers().find(combo);
  if (it == Peers().end()) return false;
  SkinComboPeer& p = *it->second;
  out.field = p.field->GetRect();
  out.entry = wxRect(out.field.GetTopLeft() + p.entry->GetPosition(), p.entry->GetSize());
  out.entryBackground = p.entry->GetBackgroundColour();
  out.entryText = p.entry->GetForegroundColour();
  out.fontPixels = p.entry->GetFont().GetPixelSize().y;
  out.text = Utf8(p.entry->GetValue());
  out.listShown = p.drop && p.drop->IsShown();
  out.list = p.drop ? p.drop->GetScreenRect() : wxRect();
  out.items.clear();
  if (p.drop) {
    for (const wxString& s : p.drop->list->GetStrings()) out.items.push_back(Utf8(s));
  }
  return true;
}

}  // namespace varlo::wx
