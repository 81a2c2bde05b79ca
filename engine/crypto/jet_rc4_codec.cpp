#include "engine/crypto/jet_rc4_codec.h"

#include "engine/crypto/rc4.h"

namespace engine::crypto {

void JetRc4Codec::Decode(uint32_t number, uint8_t* page, size_t length) {
  Rc4DecodeWithKey32(databaseKey_ ^ number, page, length);
}

}  // namespace engine::crypto
