// Opening an Office-encrypted .accdb: reads its EncryptionInfo, checks the password with the
// file's own verifier and hands back the page codec of its scheme.
#pragma once

#include <memory>
#include <string>

#include "engine/storage/bytes.h"
#include "engine/crypto/page_codec.h"

namespace engine::crypto {

enum class OfficeOpenStatus {
  kOk,
  kNoPassword,     // the file is encrypted and no password was given
  kWrongPassword,  // the verifier rejects the password
  kDamaged,        // the EncryptionInfo is cut short or its sizes do not fit
  kUnsupported,    // a scheme, algorithm or size we do not decrypt, or an unreadable description
};

// `info`: the EncryptionInfo from the header page (without its length prefix); `databaseKey`: the
// key from the header; `password`: UTF-8 as typed. On kOk `out` holds the codec. The description
// is checked before the password, so a damaged file is reported as such whatever is typed.
OfficeOpenStatus OpenOfficeEncryption(ByteView info, uint32_t databaseKey,
                                      const std::string& password,
                                      std::unique_ptr<PageCodec>& out);

}  // namespace engine::crypto
