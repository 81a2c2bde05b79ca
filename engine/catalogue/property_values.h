// The object model's view of stored properties: each value of a property blob decoded by its DAO
// type code.
#pragma once

#include <vector>

#include "engine/dao.h"
#include "engine/catalogue/property_blob.h"
#include "engine/storage/text_codec.h"

namespace engine {

// The value of a stored property: Yes/No as bool; Byte, Integer, Long and Large Number as whole
// numbers; Single, Double and Currency as floating point; Date/Time as a date; Text and Memo as
// text; a GUID as its "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" text; anything else as bytes. An
// empty value is Null. Raises CorruptError when the value is too short for its type.
dao::PropertyValue DecodePropertyValue(const StoredProperty& p, const TextCodec& codec);

// The properties of one block, in stored order.
std::vector<dao::PropertyInfo> DescribeProperties(const std::vector<StoredProperty>& stored,
                                                  const TextCodec& codec);

}  // namespace engine
