#include "engine/application/compound_file.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/storage/text_codec.h"

namespace engine::vba {

namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
constexpr size_t kHeaderFatEntries = 109;
constexpr size_t kDirectoryEntrySize = 128;
constexpr uint8_t kTypeStorage = 1;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;

struct DirectoryRecord {
  std::string name;
  uint8_t type = 0;
  uint32_t left = kNoEntry;
  uint32_t right = kNoEntry;
  uint32_t child = kNoEntry;
  uint32_t start = 0;
  uint64_t size = 0;
};

class CompoundFile {
 public:
  explicit CompoundFile(ByteView file) : file_(file) {
    if (!file.Has(0, 512) || std::memcmp(file.data(), kSignature, sizeof kSignature) != 0)
      ThrowCorrupt("not a compound file");
    const uint16_t shift = file.U16(0x1E);
    if (shift != 9 && shift != 12) ThrowCorrupt("compound file with an unknown sector size");
    if (file.U16(0x20) != 6) ThrowCorrupt("compound file with an unknown mini sector size");
    sectorSize_ = size_t{1} << shift;
    if (file.size() < sectorSize_) ThrowCorrupt("compound file shorter than its header");
    // The last sector may be cut short: the rows holding the file need not end on a sector.
    sectorCount_ = (file.size() - sectorSize_ + sectorSize_ - 1) / sectorSize_;
    miniCutoff_ = file.U32(0x38);
    ReadFat(file.U32(0x2C), file.U32(0x44), file.U32(0x48));
    directory_ = ReadChain(file.U32(0x30), std::nullopt);
    ReadMiniStream(file.U32(0x3C));
  }

  size_t EntryCount() const { return directory_.size() / kDirectoryEntrySize; }

  DirectoryRecord Entry(size_t index) const {
    ByteView e = ByteView(reinterpret_cast<const uint8_t*>(directory_.data()), directory_.size())
                     .Sub(index * kDirectoryEntrySize, kDirectoryEntrySize);
    DirectoryRecord r;
    const size_t nameBytes = e.U16(0x40);
    if (nameBytes >= 2 && nameBytes <= 64) r.name = DecodeUcs2(e.Sub(0, nameBytes - 2));
    r.type = e.U8(0x42);
    r.left = e.U32(0x44);
    r.right = e.U32(0x48);
    r.child = e.U32(0x4C);
    r.start = e.U32(0x74);
    r.size = e.U32(0x78);
    // Files with 512-byte sectors keep only the low half of the size; the high half may be junk.
    if (sectorSize_ == 4096) r.size |= uint64_t{e.U32(0x7C)} << 32;
    return r;
  }

  // The bytes of a stream; raises CorruptError when its chain cannot be followed.
  std::string Stream(const DirectoryRecord& r, size_t& budget) const {
    if (r.size > budget) ThrowCorrupt("compound file stream larger than the file");
    budget -= static_cast<size_t>(r.size);
    if (r.size < miniCutoff_) return ReadMiniChain(r.start, static_cast<size_t>(r.size));
    return ReadChain(r.start, static_cast<size_t>(r.size));
  }

 private:
  ByteView Sector(uint32_t number) const {
    if (number >= sectorCount_) ThrowCorrupt("compound file sector past the end");
    const size_t offset = (size_t{number} + 1) * sectorSize_;
    return file_.Sub(offset, std::min(sectorSize_, file_.size() - offset));
  }

