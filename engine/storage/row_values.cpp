#include "engine/storage/row_values.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "engine/storage/long_value.h"

namespace engine {

namespace {

// A calculated column keeps its result behind a header: the result's length at 16, the result
// at 20; the header and its padding take 23 bytes of the declared length.
constexpr size_t kCalculatedLength = 16;
constexpr size_t kCalculatedData = 20;

constexpr size_t kDecimalSize = 17;
constexpr uint8_t kDecimalNegative = 0x80;

// Values stored in ACE's Date/Time Extended text: "DDDDDDDDDDDDDDDDDDD:SSSSSSSSSSSSFFFFFFF".
constexpr size_t kExtDays = 19;
constexpr size_t kExtSecondsAt = 20;
constexpr size_t kExtSeconds = 12;
constexpr size_t kExtFractionAt = 32;
constexpr size_t kExtFraction = 7;

constexpr uint32_t kAttachmentRaw = 0;
constexpr uint32_t kAttachmentDeflated = 1;
constexpr size_t kAttachmentPrefix = 8;
// An attachment holds up to 256 MiB in Access; an inflated length past this is damage.
constexpr uint32_t kMaxAttachment = 512u << 20;

ByteView CalculatedResult(ByteView stored) {
  return stored.Sub(kCalculatedData, stored.U32(kCalculatedLength));
}

uint64_t Digits(ByteView text, size_t at, size_t count) {
  uint64_t v = 0;
  for (size_t k = at; k < at + count; ++k) {
    const uint8_t c = text.U8(k);
    if (c < '0' || c > '9') ThrowCorrupt("Date/Time Extended value is not a number");
    v = v * 10 + (c - '0');
  }
  return v;
}

void Append(std::string& out, uint64_t v, int width) {
  char buf[24];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int k = n; k < width; ++k) out.push_back('0');
  while (n > 0) out.push_back(buf[--n]);
}

std::string Inflate(ByteView in, uint32_t expected) {
  std::string out(expected, '\0');
  z_stream z{};
  if (inflateInit(&z) != Z_OK) ThrowCorrupt("zlib could not start");
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  const size_t produced = out.size() - z.avail_out;
  inflateEnd(&z);
  if (rc != Z_STREAM_END) ThrowCorrupt("attachment data does not inflate");
  out.resize(produced);
  return out;
}

// The decimal of a 128-bit magnitude (`words`, most significant first).
dao::Decimal DecimalFromWords(uint32_t (&words)[4], bool negative, int scale) {
  dao::Decimal d;
  d.negative = negative;
  d.scale = scale;
  // Repeated division by 10^9 gives nine digits at a time, least significant first.
  std::string reversed;
  for (;;) {
    uint64_t rem = 0;
    bool zero = true;
    for (uint32_t& w : words) {
      const uint64_t cur = (rem << 32) | w;
      w = static_cast<uint32_t>(cur / 1000000000u);
      rem = cur % 1000000000u;
      zero = zero && w == 0;
    }
    for (int k = 0; k < 9; ++k) {
      reversed.push_back(static_cast<char>('0' + rem % 10));
      rem /= 10;
    }
    if (zero) break;
  }
  while (reversed.size() > 1 && reversed.back() == '0') reversed.pop_back();
  d.digits.assign(reversed.rbegin(), reversed.rend());
  return d;
}

// A calculated Decimal's result is kept in the 16-byte form of .NET's decimal: two unused bytes,
// the scale, the sign (0x80), then the high, low and middle 32-bit words of the magnitude.
dao::Decimal DecimalFromCalculated(ByteView b) {
  if (b.size() < 16) ThrowCorrupt("calculated Decimal value too short");
  uint32_t words[4] = {0, b.U32(4), b.U32(12), b.U32(8)};
  return DecimalFromWords(words, (b.U8(3) & kDecimalNegative) != 0, b.U8(2));
}

// The column type code that stores values of DAO type `type`.
uint8_t ColumnTypeOf(int type) {
  switch (type) {
    case dao::dbGUID: return kColGuid;
    case dao::dbDecimal: return kColNumeric;
    case dao::dbBigInt: return kColBigInt;
    default: return type > 0 && type <= dao::dbMemo ? static_cast<uint8_t>(type) : 0;
  }
}

}  // namespace

dao::Decimal DecimalFromStored(ByteView bytes, int scale) {
  if (bytes.size() < kDecimalSize) ThrowCorrupt("Decimal value too short");
  uint32_t words[4];  // most significant first
  for (size_t k = 0; k < 4; ++k) words[k] = bytes.U32(1 + 4 * k);
  return DecimalFromWords(words, (bytes.U8(0) & kDecimalNegative) != 0, scale);
}

