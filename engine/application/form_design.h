// The design of a form or report as Access 2000 and later keep it in the Blob stream of the
// object's storage: after two 16-bit version numbers and four zero bytes, a tree of objects, the
// form or report itself first. Each object is its 16-bit type (the ControlType numbers of Access
// for controls, 150 and 151 for a form and a report, 152 on for sections and grouping levels),
// then its property records, then a 16-bit marker followed by two zero bytes: 0xFD when the
// object has no children, 0xFE when one child follows, 0xFF when a 16-bit count of children
// follows. A child is an object of its own. A form's children are the default styles of each
// kind of control, then its sections; a section's children are its controls; a control's
// children are its attached label, the buttons of an option group, the pages of a tab control.
// A property record is a 32-bit rank (the place of the property in the order Access writes them
// out), a 16-bit property number, a 32-bit value type, a 32-bit width, a 32-bit length and that
// many bytes of value. The records of an object are stored in rank order, and Access writes them
// out in that order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/bytes.h"

namespace engine::vba {

// Value types of a property record.
enum class DesignValue : uint8_t {
  kFlag = 1,     // no bytes: set (written "NotDefault"); one byte: its value
  kByte = 2,     // unsigned
  kInteger = 3,  // signed, two or four bytes
  kLong = 4,     // signed
  kSingle = 6,   // IEEE single
  kDouble = 7,   // IEEE double
  kBinary = 8,   // bytes (a date in RecSrcDt)
  kGuid = 9,
  kText = 10,      // UTF-16 (names, font names)
  kBlock = 11,     // bytes (printer settings, name maps, images)
  kString = 12,    // UTF-16 (sources, captions, event settings)
  kMacro = 17,   // an embedded macro: the rows of a macro definition
};

struct DesignProperty {
  uint32_t rank = 0;
  uint16_t id = 0;
  uint32_t type = 0;  // a DesignValue, or another number as stored
  std::string bytes;  // the value as stored

  // The name Access gives the property ("Left", "ControlSource"), or "" for a number this reader
  // does not know.
  std::string Name() const;
  bool IsText() const;
  bool IsNumber() const;
  bool IsBinary() const;  // neither text nor number: written as a block of hexadecimal bytes
  // The text of a kText or kString property, UTF-8.
  std::string Text() const;
  // The value of a number property (flags, bytes, integers, longs); 0 for others.
  int64_t Integer() const;
  // The value of a kSingle or kDouble property.
  double Real() const;
};

struct DesignObject {
  uint16_t type = 0;
  std::vector<DesignProperty> properties;
  std::vector<DesignObject> children;

  // The word Access writes after "Begin" for this type ("Form", "TextBox", "Section",
  // "BreakLevel"), or "" for a type this reader does not know.
  std::string TypeName() const;
  // The first property named `name`, or nullptr.
  const DesignProperty* Find(std::string_view name) const;
  // The text of the property named `name`, "" when absent.
  std::string TextOf(std::string_view name) const;
  // The number of the property named `name`.
  std::optional<int64_t> NumberOf(std::string_view name) const;
};

struct FormDesign {
  uint16_t version = 0;
  uint16_t versionRequired = 0;
  DesignObject root;  // the form or report
};

// Definitions saved in the Access 2000 format carry version 19 and a compact encoding of their
// own (a one-byte rank and a value whose size the rank implies, no property numbers), which this
// reader does not decode; those of Access 2002 and later carry 20 or more.
inline constexpr uint16_t kFirstRecordDesignVersion = 20;

// Parses the Blob stream of a form or report saved by Access 2002 or later. Raises CorruptError
// when a record or marker runs past the end of the stream, objects nest deeper than 64 levels or
// an object claims more children than the stream could hold.
FormDesign ParseFormDesign(ByteView blob);

// The name of property number `id`, "" when not known.
std::string DesignPropertyName(uint16_t id);
// The name of object type `type` ("Label", "FormHeader"), "" when not known.
std::string DesignTypeName(uint16_t type);

}  // namespace engine::vba
