// A small strict JSON reader for the tests: enough to check tavrek-dump's documents (object key
// order kept, strings decoded to UTF-8, numbers as double). Parse() throws std::runtime_error on
// anything that is not exactly one valid JSON value.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace testjson {

struct Value {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<Value> array;
  std::vector<std::string> keys;  // object members, in document order
  std::vector<Value> members;     // their values

  bool IsNull() const { return kind == kNull; }
  // The member named `key`; throws when this is not an object or the key is absent.
  const Value& operator[](const std::string& key) const;
  const Value& operator[](size_t i) const;
  std::vector<std::string> Keys() const;
  // True when this is an object with a member named `key`.
  bool Has(const std::string& key) const {
    for (const std::string& k : keys)
      if (k == key) return true;
    return false;
  }
};

inline const Value& Value::operator[](const std::string& key) const {
  if (kind != kObject) throw std::runtime_error("not an object");
  for (size_t i = 0; i < keys.size(); ++i)
    if (keys[i] == key) return members[i];
  throw std::runtime_error("no key " + key);
}

inline const Value& Value::operator[](size_t i) const { return array.at(i); }

inline std::vector<std::string> Value::Keys() const { return keys; }

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}
  Value ParseDocument() {
    Value v = ParseValue();
    SkipSpace();
    if (p_ != s_.size()) Fail("trailing text");
    return v;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(p_));
  }
  void SkipSpace() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t')) ++p_;
  }
  bool Eat(const char* word) {
    size_t n = std::char_traits<char>::length(word);
    if (s_.compare(p_, n, word) != 0) return false;
    p_ += n;
    return true;
  }
  Value ParseValue() {
    SkipSpace();
    if (p_ >= s_.size()) Fail("unexpected end");
    Value v;
    char c = s_[p_];
    if (c == '{') {
      v.kind = Value::kObject;
      ++p_;
      SkipSpace();
      if (p_ < s_.size() && s_[p_] == '}') { ++p_; return v; }
      for (;;) {
        SkipSpace();
        if (p_ >= s_.size() || s_[p_] != '"') Fail("key expected");
        std::string key = ParseString();
        SkipSpace();
        if (p_ >= s_.size() || s_[p_++] != ':') Fail("':' expected");
        v.keys.push_back(std::move(key));
        v.members.push_back(ParseValue());
        SkipSpace();
        if (p_ < s_.size() && s_[p_] == ',') { ++p_; continue; }
        if (p_ < s_.size() && s_[p_] == '}') { ++p_; return v; }
        Fail("',' or '}' expected");
      }
    }
    if (c == '[') {
      v.kind = Value::kArray;
      ++p_;
      SkipSpace();
      if (p_ < s_.size() && s_[p_] == ']') { ++p_; return v; }
      for (;;) {
        v.array.push_back(ParseValue());
        SkipSpace();
        if (p_ < s_.size() && s_[p_] == ',') { ++p_; continue; }
        if (p_ < s_.size() && s_[p_] == ']') { ++p_; return v; }
        Fail("',' or ']' expected");
      }
    }
    if (c == '"') {
      v.kind = Value::kString;
      v.string = ParseString();
      return v;
    }
    if (Eat("null")) return v;
    if (Eat("true")) { v.kind = Value::kBool; v.boolean = true; return v; }
    if (Eat("false")) { v.kind = Value::kBool; return v; }
    if (c == '-' || (c >= '0' && c <= '9')) {
      size_t start = p_;
      if (s_[p_] == '-') ++p_;
      while (p_ < s_.size() && ((s_[p_] >= '0' && s_[p_] <= '9') || s_[p_] == '.' || s_[p_] == 'e' ||
                                s_[p_] == 'E' || s_[p_] == '+' || s_[p_] == '-'))
        ++p_;
      v.kind = Value::kNumber;
      v.number = std::stod(s_.substr(start, p_ - start));
      return v;
    }
    Fail("value expected");
  }
  static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  uint32_t Hex4() {
    if (p_ + 4 > s_.size()) Fail("short \\u escape");
    uint32_t v = static_cast<uint32_t>(std::stoul(s_.substr(p_, 4), nullptr, 16));
    p_ += 4;
    return v;
  }
  std::string ParseString() {
    ++p_;  // opening quote
    std::string out;
    for (;;) {
      if (p_ >= s_.size()) Fail("unterminated string");
      unsigned char c = static_cast<unsigned char>(s_[p_++]);
      if (c == '"') return out;
      if (c < 0x20) Fail("raw control character in string");
      if (c != '\\') { out += static_cast<char>(c); continue; }
      if (p_ >= s_.size()) Fail("bad escape");
      char e = s_[p_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp = Hex4();
          if (cp >= 0xD800 && cp <= 0xDBFF && s_.compare(p_, 2, "\\u") == 0) {
            p_ += 2;
            uint32_t lo = Hex4();
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default: Fail("bad escape");
      }
    }
  }
  const std::string& s_;
  size_t p_ = 0;
};

inline Value Parse(const std::string& text) { return Parser(text).ParseDocument(); }

}  // namespace testjson