  void ReadFat(uint32_t fatSectors, uint32_t firstDifat, uint32_t difatSectors) {
    if (fatSectors > sectorCount_) ThrowCorrupt("compound file with more FAT sectors than sectors");
    std::vector<uint32_t> where;
    for (size_t i = 0; i < kHeaderFatEntries && where.size() < fatSectors; ++i)
      where.push_back(file_.U32(0x4C + 4 * i));
    const size_t perDifat = sectorSize_ / 4 - 1;
    uint32_t next = firstDifat;
    for (uint32_t k = 0; k < difatSectors && where.size() < fatSectors; ++k) {
      if (k >= sectorCount_) ThrowCorrupt("compound file DIFAT loops");
      ByteView s = Sector(next);
      for (size_t i = 0; i < perDifat && where.size() < fatSectors; ++i) where.push_back(s.U32(4 * i));
      next = s.U32(4 * perDifat);
    }
    if (where.size() < fatSectors) ThrowCorrupt("compound file FAT sectors missing");
    fat_.reserve(where.size() * (sectorSize_ / 4));
    for (uint32_t number : where) {
      ByteView s = Sector(number);
      if (s.size() != sectorSize_) ThrowCorrupt("compound file FAT sector cut short");
      for (size_t i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(s.U32(4 * i));
    }
  }

  // The sectors of the chain starting at `start`, in order. Raises CorruptError on a sector past
  // the table or the file, and on a loop.
  static std::vector<uint32_t> Chain(const std::vector<uint32_t>& table, uint32_t start,
                                     size_t sectorLimit) {
    std::vector<uint32_t> chain;
    std::vector<bool> seen(std::min(table.size(), sectorLimit), false);
    for (uint32_t s = start; s != kEndOfChain; s = table[s]) {
      if (s >= seen.size()) ThrowCorrupt("compound file chain leaves the file");
      if (seen[s]) ThrowCorrupt("compound file chain loops");
      seen[s] = true;
      chain.push_back(s);
    }
    return chain;
  }

  // A chain of regular sectors: `size` bytes of it, or all of it when no size is given.
  std::string ReadChain(uint32_t start, std::optional<size_t> size) const {
    if (size && *size == 0) return {};
    const std::vector<uint32_t> chain = Chain(fat_, start, sectorCount_);
    const size_t want = size ? *size : chain.size() * sectorSize_;
    if (chain.size() < (want + sectorSize_ - 1) / sectorSize_)
      ThrowCorrupt("compound file chain shorter than its stream");
    std::string out;
    out.reserve(want);
    for (uint32_t s : chain) {
      if (out.size() >= want) break;
      ByteView bytes = Sector(s);
      const size_t take = std::min(bytes.size(), want - out.size());
      if (take < std::min(sectorSize_, want - out.size()))
        ThrowCorrupt("compound file stream runs past the end of the file");
      out.append(reinterpret_cast<const char*>(bytes.data()), take);
    }
    return out;
  }

  void ReadMiniStream(uint32_t firstMiniFat) {
    if (EntryCount() == 0) ThrowCorrupt("compound file without a directory");
    const DirectoryRecord root = Entry(0);
    if (root.type != kTypeRoot) ThrowCorrupt("compound file without its root entry");
    if (firstMiniFat == kEndOfChain || root.size == 0) return;
    if (root.size > file_.size()) ThrowCorrupt("compound file mini stream larger than the file");
    miniStream_ = ReadChain(root.start, static_cast<size_t>(root.size));
    const std::string table = ReadChain(firstMiniFat, std::nullopt);
    ByteView t(reinterpret_cast<const uint8_t*>(table.data()), table.size());
    for (size_t i = 0; i + 4 <= table.size(); i += 4) miniFat_.push_back(t.U32(i));
  }

  std::string ReadMiniChain(uint32_t start, size_t size) const {
    if (size == 0) return {};
    constexpr size_t kMini = 64;
    const size_t miniCount = miniStream_.size() / kMini;
    const std::vector<uint32_t> chain = Chain(miniFat_, start, miniCount);
    if (chain.size() < (size + kMini - 1) / kMini)
      ThrowCorrupt("compound file mini chain shorter than its stream");
    std::string out;
    out.reserve(size);
    for (uint32_t s : chain) {
      if (out.size() >= size) break;
      out.append(miniStream_, size_t{s} * kMini, std::min(kMini, size - out.size()));
    }
    return out;
  }

  ByteView file_;
  size_t sectorSize_ = 512;
  size_t sectorCount_ = 0;
  uint32_t miniCutoff_ = 4096;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> miniFat_;
  std::string directory_;
  std::string miniStream_;
};

}  // namespace

StorageTree ReadCompoundFile(ByteView file) {
  const CompoundFile cf(file);
  const size_t count = cf.EntryCount();
  std::vector<StorageEntry> entries;
  StorageEntry root;
  root.name = kCompoundRootName;
  entries.push_back(root);

  // Walk down from the root: each storage's children are the nodes of the sibling tree below its
  // child link. An entry met a second time (a loop, or a node shared by two trees) is skipped.
  std::vector<bool> placed(count, false);
  placed[0] = true;
  std::vector<uint32_t> storages = {0};
  size_t budget = 4 * file.size() + (size_t{1} << 20);
  while (!storages.empty()) {
    const uint32_t parent = storages.back();
    storages.pop_back();
    std::vector<uint32_t> nodes = {cf.Entry(parent).child};
    while (!nodes.empty()) {
      const uint32_t n = nodes.back();
      nodes.pop_back();
      if (n >= count || placed[n]) continue;
      placed[n] = true;
      const DirectoryRecord r = cf.Entry(n);
      nodes.push_back(r.left);
      nodes.push_back(r.right);
      if (r.type != kTypeStorage && r.type != kTypeStream) continue;
      StorageEntry e;
      e.id = static_cast<int32_t>(n);
      e.parentId = static_cast<int32_t>(parent);
      e.name = r.name;
      if (r.type == kTypeStorage) {
        storages.push_back(n);
      } else {
        e.stream = true;
        try {
          e.data = cf.Stream(r, budget);
        } catch (const CorruptError&) {
          e.damaged = true;
        }
      }
      entries.push_back(std::move(e));
    }
  }
  return StorageTree(std::move(entries), kCompoundRootName);
}

}  // namespace engine::vba
