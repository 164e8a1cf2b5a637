#include "stack/asn/JsonWriter.h"

namespace asn {

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ += ',';
    first_.back() = false;
  }
}

void JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  first_.push_back(true);
}

void JsonWriter::Key(std::string_view key) {
  BeforeValue();
  WriteQuoted(key);
  out_ += ':';
  afterKey_ = true;
}

void JsonWriter::EndObject() {
  out_ += '}';
  if (!first_.empty()) first_.pop_back();
}

void JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  first_.push_back(true);
}

void JsonWriter::EndArray() {
  out_ += ']';
  if (!first_.empty()) first_.pop_back();
}

void JsonWriter::Int(int64_t v) {
  BeforeValue();
  out_ += std::to_string(v);
}

void JsonWriter::Bool(bool v) {
  BeforeValue();
  out_ += v ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

void JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  WriteQuoted(utf8);
}

void JsonWriter::WriteQuoted(std::string_view utf8) {
  static const char kHex[] = "0123456789ABCDEF";
  out_ += '"';
  for (char ch : utf8) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out_ += '\\';
      out_ += ch;
    } else if (c < 0x20) {
      out_ += "\\u00";
      out_ += kHex[c >> 4];
      out_ += kHex[c & 15];
    } else {
      out_ += ch;
    }
  }
  out_ += '"';
}

void JsonWriter::Hex(const uint8_t* data, size_t size) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    text += kHex[data[i] >> 4];
    text += kHex[data[i] & 15];
  }
  String(text);
}

}  // namespace asn
