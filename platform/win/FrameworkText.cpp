#include "platform/win/FrameworkText.h"

#include "platform/win/Resources.h"

namespace varlo::win {
namespace {

const char* English(FrameworkTextId id) {
  switch (id) {
    case kTextOk: return "OK";
    case kTextCancel: return "Cancel";
    case kTextApply: return "&Apply";
    case kTextHelp: return "Help";
    case kTextBack: return "< &Back";
    case kTextNext: return "&Next >";
    case kTextFinish: return "Finish";
    case kTextYes: return "&Yes";
    case kTextNo: return "&No";
    case kTextRetry: return "&Retry";
    case kTextEnterInteger: return "Please enter an integer.";
    case kTextEnterPositiveInteger: return "Please enter a positive integer.";
    case kTextMaxChars: return "Enter no more than %1 characters.";
    case kTextIntegerRange: return "Enter an integer between %1 and %2.";
  }
  return "";
}

}  // namespace

CString FrameworkText(FrameworkTextId id) {
  const char* text = FindString(AfxGetResourceHandle(), id);
  return CString(text && *text ? text : English(id));
}

CString FrameworkText(FrameworkTextId id, const std::string& first, const std::string& second) {
  std::string text = FrameworkText(id).GetString();
  const std::string arguments[] = {first, second};
  for (int i = 0; i < 2; ++i) {
    const std::string mark = "%" + std::to_string(i + 1);
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + arguments[i].size())) {
      text.replace(at, mark.size(), arguments[i]);
    }
  }
  return CString(text.c_str());
}

}  // namespace varlo::win
