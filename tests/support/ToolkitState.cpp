#include "tests/support/ToolkitState.h"

#include <gtk/gtk.h>
#include <wx/window.h>

#include "platform/win/MessageSystem.h"
#include "platform/win/Wnd.h"
#include "platform/wx/WxBackend.h"

bool ShownByToolkit(HWND hwnd) {
  wxWindow* window = varlo::wx::NativeWidgetOf(hwnd);
  if (window == nullptr) window = varlo::wx::FrameOf(hwnd);
  if (window == nullptr) return false;
  auto* widget = static_cast<GtkWidget*>(window->GetHandle());
  if (widget == nullptr || !gtk_widget_get_mapped(widget) || !gtk_widget_get_child_visible(widget)) return false;
  GtkAllocation place{};
  gtk_widget_get_allocation(widget, &place);
  return place.width > 1 && place.height > 1;
}

bool ToolkitShowsControlsOf(HWND parent) {
  auto& sys = varlo::win::MessageSystem::Instance();
  const varlo::win::WindowState* w = sys.Find(parent);
  if (w == nullptr) return false;
  for (HWND child : w->children) {
    if (::IsWindowVisible(child) && varlo::wx::NativeWidgetOf(child) != nullptr && !ShownByToolkit(child)) return false;
  }
  return true;
}
