// Jet's encoding of whole databases: every page after the header is RC4 with the database key
// XOR the page number as its four-byte key.
#pragma once

#include "engine/crypto/page_codec.h"

namespace engine::crypto {

class JetRc4Codec : public PageCodec {
 public:
  // `databaseKey`: the non-zero key from the header.
  explicit JetRc4Codec(uint32_t databaseKey) : databaseKey_(databaseKey) {}
  void Decode(uint32_t number, uint8_t* page, size_t length) override;

 private:
  uint32_t databaseKey_;
};

}  // namespace engine::crypto