std::string ExtendedDateTimeText(ByteView stored) {
  const uint64_t days = Digits(stored, 0, kExtDays);
  const uint64_t seconds = Digits(stored, kExtSecondsAt, kExtSeconds);
  const uint64_t fraction = Digits(stored, kExtFractionAt, kExtFraction);
  if (days > 3652058 || seconds >= 86400) ThrowCorrupt("Date/Time Extended value out of range");
  int64_t y;
  int m, d;
  // Day 0 is 1 January of year 1, 693,593 days before 30 December 1899.
  dao::CivilDate(static_cast<int64_t>(days) - 693593, y, m, d);
  std::string out;
  out.reserve(27);
  Append(out, static_cast<uint64_t>(y), 4);
  out.push_back('-');
  Append(out, static_cast<uint64_t>(m), 2);
  out.push_back('-');
  Append(out, static_cast<uint64_t>(d), 2);
  out.push_back(' ');
  Append(out, seconds / 3600, 2);
  out.push_back(':');
  Append(out, seconds / 60 % 60, 2);
  out.push_back(':');
  Append(out, seconds % 60, 2);
  out.push_back('.');
  Append(out, fraction, 7);
  return out;
}

std::string AttachmentFileBytes(ByteView stored) {
  const uint32_t kind = stored.U32(0);
  const uint32_t length = stored.U32(4);
  if (length > kMaxAttachment) ThrowCorrupt("attachment longer than Access allows");
  std::string content;
  if (kind == kAttachmentDeflated) {
    content = Inflate(stored.From(kAttachmentPrefix), length);
  } else if (kind == kAttachmentRaw) {
    content = stored.From(kAttachmentPrefix).Str();
  } else {
    ThrowCorrupt("unknown attachment data kind");
  }
  const ByteView c = ByteView::Of(content);
  const uint32_t header = c.U32(0);
  const size_t end = std::min<size_t>(length, content.size());
  if (header < 4 || header > end) ThrowCorrupt("attachment header longer than its data");
  return content.substr(header, end - header);
}

void DecodeValue(const DataRow& row, const ColumnDef& c, PageReader& pages, const TextCodec& codec,
                 dao::Value& out, int resultType) {
  using Kind = dao::Value::Kind;
  if (c.type == kColBoolean) {
    out.kind = Kind::kBool;
    out.boolean = row.BoolValue(c);
    return;
  }
  if (row.IsNull(c)) {
    out.kind = Kind::kNull;
    return;
  }
  ByteView b = row.Bytes(c);
  const bool calculated = c.IsCalculated();
  uint8_t type = c.type;
  if (calculated)
    if (uint8_t t = ColumnTypeOf(resultType)) type = t;
  std::string longValue;  // a memo's or OLE object's whole value
  if (type == kColMemo || type == kColOle) {
    longValue = ReadLongValue(pages, b, SIZE_MAX);
    b = ByteView::Of(longValue);
  }
  if (calculated) {  // the header is inside a long value
    b = CalculatedResult(b);
    if (b.empty()) {  // nothing computed for this row
      out.kind = Kind::kNull;
      return;
    }
  }
  switch (type) {
    case kColBoolean:  // a calculated Yes/No: one byte
      out.kind = Kind::kBool;
      out.boolean = b.U8(0) != 0;
      return;
    case kColByte:
      out.kind = Kind::kInt;
      out.integer = b.U8(0);
      return;
    case kColInteger:
      out.kind = Kind::kInt;
      out.integer = b.I16(0);
      return;
    case kColLong:
    case kColComplex:
      out.kind = Kind::kInt;
      out.integer = b.I32(0);
      return;
    case kColBigInt:
    case kColCurrency:
      out.kind = type == kColCurrency ? Kind::kCurrency : Kind::kInt;
      out.integer = static_cast<int64_t>(static_cast<uint64_t>(b.U32(0)) |
                                         (static_cast<uint64_t>(b.U32(4)) << 32));
      return;
    case kColSingle: {
      const uint32_t bits = b.U32(0);
      float f;
      std::memcpy(&f, &bits, sizeof f);
      out.kind = Kind::kSingle;
      out.real = f;
      return;
    }
    case kColDouble:
    case kColDateTime:
      out.kind = type == kColDouble ? Kind::kDouble : Kind::kDateTime;
      out.real = b.F64(0);
      return;
    case kColNumeric:
      out.kind = Kind::kDecimal;
      out.decimal = calculated ? DecimalFromCalculated(b)
                               : DecimalFromStored(b, static_cast<int>((c.misc >> 8) & 0xFF));
      return;
    case kColExtendedDateTime:
      out.kind = Kind::kDateTimeExtended;
      out.text = ExtendedDateTimeText(b);
      return;
    case kColGuid:
      out.kind = Kind::kGuid;
      if (b.size() < 16) ThrowCorrupt("GUID value too short");
      std::memcpy(out.guid.bytes.data(), b.data(), 16);
      return;
    case kColText:
    case kColMemo:
      out.kind = Kind::kText;
      out.text = codec.Decode(b);
      return;
    case kColOle:
      out.kind = Kind::kBytes;
      if (calculated) {
        out.text = b.Str();
      } else {
        out.text = std::move(longValue);
      }
      return;
    default:
      // Binary, and any kind this reader does not know: the stored bytes.
      out.kind = Kind::kBytes;
      out.text.assign(reinterpret_cast<const char*>(b.data()), b.size());
      return;
  }
}

}  // namespace engine
