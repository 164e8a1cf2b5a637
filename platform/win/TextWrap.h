#pragma once
// Text broken into the lines that a box of a given width shows, as DrawText with
// DT_WORDBREAK and a static control break it: at the line breaks in the text ("\r\n", "\n"
// or "\r"), then between words where the next word would not fit, and inside a word that is
// wider than the box by itself (as many characters as fit on each line).  The blanks at a
// break are dropped; blanks at the start of a paragraph stay.
#include <functional>
#include <string>
#include <vector>

namespace varlo::win {

// measure gives the width of a text in the same units as width; a width of 0 or less
// breaks at the text's own line breaks only.
std::vector<std::string> WrapText(const std::string& text, int width,
                                  const std::function<int(const std::string&)>& measure);

}  // namespace varlo::win
