#include "platform/core/AppDir.h"

#include <unistd.h>

#include <vector>

CString g_appDir;

CString GetExecutableDirectory() {
  std::vector<char> path(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return CString("./");
    if (static_cast<size_t>(n) < path.size()) {
      CString full(path.data(), static_cast<int>(n));
      const int slash = full.ReverseFind('/');
      return slash < 0 ? CString("./") : full.Left(slash + 1);
    }
    path.resize(path.size() * 2);
  }
}
