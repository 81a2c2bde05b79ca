#include "engine/application/form_design.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/storage/text_codec.h"

namespace engine::vba {

namespace {

struct Named {
  uint16_t id;
  const char* name;
};

// Property numbers and the names Access writes them under, learnt by setting the stored records
// of real forms and reports beside Access's own text exports of the same objects.
constexpr Named kProperties[] = {
    {3, "AddColon"}, {4, "SpecialEffect"}, {8, "BorderColor"}, {9, "BorderStyle"},
    {10, "BorderWidth"}, {11, "BorderLineStyle"}, {12, "Bottom"}, {13, "BoundColumn"},
    {14, "CanGrow"}, {16, "CanShrink"}, {17, "Caption"}, {18, "ColumnWidths"},
    {19, "RecordSelectors"}, {20, "Name"}, {22, "EventProcPrefix"}, {23, "DefaultValue"},
    {27, "ControlSource"}, {28, "BackColor"}, {29, "BackStyle"}, {30, "AllowFilters"},
    {33, "FontItalic"}, {34, "FontName"}, {35, "FontSize"}, {37, "FontWeight"}, {38, "Format"},
    {41, "GridX"}, {42, "GridY"}, {44, "Height"}, {52, "LabelX"}, {53, "LabelY"}, {54, "Left"},
    {55, "LineSlant"}, {56, "Locked"}, {58, "OptionValue"}, {67, "LimitToList"},
    {70, "ColumnCount"}, {71, "DecimalPlaces"}, {75, "KeepTogether"}, {77, "OnOpen"},
    {78, "OnClose"}, {80, "OnFormat"}, {89, "SizeMode"}, {90, "PopUp"}, {91, "RowSource"},
    {92, "RowSourceTypeInt"}, {93, "RowSourceType"}, {104, "OnKeyDown"}, {105, "OnKeyUp"},
    {112, "OnActivate"}, {114, "OnChange"}, {116, "OnLostFocus"}, {126, "OnClick"},
    {127, "OnLoad"}, {129, "Right"}, {130, "RunningSum"}, {131, "ColumnHeads"},
    {132, "SourceObject"}, {135, "StatusBarText"}, {136, "TextAlign"}, {141, "Top"},
    {143, "LayoutForPrint"}, {146, "ViewsAllowed"}, {147, "DefaultView"}, {148, "Visible"},
    {149, "DisplayWhen"}, {150, "Width"}, {152, "ScrollBars"}, {154, "ListWidth"},
    {156, "RecordSource"}, {158, "ItemSuffix"}, {159, "OverlapFlags"}, {160, "DatasheetFontName"},
    {161, "DatasheetFontHeight"}, {165, "ColumnOrder"}, {166, "ColumnWidth"}, {175, "GroupHeader"},
    {189, "PrtMip"}, {190, "PrtDevMode"}, {191, "PrtDevNames"}, {204, "ForeColor"},
    {220, "Default"}, {224, "OnDblClick"}, {261, "TabIndex"}, {266, "Tag"},
    {279, "NavigationButtons"}, {282, "DateGrouping"}, {283, "GrpKeepTogether"},
    {292, "AllowDeletions"}, {293, "MultiSelect"}, {309, "PictureAlignment"},
    {314, "DividingLines"}, {317, "ControlTipText"}, {318, "DatasheetGridlinesBehavior"},
    {319, "DatasheetGridlinesColor"}, {326, "AllowAdditions"}, {329, "OldBorderStyle"},
    {339, "AllowEdits"}, {340, "AllowAutoCorrect"}, {345, "BaseInfo"}, {346, "ColumnInfo"},
    {354, "ConditionalFormat"}, {355, "Vertical"}, {358, "FELineBreak"}, {364, "RecSrcDt"},
    {373, "AllowDesignChanges"}, {376, "GUID"}, {377, "NameMap"}, {379, "IMESentenceMode"},
    {384, "LeftMargin"}, {385, "TopMargin"}, {388, "RightMargin"}, {389, "BottomMargin"},
    {390, "SubdatasheetExpanded"}, {422, "AllowDatasheetView"}, {423, "AllowPivotTableView"},
    {424, "AllowPivotChartView"}, {446, "AsianLineBreak"}, {452, "FilterOnLoad"},
    {453, "OrderByOnLoad"}, {461, "GridlineStyleBottom"}, {462, "GridlineColor"},
    {467, "SplitFormOrientation"}, {469, "SplitFormDatasheet"}, {470, "SplitFormSplitterBar"},
    {475, "AutoHeight"}, {486, "ShowDatePicker"}, {490, "OnClickEmMacro"},
    {556, "AllowValueListEdits"}, {557, "ListItemsEditForm"}, {559, "ShowPageMargins"},
    {560, "FitToPage"}, {561, "DisplayOnSharePointSite"}, {563, "AllowLayoutView"},
    {568, "InheritValueList"}, {569, "OnPaint"}, {571, "AlternateBackColor"},
    {572, "DatasheetAlternateBackColor"}, {574, "ImageData"}, {579, "ShowOnlyRowSourceValues"},
    {582, "DatasheetGridlinesColor12"}, {586, "LayoutCachedLeft"}, {587, "LayoutCachedTop"},
    {588, "LayoutCachedWidth"}, {589, "LayoutCachedHeight"}, {590, "DatasheetCaption"},
    {592, "FitToScreen"}, {615, "ThemeFontIndex"}, {616, "BackThemeColorIndex"}, {617, "BackTint"},
    {618, "BackShade"}, {619, "BorderThemeColorIndex"}, {620, "BorderTint"}, {621, "BorderShade"},
    {622, "ForeThemeColorIndex"}, {623, "ForeTint"}, {624, "ForeShade"},
    {625, "GridlineThemeColorIndex"}, {627, "GridlineShade"},
    {628, "AlternateBackThemeColorIndex"}, {630, "AlternateBackShade"},
    {633, "ConditionalFormat14"}, {648, "UseTheme"}, {649, "Shape"}, {650, "Bevel"},
    {652, "HoverColor"}, {653, "HoverThemeColorIndex"}, {654, "HoverTint"}, {656, "PressedColor"},
    {657, "PressedThemeColorIndex"}, {659, "PressedShade"}, {660, "HoverForeColor"},
    {661, "HoverForeThemeColorIndex"}, {662, "HoverForeTint"}, {664, "PressedForeColor"},
    {665, "PressedForeThemeColorIndex"}, {666, "PressedForeTint"}, {678, "PrtDevModeW"},
    {679, "PrtDevNamesW"}, {692, "Gradient"}, {697, "ShowPageHeaderAndPageFooter"},
    {699, "WebImagePaddingTop"}, {700, "WebImagePaddingLeft"}, {701, "WebImagePaddingRight"},
    {702, "WebImagePaddingBottom"}, {703, "DatasheetBackThemeColorIndex"}, {736, "Overlaps"},
};

// Object types: the ControlType numbers of Access for controls, then the form, the report, the
// sections and grouping levels.
constexpr Named kTypes[] = {
    {100, "Label"}, {101, "Rectangle"}, {102, "Line"}, {103, "Image"}, {104, "CommandButton"},
    {105, "OptionButton"}, {106, "CheckBox"}, {107, "OptionGroup"}, {108, "BoundObjectFrame"},
    {109, "TextBox"}, {110, "ListBox"}, {111, "ComboBox"}, {112, "Subform"},
    {114, "UnboundObjectFrame"}, {118, "PageBreak"}, {119, "CustomControl"},
    {122, "ToggleButton"}, {123, "Tab"}, {124, "Page"}, {126, "Attachment"},
    {127, "EmptyCell"}, {128, "WebBrowser"}, {129, "NavigationControl"},
    {130, "NavigationButton"}, {150, "Form"}, {151, "Report"}, {152, "Section"},
    {153, "FormHeader"}, {154, "FormFooter"}, {155, "PageHeader"}, {156, "PageFooter"},
    {157, "BreakHeader"}, {158, "BreakFooter"}, {159, "BreakLevel"},
};

template <size_t N>
std::string Lookup(const Named (&table)[N], uint16_t id) {
  auto it = std::lower_bound(std::begin(table), std::end(table), id,
                             [](const Named& n, uint16_t v) { return n.id < v; });
  return it != std::end(table) && it->id == id ? it->name : "";
}

constexpr uint16_t kNoChildren = 0xFD;
constexpr uint16_t kChildCount = 0xFF;
constexpr size_t kRecordHeader = 18;
constexpr int kMaxDepth = 64;

// Ranks 0xFD to 0xFF are never given to a property, so a record never starts like a marker.
class Parser {
 public:
  explicit Parser(ByteView blob) : blob_(blob) {}

