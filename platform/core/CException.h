#pragma once
// CException: base of the exceptions the file and archive classes throw.  They are thrown
// by value and caught by reference: catch (const CException& e).

#include <exception>

#include "platform/core/CString.h"

class CException : public std::exception {
public:
  explicit CException(CString message) : m_message(std::move(message)) {}
  const char* what() const noexcept override { return m_message; }
  const CString& GetErrorMessage() const { return m_message; }

private:
  CString m_message;
};
