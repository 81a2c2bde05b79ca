// Standard encryption (fCryptoAPI and fAES in a binary EncryptionInfo): pages are AES-ECB, each
// with its own key derived from the password hash and the page's key bytes. The non-standard
// variant some Access builds wrote (version 4.2 without fAES) is the same scheme without the
// 50,000 spins of the password hash.
#pragma once

#include <memory>

#include "engine/crypto/encryption_info.h"
#include "engine/crypto/page_codec.h"

namespace engine::crypto {

// Spins of the password hash in Standard encryption proper.
constexpr uint32_t kStandardSpins = 50'000;

// Checks `password` (UTF-16LE) with the description's verifier and returns the page codec, or
// nullptr when the password is wrong. `spins`: kStandardSpins, or 0 for the non-standard variant.
std::unique_ptr<PageCodec> OpenStandard(const BinaryDescription& description, ByteView password,
                                        uint32_t databaseKey, uint32_t spins);

}  // namespace engine::crypto
