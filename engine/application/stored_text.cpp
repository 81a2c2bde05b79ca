#include "engine/application/stored_text.h"

#include "engine/storage/text_codec.h"

#include <algorithm>

namespace engine::vba {

namespace {

// A unit that can belong to stored text. Units with a zero low byte above U+00FF are refused:
// they are what ASCII text looks like when read one byte off its alignment, and strings start at
// odd offsets as often as at even ones.
bool Printable(uint16_t unit) {
  if (unit == '\t' || unit == '\r' || unit == '\n') return true;
  if (unit < 0x20 || (unit >= 0x7F && unit < 0xA0)) return false;
  if (unit >= 0x100 && (unit & 0xFF) == 0) return false;
  if (unit >= 0xE000 && unit <= 0xF8FF) return false;  // private use: binary, not text
  return unit != 0xFFFF && unit != 0xFFFE && (unit < 0xD800 || unit > 0xDFFF);
}

// The string of printable units starting at `start`, as UTF-8; `end` receives its end offset.
std::string RunAt(ByteView blob, size_t start, size_t& end) {
  end = start;
  while (end + 1 < blob.size() && Printable(blob.U16(end))) end += 2;
  return DecodeUcs2(blob.Sub(start, end - start));
}

bool MatchesAscii(ByteView blob, size_t at, const char* text) {
  for (size_t k = 0; text[k]; ++k) {
    if (!blob.Has(at + 2 * k, 2) || blob.U16(at + 2 * k) != static_cast<uint8_t>(text[k]))
      return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> StoredStrings(ByteView blob, size_t minimum) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos + 1 < blob.size()) {
    if (!Printable(blob.U16(pos))) {
      ++pos;
      continue;
    }
    size_t end;
    std::string run = RunAt(blob, pos, end);
    if ((end - pos) / 2 < minimum) {
      // Too short to be kept; a string may still start at the next byte.
      ++pos;
      continue;
    }
    out.push_back(std::move(run));
    pos = end;
  }
  return out;
}

std::vector<std::string> PropertyStrings(ByteView blob, size_t minimum) {
  constexpr uint32_t kTextProperty = 4;
  std::vector<std::string> out;
  for (size_t pos = 4; pos + 4 <= blob.size();) {
    const uint32_t length = blob.U32(pos);
    bool text = blob.U32(pos - 4) == kTextProperty && length % 2 == 0 &&
                length / 2 >= std::max<size_t>(minimum, 1) && blob.Has(pos + 4, length);
    for (size_t k = 0; text && k < length; k += 2) text = Printable(blob.U16(pos + 4 + k));
    if (!text) {
      ++pos;
      continue;
    }
    out.push_back(DecodeUcs2(blob.Sub(pos + 4, length)));
    pos += 4 + length;
  }
  return out;
}

std::string MacroXml(ByteView blob) {
  // Each piece is a string of its own, "_AXL:" followed by up to a few hundred characters of the
  // XML; the pieces follow one another in stored order and split the text anywhere.
  static const char kPiece[] = "_AXL:";
  const size_t prefix = 2 * (sizeof kPiece - 1);
  std::string xml;
  for (size_t pos = 0; pos + prefix <= blob.size();) {
    if (!MatchesAscii(blob, pos, kPiece)) {
      ++pos;
      continue;
    }
    size_t end;
    xml += RunAt(blob, pos + prefix, end);
    pos = std::max(end, pos + prefix);
  }
  return xml;
}

}  // namespace engine::vba
