#include "engine/application/dir_stream.h"

#include "engine/storage/text_codec.h"

namespace engine::vba {

namespace {

// Record ids of the dir stream this reader uses; every other record is skipped by its size.
enum RecordId : uint16_t {
  kCodePage = 0x0003,
  kProjectName = 0x0004,
  kProjectVersion = 0x0009,  // its size field is fixed at 4 but 6 bytes of data follow
  kEndOfModules = 0x0010,
  kModuleName = 0x0019,
  kModuleStreamName = 0x001A,
  kModuleProcedural = 0x0021,
  kModuleClass = 0x0022,
  kModuleTerminator = 0x002B,
  kModuleOffset = 0x0031,
  kModuleStreamNameUnicode = 0x0032,
  kModuleNameUnicode = 0x0047,
};

constexpr size_t kProjectVersionData = 6;

}  // namespace

ProjectDirectory ParseDirStream(ByteView dir) {
  ProjectDirectory project;
  ModuleEntry module;
  std::string nameBytes, streamBytes;  // in the project's code page, until decoded
  bool haveName = false, haveStream = false, inModule = false;
  auto decode = [&](const std::string& bytes) {
    TextCodec codec(TextStorage::kCodePage, project.codePage);
    return codec.Decode(ByteView(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  };

  size_t pos = 0;
  while (pos < dir.size()) {
    const uint16_t id = dir.U16(pos);
    const uint32_t size = dir.U32(pos + 2);
    pos += 6;
    const size_t dataSize = id == kProjectVersion ? kProjectVersionData : size;
    ByteView data = dir.Sub(pos, dataSize);
    pos += dataSize;
    switch (id) {
      case kCodePage: project.codePage = data.U16(0); break;
      case kProjectName: project.projectName = decode(data.Str()); break;
      case kModuleName:
        module = ModuleEntry{};
        nameBytes = data.Str();
        haveName = inModule = true;
        haveStream = false;
        break;
      case kModuleNameUnicode: module.name = DecodeUcs2(data); break;
      case kModuleStreamName:
        streamBytes = data.Str();
        haveStream = true;
        break;
      case kModuleStreamNameUnicode: module.streamName = DecodeUcs2(data); break;
      case kModuleOffset: module.textOffset = data.U32(0); break;
      case kModuleProcedural: module.procedural = true; break;
      case kModuleClass: module.procedural = false; break;
      case kModuleTerminator:
        if (!inModule || !haveName || !haveStream) ThrowCorrupt("VBA module without its names");
        if (module.name.empty()) module.name = decode(nameBytes);
        if (module.streamName.empty()) module.streamName = decode(streamBytes);
        project.modules.push_back(std::move(module));
        module = ModuleEntry{};
        haveName = haveStream = inModule = false;
        break;
      case kEndOfModules:
        return project;
      default:
        break;
    }
  }
  return project;
}

}  // namespace engine::vba
