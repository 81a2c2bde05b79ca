#include "engine/storage/text_codec.h"

#include <iconv.h>

#include <string>

namespace engine {

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

namespace {

// Turns UTF-16 code units, given one at a time, into UTF-8, pairing surrogates where they pair;
// a surrogate left alone becomes U+FFFD.
class Utf16Writer {
 public:
  explicit Utf16Writer(std::string& out) : out_(out) {}
  void Unit(uint16_t u) {
    if (high_ != 0) {
      if (u >= 0xDC00 && u <= 0xDFFF) {
        AppendUtf8(out_, 0x10000 + ((high_ - 0xD800u) << 10) + (u - 0xDC00u));
        high_ = 0;
        return;
      }
      AppendUtf8(out_, high_);
      high_ = 0;
    }
    if (u < 0x80) {
      out_.push_back(static_cast<char>(u));
    } else if (u >= 0xD800 && u <= 0xDBFF) {
      high_ = u;
    } else {
      AppendUtf8(out_, u);
    }
  }
  // Ends the text: a high surrogate still waiting for its pair is written alone.
  void Finish() {
    if (high_ != 0) AppendUtf8(out_, high_);
    high_ = 0;
  }

 private:
  std::string& out_;
  uint32_t high_ = 0;
};

// Characters 0x80..0x9F of Windows-1252; the rest of the code page is Latin-1.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

}  // namespace

std::string DecodeUcs2(ByteView bytes) {
  const uint8_t* p = bytes.data();
  const size_t n = bytes.size();
  std::string out;
  out.reserve(n);
  Utf16Writer w(out);
  if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
    // Compressed: one byte per character (high byte zero) until a 0x00 byte switches to plain
    // two-byte units; the next 0x00 byte switches back.
    bool compressed = true;
    size_t k = 2;
    while (k < n) {
      if (p[k] == 0) {
        compressed = !compressed;
        ++k;
      } else if (compressed) {
        w.Unit(p[k]);
        ++k;
      } else {
        if (k + 1 >= n) break;
        w.Unit(static_cast<uint16_t>(p[k] | (p[k + 1] << 8)));
        k += 2;
      }
    }
  } else {
    // Names are mostly ASCII: a leading run of ASCII units goes straight in, the writer takes
    // the rest.
    size_t k = 0;
    out.resize(n / 2);
    size_t m = 0;
    for (; k + 1 < n && p[k + 1] == 0 && p[k] < 0x80; k += 2) out[m++] = static_cast<char>(p[k]);
    out.resize(m);
    for (; k + 1 < n; k += 2) w.Unit(static_cast<uint16_t>(p[k] | (p[k + 1] << 8)));
  }
  w.Finish();
  return out;
}

std::string DecodeCp1252(ByteView bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t k = 0; k < bytes.size(); ++k) {
    uint8_t b = bytes.data()[k];
    AppendUtf8(out, (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : b);
  }
  return out;
}

TextCodec::TextCodec(TextStorage storage, uint16_t codePage)
    : storage_(storage), codePage_(codePage == 0 ? 1252 : codePage) {
  if (storage_ == TextStorage::kCodePage && codePage_ != 1252) {
    std::string name = "CP" + std::to_string(codePage_);
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_ = cd;
  }
}

TextCodec::~TextCodec() {
  if (iconv_) iconv_close(static_cast<iconv_t>(iconv_));
}

std::string TextCodec::Decode(ByteView bytes) const {
  if (storage_ == TextStorage::kUcs2) return DecodeUcs2(bytes);
  return DecodeSingleByte(bytes);
}

std::string TextCodec::DecodeSingleByte(ByteView bytes) const {
  if (!iconv_) return DecodeCp1252(bytes);
  iconv_t cd = static_cast<iconv_t>(iconv_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset the conversion state
  std::string in = bytes.Str();
  std::string out(in.size() * 4 + 4, '\0');
  char* src = in.data();
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
    // An unmappable byte: write U+FFFD and go on with the next one.
    if (dstLeft < 3) break;
    *dst++ = '\xEF';
    *dst++ = '\xBF';
    *dst++ = '\xBD';
    dstLeft -= 3;
    ++src;
    --srcLeft;
  }
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace engine
