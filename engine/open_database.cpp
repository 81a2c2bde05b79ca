// DBEngine::OpenDatabase: opens an Access file read-only, checks its header and password, and
// reads its catalogue.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>

#include <string.h>  // explicit_bzero

#include "engine/crypto/jet_rc4_codec.h"
#include "engine/crypto/office_encryption.h"
#include "engine/dao.h"
#include "engine/errors.h"
#include "engine/storage/header.h"
#include "engine/catalogue/jet_catalogue.h"
#include "engine/storage/page_reader.h"
#include "engine/catalogue/system_tables.h"
#include "engine/storage/text_codec.h"

namespace dao {

namespace {

// Opens `path` for reading only, without updating its access time where the system lets us.
// O_NONBLOCK keeps a named pipe from blocking the open; only regular files are read afterwards.
int OpenReadOnly(const std::string& path) {
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
  int fd;
  do {
    fd = ::open(path.c_str(), kFlags | O_NOATIME);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && errno == EPERM) {  // O_NOATIME is only allowed to the file's owner
    do {
      fd = ::open(path.c_str(), kFlags);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd >= 0) return fd;
  switch (errno) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      throw engine::FileNotFoundError(path);
    default:
      throw engine::CannotOpenError(path);
  }
}

// Closes a descriptor unless it has been handed over.
struct FdGuard {
  int fd;
  ~FdGuard() {
    if (fd >= 0) ::close(fd);
  }
};

bool PasswordMatches(const engine::DatabaseHeader& header, const std::string& given) {
  if (header.passwordBytes.empty()) return true;  // not protected: any password is accepted
  engine::TextCodec codec(header.format->text, header.codePage);
  const std::string stored = codec.Decode(
      engine::ByteView(header.passwordBytes.data(), header.passwordBytes.size()));
  return stored == given;
}

// The password of the connect string, wiped from memory when the open is over.
struct GivenPassword {
  std::string text;
  ~GivenPassword() {
    if (!text.empty()) explicit_bzero(text.data(), text.size());
  }
};

// The codec of an Office-encrypted .accdb, once `password` has been checked with the file's own
// verifier; every refusal as the engine error the user sees.
std::unique_ptr<engine::crypto::PageCodec> OfficeCodec(const std::string& path,
                                                       const engine::DatabaseHeader& header,
                                                       const std::string& password) {
  using engine::crypto::OfficeOpenStatus;
  if (header.encryptionInfoCut) throw engine::DamagedError(path);
  // A database key with no description of the encryption: nothing tells how to decrypt it.
  if (header.encryptionInfo.empty()) throw engine::EncryptedAceError(path);
  std::unique_ptr<engine::crypto::PageCodec> codec;
  const engine::ByteView info(header.encryptionInfo.data(), header.encryptionInfo.size());
  switch (engine::crypto::OpenOfficeEncryption(info, header.databaseKey, password, codec)) {
    case OfficeOpenStatus::kOk: return codec;
    case OfficeOpenStatus::kNoPassword:
    case OfficeOpenStatus::kWrongPassword: throw engine::BadPasswordError();
    case OfficeOpenStatus::kDamaged: throw engine::DamagedError(path);
    case OfficeOpenStatus::kUnsupported: break;
  }
  throw engine::EncryptedAceError(path);
}

}  // namespace

std::shared_ptr<Database> DBEngine::OpenDatabase(const std::string& path, bool /*options*/,
                                                 bool /*readOnly*/,
                                                 const std::optional<std::string>& connect) {
  if (path.empty()) throw engine::FileNotFoundError(path);
  FdGuard guard{OpenReadOnly(path)};

  struct stat st;
  if (::fstat(guard.fd, &st) != 0) throw engine::CannotOpenError(path);
  if (S_ISDIR(st.st_mode)) throw engine::FolderError(path);
  if (!S_ISREG(st.st_mode)) throw engine::NotAFileError(path);
  const uint64_t size = static_cast<uint64_t>(st.st_size);

  std::vector<uint8_t> first(4096);
  ssize_t got;
  do {
    got = ::pread(guard.fd, first.data(), first.size(), 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0) throw engine::CannotOpenError(path);
  first.resize(static_cast<size_t>(got));

  engine::DatabaseHeader header;
  switch (engine::DatabaseHeader::Parse(engine::ByteView(first.data(), first.size()), header)) {
    case engine::HeaderStatus::kOk: break;
    case engine::HeaderStatus::kNotAccess:
    case engine::HeaderStatus::kUnknownVersion: throw engine::UnrecognizedFormatError(path);
    case engine::HeaderStatus::kTruncated: throw engine::DamagedError(path);
  }
  const engine::FormatDescriptor& format = *header.format;
  // An unencrypted .accdb keeps no password of the Jet kind: one there is a protection we do not
  // know. (Office encryption fills that field with bytes of its own.)
  if (format.ace && header.databaseKey == 0 && !header.passwordBytes.empty())
    throw engine::EncryptedAceError(path);
  // Access writes whole pages only; anything else is a damaged or cut copy.
  if (size % format.pageSize != 0 || size / format.pageSize < 3) throw engine::DamagedError(path);

  GivenPassword password{connect ? PasswordFromConnect(*connect) : std::string()};
  std::unique_ptr<engine::crypto::PageCodec> codec;
  if (format.ace) {
    // In an .accdb the database key means Office encryption, described in the header page.
    if (header.databaseKey != 0) codec = OfficeCodec(path, header, password.text);
  } else {
    if (!PasswordMatches(header, password.text)) throw engine::BadPasswordError();
    if (header.databaseKey != 0)
      codec = std::make_unique<engine::crypto::JetRc4Codec>(header.databaseKey);
  }
  const bool encrypted = codec != nullptr;

  auto pages = std::make_unique<engine::PageReader>(guard.fd, size, format, std::move(codec));
  guard.fd = -1;
  // Every .accdb has the catalogue's definition on the same page. When it is not there the file
  // is damaged, or encrypted in a way its header does not tell.
  if (format.ace) {
    bool found = false;
    try {
      found = pages->Read(engine::kCatalogueDefinitionPage)->Type() == engine::kPageTableDefinition;
    } catch (const engine::CorruptError&) {
      throw engine::DamagedError(path);
    }
    if (!found) throw encrypted ? engine::DamagedError(path) : engine::EncryptedAceError(path);
  }
  try {
    std::vector<TableInfo> tables;
    std::vector<QueryInfo> queries;
    auto catalogue = std::make_unique<engine::JetCatalogue>(path, std::move(pages),
                                                            header.codePage, tables, queries);
    return Database::Create(path, std::move(tables), std::move(queries), std::move(catalogue));
  } catch (const engine::CorruptError&) {
    throw engine::DamagedError(path);
  } catch (const std::bad_alloc&) {
    throw engine::DamagedError(path);
  } catch (const std::length_error&) {
    throw engine::DamagedError(path);
  }
}

}  // namespace dao
