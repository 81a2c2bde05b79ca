// The engine errors the reader raises, with the Italian descriptions the Jet engine gives them.
#pragma once

#include <string>

#include "engine/dao.h"

namespace engine {

dao::Error FileNotFoundError(const std::string& path);           // 3024
dao::Error FolderError(const std::string& path);                 // 3044, a folder where a file should be
dao::Error NotAFileError(const std::string& path);               // 3044, a pipe, a device or a socket
dao::Error BadPasswordError();                                   // 3031
dao::Error UnrecognizedFormatError(const std::string& path);     // 3343
dao::Error EncryptedAceError(const std::string& path);           // 3343, encrypted in a way we do not read
dao::Error DamagedError(const std::string& path);                // 3049
dao::Error DamagedCatalogueError(const std::string& path);       // 3049, MSysObjects unreadable
dao::Error CannotOpenError(const std::string& path);             // 3051
// 3170: a library the work needs (a decryption, a drawing, a module) could not be loaded or used;
// `reason` is the dynamic linker's text.
dao::Error LibraryError(const std::string& library, const std::string& reason);

}  // namespace engine
