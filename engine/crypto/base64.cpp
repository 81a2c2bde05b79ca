#include "engine/crypto/base64.h"

namespace engine::crypto {

namespace {

int Sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

bool DecodeBase64(std::string_view text, std::vector<uint8_t>& out) {
  out.clear();
  if (text.size() % 4 != 0) return false;
  out.reserve(text.size() / 4 * 3);
  for (size_t k = 0; k < text.size(); k += 4) {
    const bool last = k + 4 == text.size();
    const size_t padding = !last ? 0 : (text[k + 3] != '=' ? 0 : (text[k + 2] != '=' ? 1 : 2));
    uint32_t group = 0;
    for (size_t j = 0; j < 4; ++j) {
      int v = 0;
      if (j < 4 - padding) {
        v = Sextet(text[k + j]);
        if (v < 0) return false;
      }
      group = (group << 6) | static_cast<uint32_t>(v);
    }
    out.push_back(static_cast<uint8_t>(group >> 16));
    if (padding < 2) out.push_back(static_cast<uint8_t>(group >> 8));
    if (padding < 1) out.push_back(static_cast<uint8_t>(group));
    // Bits left over by the padding must be zero in canonical base64.
    if ((padding == 1 && (group & 0xFF)) || (padding == 2 && (group & 0xFFFF))) return false;
  }
  return true;
}

}  // namespace engine::crypto
