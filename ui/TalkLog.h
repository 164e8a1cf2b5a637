// The talk log "<application directory>Log.log": appended lines of text, each ending with
// the bytes CR CR LF (a CR LF written through a text stream that turns LF into CR LF, as
// the files of earlier versions were written).  The file is opened and closed for every
// line; a line that cannot be written is lost without a word.
#pragma once
#include "platform/core/CString.h"

// "%sLog.log" of a directory that ends with a '/'.
CString TalkLogPath(const CString& appDir);

// Appends text and the line end; FALSE when the file does not open for appending.
bool AppendTalkLogLine(const CString& path, const CString& text);

// The whole log as a multi-line edit shows it: every CR LF pair read as one line break
// (so a stored CR CR LF becomes CR LF).  Empty when the file does not open.
CString ReadTalkLog(const CString& path);

// Empties the log to zero bytes; FALSE when it does not open for writing.
bool TruncateTalkLog(const CString& path);
