#include "documenter/names.h"

#include <string>

#include "engine/dao.h"

namespace tavrek::doc {

std::string FieldTypeName(int type) {
  switch (type) {
    case dao::dbBoolean: return "Boolean";
    case dao::dbByte: return "Byte";
    case dao::dbInteger: return "Integer";
    case dao::dbLong: return "Long";
    case dao::dbCurrency: return "Currency";
    case dao::dbSingle: return "Single";
    case dao::dbDouble: return "Double";
    case dao::dbDate: return "Date/Time";
    case dao::dbBinary: return "Binary";
    case dao::dbText: return "Text";
    case dao::dbLongBinary: return "OLE Object";
    case dao::dbMemo: return "Memo";
    case dao::dbGUID: return "GUID";
    case 17: return "VarBinary";  // DAO's dbVarBinary (long fixed binary of system tables)
    case dao::dbBigInt: return "BigInt";
    case dao::dbDecimal: return "Decimal";
    case dao::dbAttachment: return "Attachment";
    case dao::dbComplexByte: return "Complex Byte";
    case dao::dbComplexInteger: return "Complex Integer";
    case dao::dbComplexLong: return "Complex Long";
    case dao::dbComplexSingle: return "Complex Single";
    case dao::dbComplexDouble: return "Complex Double";
    case dao::dbComplexGUID: return "Complex GUID";
    case dao::dbComplexDecimal: return "Complex Decimal";
    case dao::dbComplexText: return "Complex Text";
    default: return "Tipo " + std::to_string(type);
  }
}

std::string DecimalScaleText(int scale) {
  return scale == dao::FieldInfo::kScalePerValue ? "per valore" : std::to_string(scale);
}

}  // namespace tavrek::doc
