// The engine errors the reader raises, with the Italian descriptions the Jet engine gives them.
#pragma once

#include <string>

#include "engine/dao.h"

namespace engine {

dao::Error FileNotFoundError(const std::string& path);           // 3024
dao::Error BadPasswordError();                                   // 3031
dao::Error UnrecognizedFormatError(const std::string& path);     // 3343
dao::Error EncryptedAceError(const std::string& path);           // 3343, encrypted in a way we do not read
dao::Error DamagedError(const std::string& path);                // 3049
dao::Error CannotOpenError(const std::string& path);             // 3051

}  // namespace engine
