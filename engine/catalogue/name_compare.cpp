#include "engine/catalogue/name_compare.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/storage/text_codec.h"

namespace engine {

namespace {

// A byte that starts no valid UTF-8 sequence is carried as a code point of its own, outside
// Unicode, so that it survives folding and still compares.
constexpr char32_t kRawByteBase = 0x110000;

std::vector<char32_t> DecodeUtf8(std::string_view s) {
  std::vector<char32_t> out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t length = b0 < 0x80 ? 1 : (b0 >> 5) == 0x6 ? 2 : (b0 >> 4) == 0xE ? 3 : (b0 >> 3) == 0x1E ? 4 : 0;
    char32_t c = length == 1 ? b0 : length == 2 ? (b0 & 0x1F) : length == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    bool valid = length != 0 && i + length <= s.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (b & 0x3F);
    }
    // Surrogates and values past Unicode are not characters: their bytes are carried raw, so
    // that they come back out as they went in.
    if (valid && ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) valid = false;
    if (!valid) {
      out.push_back(kRawByteBase + b0);
      ++i;
      continue;
    }
    out.push_back(c);
    i += length;
  }
  return out;
}

void EncodeUtf8(char32_t c, std::string& out) {
  if (c >= kRawByteBase) out += static_cast<char>(c - kRawByteBase);
  else AppendUtf8(out, static_cast<uint32_t>(c));
}

// In blocks where capital and small letters alternate, the capital is on the even (or, with
// `capitalOdd`, the odd) code point.
char32_t FoldPair(char32_t c, bool capitalOdd) { return ((c & 1) != 0) == capitalOdd ? c + 1 : c; }

// The lower-case form of one letter (simple case folding of the scripts names are written in).
char32_t FoldChar(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c < 0x100) return c;
  if (c <= 0x17F) {
    if (c == 0x130) return 'i';    // capital I with dot
    if (c == 0x178) return 0xFF;   // capital Y with diaeresis
    if (c == 0x17F) return 's';    // long s
    if (c == 0x131 || c == 0x138 || c == 0x149) return c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return FoldPair(c, true);
    return FoldPair(c, false);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek capitals
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c == 0x3C2) return 0x3C3;  // final sigma
  if (c >= 0x410 && c <= 0x42F) return c + 32;  // Cyrillic capitals
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
    return FoldPair(c, false);
  if (c >= 0x4C1 && c <= 0x4CE) return FoldPair(c, true);
  if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return FoldPair(c, false);
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;  // full-width Latin capitals
  return c;
}

// Base letters of the small Latin letters U+00E0..U+00FF and U+0100..U+017F (after folding);
// '*' marks the few that stand for two letters, '-' what is not a letter.
constexpr char kLatin1Base[] = "aaaaaa*ceeeeiiiidnooooo-ouuuuy*y";
constexpr char kLatinABase[] =
    "aaaaaaccccccccdd" "ddeeeeeeeeeegggg" "gggghhhhiiiiiiii" "ii**jjkkklllllll"
    "lllnnnnnnnnnoooo" "oo**rrrrrrssssss" "ssttttttuuuuuuuu" "uuuuwwyyyzzzzzzs";

static_assert(sizeof kLatin1Base == 0x20 + 1 && sizeof kLatinABase == 0x80 + 1);

// Weight classes, lowest first.
constexpr uint32_t kSymbol = 1u << 22;
constexpr uint32_t kDigit = 2u << 22;
constexpr uint32_t kLatin = 3u << 22;
constexpr uint32_t kGreek = 4u << 22;
constexpr uint32_t kCyrillic = 5u << 22;
constexpr uint32_t kOther = 6u << 22;

// Greek letters with tonos or dialytika, by their plain letter.
char32_t GreekBase(char32_t c) {
  switch (c) {
    case 0x3AC: return 0x3B1;
    case 0x3AD: return 0x3B5;
    case 0x3AE: return 0x3B7;
    case 0x3AF: case 0x3CA: case 0x390: return 0x3B9;
    case 0x3CC: return 0x3BF;
    case 0x3CD: case 0x3CB: case 0x3B0: return 0x3C5;
    case 0x3CE: return 0x3C9;
    default: return c;
  }
}

// Appends the primary weights of one folded code point: what decides the order before accents
// and case do.
void PrimaryWeights(char32_t c, std::vector<uint32_t>& out) {
  auto latin = [&out](char letter) { out.push_back(kLatin + static_cast<uint32_t>(letter)); };
  if (c < 0x80) {
    if (c >= 'a' && c <= 'z') return latin(static_cast<char>(c));
    if (c >= '0' && c <= '9') return out.push_back(kDigit + c);
    return out.push_back(kSymbol + c);
  }
  if (c >= 0xE0 && c <= 0xFF) {
    const char base = kLatin1Base[c - 0xE0];
    if (base == '-') return out.push_back(kSymbol + c);
    if (base != '*') return latin(base);
    if (c == 0xE6) return latin('a'), latin('e');  // æ
    return latin('t'), latin('h');                  // þ
  }
  if (c == 0xDF) return latin('s'), latin('s');  // ß
  if (c < 0x100) return out.push_back(kSymbol + c);
  if (c <= 0x17F) {
    const char base = kLatinABase[c - 0x100];
    if (base != '*') return latin(base);
    if (c == 0x133) return latin('i'), latin('j');  // ĳ
    return latin('o'), latin('e');                  // œ
  }
  if (c >= 0x370 && c <= 0x3FF) return out.push_back(kGreek + GreekBase(c));
  if (c >= 0x400 && c <= 0x52F) return out.push_back(kCyrillic + (c == 0x451 ? 0x435 : c));
  out.push_back(kOther + c);
}

std::vector<char32_t> Folded(std::string_view name) {
  std::vector<char32_t> cs = DecodeUtf8(name);
  for (char32_t& c : cs) c = FoldChar(c);
  return cs;
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char32_t c : Folded(name)) EncodeUtf8(c, out);
  return out;
}

bool NameLess(std::string_view a, std::string_view b) {
  const std::vector<char32_t> fa = Folded(a);
  const std::vector<char32_t> fb = Folded(b);
  std::vector<uint32_t> wa, wb;
  for (char32_t c : fa) PrimaryWeights(c, wa);
  for (char32_t c : fb) PrimaryWeights(c, wb);
  if (wa != wb) return wa < wb;
  if (fa != fb) return fa < fb;
  // Same name but for case: small letters first, as Access lists them.
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) {
                                        return static_cast<unsigned char>(x) >
                                               static_cast<unsigned char>(y);
                                      });
}

}  // namespace engine
