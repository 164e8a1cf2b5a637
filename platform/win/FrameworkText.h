#pragma once
// The framework's own texts: the buttons of property sheets, wizards and message boxes and
// the data-exchange messages.  Like the class library's resources, they are kept in every
// resource module under the ids below (res/Varlo.res, translated with the program's own
// texts), so that they come in the language of the module's current resources; a module
// without them gives the English text.
#include <string>

#include "platform/core/CString.h"
#include "platform/win/WinTypes.h"

namespace varlo::win {

enum FrameworkTextId : UINT {
  kTextOk = 61696,  // 0xF100
  kTextCancel,
  kTextApply,
  kTextHelp,
  kTextBack,
  kTextNext,
  kTextFinish,
  kTextYes,
  kTextNo,
  kTextRetry,
  kTextEnterInteger,          // data exchange: a number that is not an integer
  kTextEnterPositiveInteger,  // an unsigned number that is not one
  kTextMaxChars,              // "%1": the limit
  kTextIntegerRange,          // "%1", "%2": the lowest and the highest
};

CString FrameworkText(FrameworkTextId id);
// The text with "%1", "%2"... replaced by the arguments in order.
CString FrameworkText(FrameworkTextId id, const std::string& first, const std::string& second = "");

}  // namespace varlo::win
