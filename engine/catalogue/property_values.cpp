#include "engine/catalogue/property_values.h"

#include <cstdio>
#include <cstring>

namespace engine {

namespace {

ByteView View(const std::string& s) {
  return ByteView(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

int64_t I64(ByteView b) {
  return static_cast<int64_t>(static_cast<uint64_t>(b.U32(0)) |
                              (static_cast<uint64_t>(b.U32(4)) << 32));
}

std::string GuidText(ByteView b) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b.U32(0),
                b.U16(4), b.U16(6), b.U8(8), b.U8(9), b.U8(10), b.U8(11), b.U8(12), b.U8(13),
                b.U8(14), b.U8(15));
  return buf;
}

}  // namespace

dao::PropertyValue DecodePropertyValue(const StoredProperty& p, const TextCodec& codec) {
  ByteView b = View(p.value);
  if (b.empty()) return std::monostate{};
  switch (p.type) {
    case dao::dbBoolean: return b.U8(0) != 0;
    case dao::dbByte: return static_cast<int64_t>(b.U8(0));
    case dao::dbInteger: return static_cast<int64_t>(b.I16(0));
    case dao::dbLong: return static_cast<int64_t>(b.I32(0));
    case dao::dbBigInt: return I64(b);
    case dao::dbCurrency: return static_cast<double>(I64(b)) / 10000.0;
    case dao::dbSingle: {
      uint32_t bits = b.U32(0);
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return static_cast<double>(f);
    }
    case dao::dbDouble: return b.F64(0);
    case dao::dbDate: return dao::DateTime{b.F64(0)};
    case dao::dbText:
    case dao::dbMemo: return codec.Decode(b);
    case dao::dbGUID: return GuidText(b);
    default: return dao::Bytes{std::vector<uint8_t>(b.data(), b.data() + b.size())};
  }
}

std::vector<dao::PropertyInfo> DescribeProperties(const std::vector<StoredProperty>& stored,
                                                  const TextCodec& codec) {
  std::vector<dao::PropertyInfo> infos;
  infos.reserve(stored.size());
  for (const StoredProperty& p : stored)
    infos.push_back({p.name, static_cast<int16_t>(p.type), DecodePropertyValue(p, codec)});
  return infos;
}

}  // namespace engine
