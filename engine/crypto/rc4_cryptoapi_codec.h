// RC4 CryptoAPI encryption (a binary EncryptionInfo with RC4): each page is RC4 with a key cut
// from the SHA-1 of the password hash and the page's key bytes.
#pragma once

#include <memory>

#include "engine/crypto/encryption_info.h"
#include "engine/crypto/page_codec.h"

namespace engine::crypto {

// Checks `password` (UTF-16LE) with the description's verifier and returns the page codec, or
// nullptr when the password is wrong.
std::unique_ptr<PageCodec> OpenRc4CryptoApi(const BinaryDescription& description,
                                            ByteView password, uint32_t databaseKey);

}  // namespace engine::crypto
