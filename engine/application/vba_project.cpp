#include "engine/application/vba_project.h"

#include <map>

#include "engine/storage/text_codec.h"
#include "engine/application/compression.h"
#include "engine/application/dir_stream.h"

namespace engine::vba {

namespace {

const std::vector<std::string> kProjectPath = {"VBA", "VBAProject"};

// Module name -> kind, from the "Module=", "Class=", "DocClass=" and "Document=" lines of the
// PROJECT stream (text in the project's code page; a document line ends in "/&H…").
std::map<std::string, std::string> KindsFromProjectStream(const std::string& text) {
  std::map<std::string, std::string> kinds;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    std::string value = line.substr(eq + 1);
    if (key == "Module") {
      kinds[value] = "standard";
    } else if (key == "Class" || key == "BaseClass") {
      kinds[value] = "class";
    } else if (key == "DocClass" || key == "Document") {
      kinds[value.substr(0, value.find('/'))] = "document";
    }
  }
  return kinds;
}

std::string FallbackKind(const ModuleEntry& m) {
  if (m.procedural) return "standard";
  if (m.name.rfind("Form_", 0) == 0 || m.name.rfind("Report_", 0) == 0) return "document";
  return "class";
}

}  // namespace

std::string ModuleText(ByteView stream, uint32_t offset, uint16_t codePage) {
  if (offset >= stream.size()) ThrowCorrupt("VBA module text offset past its stream");
  const std::string raw = DecompressContainer(stream.From(offset));
  TextCodec codec(TextStorage::kCodePage, codePage);
  return codec.Decode(ByteView(reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
}

std::vector<ModuleSource> ReadVbaProject(const StorageTree& tree) {
  std::vector<std::string> vbaPath = kProjectPath;
  vbaPath.push_back("VBA");
  std::vector<std::string> dirPath = vbaPath;
  dirPath.push_back("dir");
  const StorageEntry* dir = tree.Find(dirPath);
  if (!dir || !dir->stream) return {};
  if (dir->damaged) ThrowCorrupt("VBA dir stream unreadable");

  const std::string dirBytes = DecompressContainer(StreamView(*dir));
  const ProjectDirectory project = ParseDirStream(
      ByteView(reinterpret_cast<const uint8_t*>(dirBytes.data()), dirBytes.size()));

  std::map<std::string, std::string> kinds;
  std::vector<std::string> projectPath = kProjectPath;
  projectPath.push_back("PROJECT");
  if (const StorageEntry* p = tree.Find(projectPath); p && p->stream) {
    TextCodec codec(TextStorage::kCodePage, project.codePage);
    kinds = KindsFromProjectStream(codec.Decode(StreamView(*p)));
  }

  std::vector<ModuleSource> modules;
  for (const ModuleEntry& m : project.modules) {
    ModuleSource s;
    s.name = m.name;
    auto kind = kinds.find(m.name);
    s.kind = kind != kinds.end() ? kind->second : FallbackKind(m);
    std::vector<std::string> streamPath = vbaPath;
    streamPath.push_back(m.streamName);
    const StorageEntry* stream = tree.Find(streamPath);
    if (!stream || !stream->stream) {
      s.error = "flusso del modulo '" + m.streamName + "' assente";
    } else if (stream->damaged) {
      s.error = "flusso del modulo '" + m.streamName + "' danneggiato";
    } else {
      try {
        s.text = ModuleText(StreamView(*stream), m.textOffset, project.codePage);
      } catch (const CorruptError&) {
        s.error = "testo del modulo danneggiato";
      }
    }
    modules.push_back(std::move(s));
  }
  return modules;
}

}  // namespace engine::vba
