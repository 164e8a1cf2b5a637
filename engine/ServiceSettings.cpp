#include "engine/ServiceSettings.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

// Longer files are damaged: the settings are a dozen short lines.
constexpr std::streamsize kMaxFileBytes = 64 * 1024;
constexpr size_t kMaxValueBytes = 1024;

enum class Kind { kHost, kAddress, kPage };

// The line without a comment that follows white space ("name = value   # why"); a value
// itself never holds white space, so a '#' or ';' inside one (a page's "#part") stays.
std::string WithoutTrailingComment(const std::string& line) {
  for (size_t i = 1; i < line.size(); ++i) {
    if ((line[i] == '#' || line[i] == ';') && (line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
  }
  return line;
}

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

bool IsHostName(const std::string& v) {
  for (unsigned char c : v) {
    if (!std::isalnum(c) && c != '-' && c != '.') return false;
  }
  return v.front() != '-' && v.front() != '.';
}

bool IsIPv4(const std::string& v) {
  int parts = 0;
  size_t at = 0;
  while (at <= v.size()) {
    size_t end = v.find('.', at);
    if (end == std::string::npos) end = v.size();
    const std::string part = v.substr(at, end - at);
    if (part.empty() || part.size() > 3) return false;
    for (unsigned char c : part) {
      if (!std::isdigit(c)) return false;
    }
    if (std::stoi(part) > 255) return false;
    ++parts;
    at = end + 1;
  }
  return parts == 4;
}

bool IsPage(const std::string& v) {
  if (v.rfind("http://", 0) != 0 && v.rfind("https://", 0) != 0) return false;
  for (unsigned char c : v) {
    if (c <= ' ' || c == 0x7F || c == '"') return false;
  }
  return true;
}

bool OfKind(Kind kind, const std::string& v) {
  switch (kind) {
    case Kind::kHost:
      return IsHostName(v);
    case Kind::kAddress:
      return IsIPv4(v);
    case Kind::kPage:
      return IsPage(v);
  }
  return false;
}

}  // namespace

ServiceSettings ServiceSettings::Load(const CString& path, std::vector<std::string>* problems) {
  ServiceSettings s;
  struct Field {
    const char* name;
    Kind kind;
    CString ServiceSettings::*member;
  };
  static const Field kFields[] = {
      {"gatekeeper", Kind::kHost, &ServiceSettings::gatekeeper},
      {"fallback_gatekeeper", Kind::kHost, &ServiceSettings::fallbackGatekeeper},
      {"gatekeeper_address", Kind::kAddress, &ServiceSettings::gatekeeperAddress},
      {"fallback_gatekeeper_address", Kind::kAddress, &ServiceSettings::fallbackGatekeeperAddress},
      {"relay", Kind::kHost, &ServiceSettings::relay},
      {"home_page", Kind::kPage, &ServiceSettings::homePage},
      {"yellow_page", Kind::kPage, &ServiceSettings::yellowPage},
      {"publisher_page", Kind::kPage, &ServiceSettings::publisherPage},
      {"banner_page", Kind::kPage, &ServiceSettings::bannerPage},
  };
  auto problem = [problems](int line, const std::string& what) {
    if (problems) problems->push_back(std::string(kFileName) + ":" + std::to_string(line) + ": " + what);
  };
  std::ifstream in(path.GetString(), std::ios::binary);
  if (!in) return s;
  std::string text(static_cast<size_t>(kMaxFileBytes) + 1, '\0');
  in.read(text.data(), kMaxFileBytes + 1);
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > static_cast<size_t>(kMaxFileBytes)) {
    problem(0, "longer than 64 KiB, not read");
    return s;
  }
  std::istringstream lines(text);
  std::string raw;
  int number = 0;
  while (std::getline(lines, raw)) {
    ++number;
    const std::string line = Trim(WithoutTrailingComment(raw));
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      problem(number, "not of the form name = value");
      continue;
    }
    const std::string name = Trim(line.substr(0, equals));
    const std::string value = Trim(line.substr(equals + 1));
    const Field* field = nullptr;
    for (const Field& f : kFields) {
      if (name == f.name) field = &f;
    }
    if (!field) {
      problem(number, "unknown name \"" + name + "\"");
      continue;
    }
    if (value.empty()) continue;
    if (value.size() > kMaxValueBytes || !OfKind(field->kind, value)) {
      problem(number, "\"" + name + "\" is not a " +
                          (field->kind == Kind::kHost ? "host name" : field->kind == Kind::kAddress ? "dotted IPv4 address" : "web address (http:// or https://)"));
      continue;
    }
    s.*(field->member) = CString(value.c_str());
  }
  return s;
}
