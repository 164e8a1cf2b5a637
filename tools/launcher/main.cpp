// varlo-launcher: talks to the softphone the way a launcher program does.
//
//   varlo-launcher dial NUMBER [--window TITLE]
//       Sends NUMBER to the softphone's window (title "Varlo 3.8" unless given), which
//       dials it as if it had been typed.  Exit status 0 when the window took it, 1 when no
//       such window runs for this user, 2 when it was refused or not answered in time.
//   varlo-launcher listen TITLE [--hang] [--keep]
//       Stands as the launcher window TITLE: start the softphone with TITLE as its command
//       line and it tells this window after its first registration (notice 0) and when it
//       exits (notice 1).  Prints "ready" once the window can be found, then one line
//       "notice DWDATA CBDATA" per message; ends after notice 1 unless --keep is given.
//       With --hang it never answers a notice, as a launcher that hangs.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win/CrossProcess.h"
#include "platform/win/MessageMap.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Wnd.h"

namespace {

constexpr const char* kPhoneTitle = "Varlo 3.8";

int Usage() {
  std::fprintf(stderr,
               "usage: varlo-launcher dial NUMBER [--window TITLE]\n"
               "       varlo-launcher listen TITLE [--hang] [--keep]\n");
  return 64;
}

class CLauncherWnd : public CWnd {
 public:
  bool m_hang = false;
  bool m_keep = false;

 protected:
  BOOL OnCopyData(CWnd*, COPYDATASTRUCT* data) {
    std::printf("notice %lu %u\n", static_cast<unsigned long>(data->dwData), static_cast<unsigned>(data->cbData));
    std::fflush(stdout);
    if (m_hang) {
      for (;;) ::pause();
    }
    if (data->dwData == 1 && !m_keep) PostQuitMessage(0);
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLauncherWnd, CWnd)
  ON_WM_COPYDATA()
END_MESSAGE_MAP()

int Dial(const std::string& number, const std::string& title) {
  const HWND phone = ::FindWindow("#32770", title.c_str());
  if (!phone) {
    std::fprintf(stderr, "varlo-launcher: no window \"%s\" runs for this user\n", title.c_str());
    return 1;
  }
  COPYDATASTRUCT data;
  data.dwData = 0;
  data.cbData = static_cast<DWORD>(number.size());
  data.lpData = const_cast<char*>(number.data());
  if (number.size() > varlo::win::kMaxCopyDataBytes || !varlo::win::SendCopyDataToOtherProgram(phone, &data)) {
    std::fprintf(stderr, "varlo-launcher: the window did not take the number\n");
    return 2;
  }
  return 0;
}

int Listen(const std::string& title, bool hang, bool keep) {
  CLauncherWnd window;
  window.m_hang = hang;
  window.m_keep = keep;
  if (!window.CreateEx(0, "#32770", title.c_str(), WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0) ||
      !varlo::win::ShareWithOtherPrograms(window.m_hWnd)) {
    std::fprintf(stderr, "varlo-launcher: cannot stand as window \"%s\"\n", title.c_str());
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  varlo::win::MessageSystem::Instance().RunLoop([] { return false; });
  window.DestroyWindow();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  varlo::win::MessageSystem::Instance().Reset();
  const std::string command = argv[1];
  const std::string subject = argv[2];
  std::string title = kPhoneTitle;
  bool hang = false;
  bool keep = false;
  for (int i = 3; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--window") && i + 1 < argc) {
      title = argv[++i];
    } else if (!std::strcmp(argv[i], "--hang")) {
      hang = true;
    } else if (!std::strcmp(argv[i], "--keep")) {
      keep = true;
    } else {
      return Usage();
    }
  }
  if (command == "dial") return Dial(subject, title);
  if (command == "listen") return Listen(subject, hang, keep);
  return Usage();
}
