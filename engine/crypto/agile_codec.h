// Agile encryption (EncryptionInfo 4.4): pages are AES-CBC with the intermediate key; the IV of a
// page is the hash of the key data's salt and the page's key bytes.
#pragma once

#include <memory>

#include "engine/crypto/encryption_info.h"
#include "engine/crypto/page_codec.h"
#include "engine/crypto/secret.h"

namespace engine::crypto {

// Derives the keys from `password` (UTF-16LE), checks them with the description's verifier and
// returns the page codec, or nullptr when the password is wrong. The whole derivation is done
// either way, so that a wrong password costs the same time as the right one.
std::unique_ptr<PageCodec> OpenAgile(const AgileDescription& description, ByteView password,
                                     uint32_t databaseKey);

}  // namespace engine::crypto