  DesignObject Object(int depth) {
    if (depth > kMaxDepth) ThrowCorrupt("form design nested too deep");
    DesignObject o;
    o.type = blob_.U16(pos_);
    pos_ += 2;
    for (;;) {
      const uint16_t first = blob_.U16(pos_);
      if (first >= kNoChildren && first <= kChildCount && blob_.U16(pos_ + 2) == 0) {
        pos_ += 4;
        size_t count = first == kNoChildren ? 0 : 1;
        if (first == kChildCount) {
          count = blob_.U16(pos_);
          pos_ += 2;
        }
        // Each child takes at least its type and a marker.
        if (count > (blob_.size() - pos_) / 6 + 1) ThrowCorrupt("form design claims too many objects");
        for (size_t i = 0; i < count; ++i) o.children.push_back(Object(depth + 1));
        return o;
      }
      DesignProperty p;
      p.rank = blob_.U32(pos_);
      p.id = blob_.U16(pos_ + 4);
      p.type = blob_.U32(pos_ + 6);
      const uint32_t length = blob_.U32(pos_ + 14);
      p.bytes = blob_.Sub(pos_ + kRecordHeader, length).Str();
      pos_ += kRecordHeader + length;
      o.properties.push_back(std::move(p));
    }
  }

 private:
  ByteView blob_;
  size_t pos_ = 8;  // past the two versions and four zero bytes
};

}  // namespace

std::string DesignPropertyName(uint16_t id) { return Lookup(kProperties, id); }
std::string DesignTypeName(uint16_t type) { return Lookup(kTypes, type); }

std::string DesignProperty::Name() const { return DesignPropertyName(id); }

bool DesignProperty::IsText() const {
  return type == static_cast<uint32_t>(DesignValue::kText) ||
         type == static_cast<uint32_t>(DesignValue::kString);
}

bool DesignProperty::IsNumber() const {
  switch (type) {
    case static_cast<uint32_t>(DesignValue::kFlag):
    case static_cast<uint32_t>(DesignValue::kByte):
    case static_cast<uint32_t>(DesignValue::kInteger):
    case static_cast<uint32_t>(DesignValue::kLong):
      return bytes.size() == 1 || bytes.size() == 2 || bytes.size() == 4 ||
             (bytes.empty() && type == static_cast<uint32_t>(DesignValue::kFlag));
    case static_cast<uint32_t>(DesignValue::kSingle):
      return bytes.size() == 4;
    case static_cast<uint32_t>(DesignValue::kDouble):
      return bytes.size() == 8;
    default:
      return false;
  }
}

bool DesignProperty::IsBinary() const { return !IsText() && !IsNumber(); }

std::string DesignProperty::Text() const {
  if (!IsText()) return "";
  return DecodeUcs2(ByteView(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

int64_t DesignProperty::Integer() const {
  if (!IsNumber()) return 0;
  if (type == static_cast<uint32_t>(DesignValue::kSingle) ||
      type == static_cast<uint32_t>(DesignValue::kDouble))
    return static_cast<int64_t>(Real());
  // A flag without a value is set.
  if (bytes.empty()) return -1;
  uint64_t v = 0;
  for (size_t i = 0; i < bytes.size(); ++i)
    v |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[i])) << (8 * i);
  const bool unsignedValue = type == static_cast<uint32_t>(DesignValue::kFlag) ||
                             type == static_cast<uint32_t>(DesignValue::kByte);
  const unsigned bits = static_cast<unsigned>(bytes.size() * 8);
  if (!unsignedValue && ((v >> (bits - 1)) & 1)) v |= ~uint64_t{0} << bits;
  return static_cast<int64_t>(v);
}

double DesignProperty::Real() const {
  if (type == static_cast<uint32_t>(DesignValue::kSingle) && bytes.size() == 4) {
    float f;
    std::memcpy(&f, bytes.data(), 4);
    return f;
  }
  if (type == static_cast<uint32_t>(DesignValue::kDouble) && bytes.size() == 8) {
    double d;
    std::memcpy(&d, bytes.data(), 8);
    return d;
  }
  return static_cast<double>(Integer());
}

std::string DesignObject::TypeName() const { return DesignTypeName(type); }

const DesignProperty* DesignObject::Find(std::string_view name) const {
  for (const DesignProperty& p : properties)
    if (p.Name() == name) return &p;
  return nullptr;
}

std::string DesignObject::TextOf(std::string_view name) const {
  const DesignProperty* p = Find(name);
  return p ? p->Text() : "";
}

std::optional<int64_t> DesignObject::NumberOf(std::string_view name) const {
  const DesignProperty* p = Find(name);
  if (!p || !p->IsNumber()) return std::nullopt;
  return p->Integer();
}

FormDesign ParseFormDesign(ByteView blob) {
  FormDesign d;
  d.version = blob.U16(0);
  d.versionRequired = blob.U16(2);
  d.root = Parser(blob).Object(0);
  return d;
}

}  // namespace engine::vba
