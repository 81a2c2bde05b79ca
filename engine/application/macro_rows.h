// The rows of a macro as every version of Access keeps them in the macro's definition (the Blob
// stream of its storage; for macros saved before Access 2010 the only form there is): after a
// header (a 4-byte column setting, then at offset 0x20 a 16-bit length and that many bytes of a
// UTF-16 marker string, "33" in files from Access 2000 on, and two zero bytes), one record per
// non-empty row of the macro sheet: the action number, the row number, four string offsets (one
// unused, then comment, condition, macro name), ten argument offsets, a 16-bit length, that many
// bytes of NUL-terminated strings the offsets point into (0xFFFF: none), and two zero bytes.
// The strings are UTF-16 after a marker string, single-byte (the file's code page) without one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/storage/bytes.h"
#include "engine/storage/text_codec.h"

namespace engine::vba {

struct MacroRow {
  uint16_t number = 0;  // the row of the macro sheet
  uint16_t action = 0;  // 0: a row without an action (a comment, a name)
  std::optional<std::string> name;       // a macro of a macro group starts here
  std::optional<std::string> condition;  // "..." continues the condition above
  std::optional<std::string> comment;
  std::vector<std::optional<std::string>> arguments;  // ten slots
};

// Parses the rows of a macro definition; `singleByte` decodes the strings of a definition without
// marker string (a codec of single-byte storage). Raises CorruptError when a record or string runs past the end of the definition.
std::vector<MacroRow> ParseMacroRows(ByteView blob, const TextCodec& singleByte);

// The name Access gives the action numbered `action` in macro exports ("OpenForm", "RunCode"),
// or "" for a number it does not know.
std::string MacroActionName(uint16_t action);

// The rows as text, one line per comment, macro name and action:
//   Nome:
//   ' commento
//   If [condizione] Then OpenForm "Ordini", "", "", "[Id]=1"
// Arguments are quoted, with inner quotes doubled; empty slots after the last argument are left
// out. An action this reader does not know is named by its number ("Azione 99").
std::string MacroRowsText(const std::vector<MacroRow>& rows);

}  // namespace engine::vba
