#pragma once
// Runs an independent tool (tshark, text2pcap, escript) with an argument vector, feeding
// it text on standard input and collecting its standard output.

#include <string>
#include <vector>

namespace testing_tools {

struct ProcessResult {
  int exitCode = -1;  // -1: could not start or was killed
  std::string out;
  std::string err;
};

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = "");

// The absolute path of `name` on PATH, or "" when it is not installed.
std::string FindProgram(const std::string& name);

// A fresh directory under the system's temporary directory, removed with its files when
// the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace testing_tools
