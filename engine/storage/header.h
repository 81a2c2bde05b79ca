// The header page (page 0): the file's signature, its version, the area masked with the fixed
// RC4 key, which holds the database key, the code page, the creation date and the password, and,
// in an Office-encrypted .accdb, the description of its encryption.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/storage/format.h"

namespace engine {

enum class HeaderStatus {
  kOk,
  kNotAccess,           // no Jet/ACE signature, or too short to hold a header
  kUnknownVersion,      // a signature with a version byte we do not know
  kTruncated,           // a valid signature but less than one page
};

struct DatabaseHeader {
  const FormatDescriptor* format = nullptr;
  uint32_t databaseKey = 0;  // non-zero: pages after the first are RC4-encoded
  uint16_t codePage = 0;
  double creationDate = 0;   // only meaningful where the format keeps it (Jet4 and later)
  // The password field with every mask removed, trailing zero bytes dropped (raw, not decoded).
  std::vector<uint8_t> passwordBytes;
  // The Office EncryptionInfo of an .accdb (empty when the file has none), and whether its
  // stated length runs past the header page.
  std::vector<uint8_t> encryptionInfo;
  bool encryptionInfoCut = false;

  // Decodes the header from the first bytes of the file (`page` holds up to one page of it).
  static HeaderStatus Parse(ByteView page, DatabaseHeader& out);
};

}  // namespace engine
