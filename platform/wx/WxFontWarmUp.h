// The text caches warmed while the first window is built.  The first text a process lays
// out pays for reading the font configuration, matching the faces and loading their
// glyphs; the main window's number box is that first text, and its window waits for it.
// FontWarmUp lays out a line in the faces and sizes the windows use on a thread of its own,
// with a font map of its own, at the start: the font configuration, the face files and
// their glyph caches are shared by the whole process, so the window thread later finds
// them loaded.  The thread is joined when the object goes.
#pragma once
#include <thread>

namespace varlo::wx {

class FontWarmUp {
 public:
  FontWarmUp();
  ~FontWarmUp();
  FontWarmUp(const FontWarmUp&) = delete;
  FontWarmUp& operator=(const FontWarmUp&) = delete;

 private:
  std::thread m_thread;
};

}  // namespace varlo::wx
