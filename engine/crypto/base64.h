// Base64 (RFC 4648, with padding) as the agile encryption description stores its binary values.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace engine::crypto {

// Decodes `text` into `out`. False for anything that is not canonical padded base64: a character
// outside the alphabet, a length that is not a multiple of four, misplaced padding.
bool DecodeBase64(std::string_view text, std::vector<uint8_t>& out);

}  // namespace engine::crypto
