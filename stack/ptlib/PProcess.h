// The process object the class library expects once per program: who made it, its name
// and version.  Main() is the program's work when the library drives the program; an
// application that has its own main loop gives it an empty body.
#pragma once

#include "stack/ptlib/PObject.h"
#include "stack/ptlib/PString.h"

class PProcess : public PObject {
  PCLASSINFO(PProcess, PObject)
 public:
  enum CodeStatus { AlphaCode, BetaCode, ReleaseCode };

  PProcess(const char* manufacturer = "", const char* name = "", unsigned majorVersion = 1,
           unsigned minorVersion = 0, CodeStatus status = ReleaseCode, unsigned buildNumber = 1);
  ~PProcess() override;
  PProcess(const PProcess&) = delete;
  PProcess& operator=(const PProcess&) = delete;

  virtual void Main() = 0;

  // The process object; it must exist.
  static PProcess& Current();
  // True while one exists.
  static bool IsInitialised();

  const PString& GetManufacturer() const { return m_manufacturer; }
  const PString& GetName() const { return m_name; }
  // "major.minor" followed by the status letter ("a", "b" or ".") and the build number.
  PString GetVersion(bool full = true) const;
  unsigned GetMajorVersion() const { return m_majorVersion; }
  unsigned GetMinorVersion() const { return m_minorVersion; }
  CodeStatus GetCodeStatus() const { return m_status; }
  unsigned GetBuildNumber() const { return m_buildNumber; }

 private:
  PString m_manufacturer;
  PString m_name;
  unsigned m_majorVersion;
  unsigned m_minorVersion;
  CodeStatus m_status;
  unsigned m_buildNumber;
};
