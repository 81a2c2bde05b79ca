#include "engine/application/macro_rows.h"

#include <algorithm>
#include <iterator>

namespace engine::vba {

namespace {

constexpr size_t kMarkerLength = 0x20;
constexpr size_t kRowHeader = 34;  // action, row, 14 offsets, strings length
constexpr uint16_t kNone = 0xFFFF;
constexpr size_t kArguments = 10;

struct Action {
  uint16_t number;
  const char* name;
};

// The action numbers of the macro sheet, with the names Access's text exports use for them.
constexpr Action kActions[] = {
    {1, "AddMenu"},          {3, "ApplyFilter"},
    {4, "Beep"},             {5, "CancelEvent"},
    {6, "Close"},            {7, "CopyObject"},
    {9, "Echo"},             {11, "FindNext"},
    {12, "FindRecord"},      {13, "GoToControl"},
    {14, "GoToPage"},        {15, "GoToRecord"},
    {17, "Hourglass"},       {19, "Maximize"},
    {20, "Minimize"},        {21, "MoveSize"},
    {22, "MsgBox"},          {23, "OpenForm"},
    {24, "OpenQuery"},       {25, "OpenTable"},
    {26, "PrintOut"},        {27, "Quit"},
    {28, "Requery"},         {29, "RepaintObject"},
    {30, "Rename"},          {31, "Restore"},
    {32, "RunApp"},          {33, "RunCode"},
    {34, "RunMacro"},        {35, "RunSQL"},
    {37, "SelectObject"},    {38, "SendKeys"},
    {40, "SetValue"},        {41, "SetWarnings"},
    {43, "ShowAllRecords"},  {44, "StopAllMacros"},
    {45, "StopMacro"},       {46, "OpenReport"},
    {47, "TransferDatabase"}, {48, "TransferSpreadsheet"},
    {49, "TransferText"},    {51, "OutputTo"},
    {52, "DeleteObject"},    {53, "OpenModule"},
    {54, "SendObject"},      {55, "ShowToolbar"},
    {56, "Save"},            {57, "SetMenuItem"},
    {58, "RunCommand"},      {59, "OpenDataAccessPage"},
    {60, "OpenView"},        {61, "OpenDiagram"},
    {62, "OpenStoredProcedure"}, {63, "TransferSQLDatabase"},
    {64, "CopyDatabaseFile"}, {65, "OpenFunction"},
    {67, "CloseDatabase"},   {68, "NavigateTo"},
    {69, "SearchForRecord"}, {70, "SetProperty"},
    {71, "SingleStep"},      {72, "ClearMacroError"},
    {73, "OnError"},         {76, "SetTempVar"},
    {77, "RemoveAllTempVars"}, {78, "RemoveTempVar"},
    {79, "SetDisplayedCategories"}, {80, "LockNavigationPane"},
    {81, "RunSavedImportExport"}, {82, "SetLocalVar"},
    {83, "BrowseTo"},        {85, "RunDataMacro"},
    {86, "SetOrderBy"},      {87, "SetFilter"},
    {88, "RefreshRecord"},   {95, "DeleteRecord"},
};

// The NUL-terminated string at `offset` of a row's string block.
std::optional<std::string> RowString(ByteView block, uint16_t offset, bool wide,
                                     const TextCodec& singleByte) {
  if (offset == kNone) return std::nullopt;
  if (offset >= block.size()) ThrowCorrupt("macro row string past its row");
  ByteView rest = block.From(offset);
  size_t end = 0;
  if (wide) {
    while (end + 1 < rest.size() && rest.U16(end) != 0) end += 2;
    return DecodeUcs2(rest.Sub(0, end));
  }
  while (end < rest.size() && rest.U8(end) != 0) ++end;
  return singleByte.Decode(rest.Sub(0, end));
}

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::vector<MacroRow> ParseMacroRows(ByteView blob, const TextCodec& singleByte) {
  const size_t marker = blob.U16(kMarkerLength);
  const bool wide = marker != 0;
  size_t pos = kMarkerLength + 2 + marker + 2;
  if (!blob.Has(0, pos)) ThrowCorrupt("macro definition shorter than its header");
  std::vector<MacroRow> rows;
  while (pos < blob.size()) {
    ByteView header = blob.Sub(pos, kRowHeader);
    const size_t length = header.U16(32);
    ByteView block = blob.Sub(pos + kRowHeader, length);
    MacroRow r;
    r.action = header.U16(0);
    r.number = header.U16(2);
    r.comment = RowString(block, header.U16(6), wide, singleByte);
    r.condition = RowString(block, header.U16(8), wide, singleByte);
    r.name = RowString(block, header.U16(10), wide, singleByte);
    for (size_t k = 0; k < kArguments; ++k)
      r.arguments.push_back(RowString(block, header.U16(12 + 2 * k), wide, singleByte));
    rows.push_back(std::move(r));
    pos += kRowHeader + length + 2;
  }
  return rows;
}

std::string MacroActionName(uint16_t action) {
  auto it = std::lower_bound(std::begin(kActions), std::end(kActions), action,
                             [](const Action& a, uint16_t n) { return a.number < n; });
  return it != std::end(kActions) && it->number == action ? it->name : "";
}

std::string MacroRowsText(const std::vector<MacroRow>& rows) {
  std::string text;
  for (const MacroRow& r : rows) {
    if (r.name) text += *r.name + ":\n";
    if (r.comment) text += "' " + *r.comment + "\n";
    if (r.action == 0) continue;
    if (r.condition) text += "If " + *r.condition + " Then ";
    const std::string name = MacroActionName(r.action);
    text += name.empty() ? "Azione " + std::to_string(r.action) : name;
    size_t last = r.arguments.size();
    while (last > 0 && !r.arguments[last - 1]) --last;
    for (size_t k = 0; k < last; ++k)
      text += (k == 0 ? " " : ", ") + Quoted(r.arguments[k].value_or(""));
    text += "\n";
  }
  return text;
}

}  // namespace engine::vba
