#pragma once
// Compact JSON text for message values: the form that traces print and that tests compare
// with the independent decoder's output. Objects are written in the order keys are given;
// the value classes give them sorted, so that equal values always give equal text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace asn {

class JsonWriter {
 public:
  void BeginObject();
  void Key(std::string_view key);
  void EndObject();
  void BeginArray();
  void EndArray();
  void Int(int64_t v);
  void Bool(bool v);
  void Null();
  // A UTF-8 string; quotes, backslashes and control characters are escaped.
  void String(std::string_view utf8);
  // Bytes as upper-case hexadecimal digits in a string.
  void Hex(const uint8_t* data, size_t size);

  const std::string& str() const { return out_; }

 private:
  void BeforeValue();
  void WriteQuoted(std::string_view utf8);

  std::string out_;
  std::vector<bool> first_;  // per open container: nothing written in it yet
  bool afterKey_ = false;
};

}  // namespace asn
