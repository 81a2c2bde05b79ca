// The XML description of agile encryption, read with expat.
#include <expat.h>

#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "engine/crypto/aes.h"
#include "engine/crypto/base64.h"
#include "engine/crypto/encryption_info.h"

namespace engine::crypto {

namespace {

// expat joins a namespace and a local name with this character.
constexpr char kNsSep = '|';
constexpr std::string_view kEncryption = "http://schemas.microsoft.com/office/2006/encryption|encryption";
constexpr std::string_view kKeyData = "http://schemas.microsoft.com/office/2006/encryption|keyData";
constexpr std::string_view kKeyEncryptor =
    "http://schemas.microsoft.com/office/2006/encryption|keyEncryptor";
constexpr std::string_view kPasswordUri =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password";
constexpr std::string_view kEncryptedKey =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password|encryptedKey";

using Attributes = std::map<std::string, std::string>;

struct Reader {
  XML_Parser parser = nullptr;
  int depth = 0;
  bool refused = false;          // a DTD or a structure we do not accept
  bool inPasswordEncryptor = false;
  int keyDataCount = 0;
  int encryptedKeyCount = 0;
  Attributes keyData;
  Attributes encryptedKey;

  void Refuse() {
    refused = true;
    XML_StopParser(parser, XML_FALSE);
  }
};

Attributes Collect(const XML_Char** atts) {
  Attributes out;
  for (size_t k = 0; atts[k] && atts[k + 1]; k += 2) out[atts[k]] = atts[k + 1];
  return out;
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
  Reader& r = *static_cast<Reader*>(data);
  const std::string_view n(name);
  ++r.depth;
  if (r.depth == 1) {
    if (n != kEncryption) r.Refuse();
  } else if (r.depth == 2 && n == kKeyData) {
    ++r.keyDataCount;
    r.keyData = Collect(atts);
  } else if (r.depth == 3 && n == kKeyEncryptor) {
    Attributes a = Collect(atts);
    r.inPasswordEncryptor = a["uri"] == kPasswordUri;
  } else if (r.depth == 4 && n == kEncryptedKey && r.inPasswordEncryptor) {
    ++r.encryptedKeyCount;
    r.encryptedKey = Collect(atts);
  }
}

void XMLCALL OnEnd(void* data, const XML_Char* /*name*/) {
  Reader& r = *static_cast<Reader*>(data);
  if (r.depth == 3) r.inPasswordEncryptor = false;
  --r.depth;
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  static_cast<Reader*>(data)->Refuse();
}

void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                      const XML_Char*, const XML_Char*, const XML_Char*) {
  static_cast<Reader*>(data)->Refuse();
}

// A decimal number without sign or blanks, at most `max`.
bool Number(const Attributes& a, const char* name, uint32_t max, uint32_t& out) {
  auto it = a.find(name);
  if (it == a.end() || it->second.empty() || it->second.size() > 10) return false;
  uint64_t v = 0;
  for (char c : it->second) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > max) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

bool Text(const Attributes& a, const char* name, std::string_view expected) {
  auto it = a.find(name);
  return it != a.end() && it->second == expected;
}

bool Binary(const Attributes& a, const char* name, std::vector<uint8_t>& out) {
  auto it = a.find(name);
  return it != a.end() && DecodeBase64(it->second, out);
}

// The attributes every cipher use carries: algorithms, sizes and salt.
bool ReadCipher(const Attributes& a, AgileCipher& out) {
  uint32_t saltSize = 0;
  uint32_t keyBits = 0;
  if (!Text(a, "cipherAlgorithm", "AES") || !Text(a, "cipherChaining", "ChainingModeCBC"))
    return false;
  auto hash = a.find("hashAlgorithm");
  if (hash == a.end() || !HashAlgorithmFromName(hash->second, out.hash)) return false;
  if (!Number(a, "hashSize", 64, out.hashSize) || out.hashSize != DigestSize(out.hash))
    return false;
  if (!Number(a, "blockSize", 1024, out.blockSize) || out.blockSize != AesDecryptor::kBlockSize)
    return false;
  if (!Number(a, "keyBits", 1024, keyBits) || keyBits % 8 != 0 ||
      !AesDecryptor::ValidKeySize(keyBits / 8))
    return false;
  out.keyBytes = keyBits / 8;
  if (!Number(a, "saltSize", 65536, saltSize) || saltSize == 0) return false;
  return Binary(a, "saltValue", out.salt) && out.salt.size() == saltSize;
}

// Encrypted values are whole blocks, at least `minimum` bytes once decrypted.
bool Encrypted(const Attributes& a, const char* name, size_t minimum, std::vector<uint8_t>& out) {
  return Binary(a, name, out) && !out.empty() && out.size() % AesDecryptor::kBlockSize == 0 &&
         out.size() >= minimum;
}

}  // namespace

InfoStatus ParseAgileXml(ByteView xml, AgileDescription& out) {
  if (xml.size() > INT_MAX) return InfoStatus::kUnsupported;
  Reader r;
  r.parser = XML_ParserCreateNS(nullptr, kNsSep);
  if (!r.parser) throw std::bad_alloc();
  XML_SetUserData(r.parser, &r);
  XML_SetElementHandler(r.parser, OnStart, OnEnd);
  XML_SetStartDoctypeDeclHandler(r.parser, OnDoctype);
  XML_SetEntityDeclHandler(r.parser, OnEntity);
  const XML_Status status = XML_Parse(r.parser, reinterpret_cast<const char*>(xml.data()),
                                      static_cast<int>(xml.size()), XML_TRUE);
  XML_ParserFree(r.parser);
  if (status != XML_STATUS_OK || r.refused) return InfoStatus::kUnsupported;
  if (r.keyDataCount != 1 || r.encryptedKeyCount != 1) return InfoStatus::kUnsupported;

  out = AgileDescription();
  const Attributes& k = r.encryptedKey;
  if (!ReadCipher(r.keyData, out.keyData) || !ReadCipher(k, out.password) ||
      !Number(k, "spinCount", kMaxSpinCount, out.spinCount) ||
      !Encrypted(k, "encryptedVerifierHashInput", out.password.salt.size(),
                 out.encryptedVerifierHashInput) ||
      !Encrypted(k, "encryptedVerifierHashValue", out.password.hashSize,
                 out.encryptedVerifierHashValue) ||
      !Encrypted(k, "encryptedKeyValue", out.keyData.keyBytes, out.encryptedKeyValue))
    return InfoStatus::kUnsupported;
  return InfoStatus::kOk;
}

}  // namespace engine::crypto
