#include "platform/win/TextWrap.h"

namespace varlo::win {
namespace {

// The length in bytes of the longest start of text (whole UTF-8 characters) that fits in
// width; at least one character, so that every line holds something.
size_t FittingPrefix(const std::string& text, int width, const std::function<int(const std::string&)>& measure) {
  std::vector<size_t> ends;  // the byte offset after each character
  for (size_t i = 1; i <= text.size(); ++i) {
    if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ends.push_back(i);
  }
  size_t low = 0, high = ends.size();  // ends[low - 1] fits (low = 0: nothing known to fit)
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    if (measure(text.substr(0, ends[mid - 1])) <= width) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  return ends.empty() ? text.size() : ends[low == 0 ? 0 : low - 1];
}

std::vector<std::string> Paragraphs(const std::string& text) {
  std::vector<std::string> out(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out.emplace_back();
    } else {
      out.back() += text[i];
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> WrapText(const std::string& text, int width,
                                  const std::function<int(const std::string&)>& measure) {
  std::vector<std::string> lines;
  for (const std::string& paragraph : Paragraphs(text)) {
    if (width <= 0) {
      lines.push_back(paragraph);
      continue;
    }
    std::string line;
    bool hasWord = false;
    size_t i = 0;
    while (i < paragraph.size()) {
      const size_t blanks = i;
      while (i < paragraph.size() && paragraph[i] == ' ') ++i;
      const size_t start = i;
      while (i < paragraph.size() && paragraph[i] != ' ') ++i;
      if (start == i) break;  // blanks at the end of the paragraph show nothing
      std::string candidate = line + paragraph.substr(blanks, i - blanks);
      if (measure(candidate) <= width) {
        line = std::move(candidate);
        hasWord = true;
        continue;
      }
      if (hasWord) {  // the word starts the next line, without the blanks before it
        lines.push_back(line);
        candidate = paragraph.substr(start, i - start);
      }
      while (measure(candidate) > width) {  // wider than the box by itself
        const size_t cut = FittingPrefix(candidate, width, measure);
        lines.push_back(candidate.substr(0, cut));
        candidate.erase(0, cut);
      }
      line = std::move(candidate);
      hasWord = true;
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace varlo::win
