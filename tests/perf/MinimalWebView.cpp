// The floor for the program's start-up: a minimal wxWidgets program with one frame of the
// main window's size holding a web view of the banner's size that loads the page named on
// its command line.  measure.py times both from the process's start to the frame's map.
#include <wx/webview.h>
#include <wx/wx.h>

namespace {

constexpr int kWidth = 471, kHeight = 291;                                   // the main window
constexpr int kViewX = 256, kViewY = 202, kViewWidth = 195, kViewHeight = 60;  // the banner

class MinimalApp : public wxApp {
 public:
  bool OnInit() override {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "minimal", wxDefaultPosition, wxSize(kWidth, kHeight));
    const wxString page = argc > 1 ? argv[1] : wxString("about:blank");
    wxWebView::New(frame, wxID_ANY, page, wxPoint(kViewX, kViewY), wxSize(kViewWidth, kViewHeight));
    frame->Show();
    return true;
  }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(MinimalApp);

int main(int argc, char** argv) { return wxEntry(argc, argv); }
