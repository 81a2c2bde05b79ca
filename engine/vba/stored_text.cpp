#include "engine/vba/stored_text.h"

#include "engine/text_codec.h"

namespace engine::vba {

namespace {

// A unit that can belong to stored text. Units with a zero low byte above U+00FF are refused:
// they are what ASCII text looks like when read one byte off its alignment, and strings start at
// odd offsets as often as at even ones.
bool Printable(uint16_t unit) {
  if (unit == '\t' || unit == '\r' || unit == '\n') return true;
  if (unit < 0x20 || (unit >= 0x7F && unit < 0xA0)) return false;
  if (unit >= 0x100 && (unit & 0xFF) == 0) return false;
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
    if ((end - pos) / 2 >= minimum) out.push_back(std::move(run));
    pos = end;
  }
  return out;
}

std::string MacroXml(ByteView blob) {
  for (size_t pos = 0; pos + 1 < blob.size(); ++pos) {
    if (blob.U16(pos) != '<') continue;
    if (MatchesAscii(blob, pos, "<?xml") || MatchesAscii(blob, pos, "<UserInterfaceMacro")) {
      size_t end;
      return RunAt(blob, pos, end);
    }
  }
  return "";
}

}  // namespace engine::vba
