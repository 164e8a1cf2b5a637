#pragma once
// The application directory: where the program finds its data, option, language and sound
// files.  It always ends with "/".

#include "platform/core/CString.h"

// Set by the user profile when it is built; empty before that.
extern CString g_appDir;

// The directory of the running executable with a trailing "/", or "./" when it cannot be
// determined.
CString GetExecutableDirectory();
