#include "engine/errors.h"

namespace engine {

dao::Error FileNotFoundError(const std::string& path) {
  return dao::Error(dao::kErrFileNotFound, "Impossibile trovare il file '" + path + "'.");
}

dao::Error FolderError(const std::string& path) {
  return dao::Error(dao::kErrInvalidPath,
                    "'" + path + "' non è un percorso valido: è una cartella, non un file di database.");
}

dao::Error NotAFileError(const std::string& path) {
  return dao::Error(dao::kErrInvalidPath, "'" + path +
                                              "' non è un percorso valido: non è un file ma una pipe, "
                                              "un dispositivo o un socket.");
}

dao::Error BadPasswordError() { return dao::Error(dao::kErrBadPassword, "Password non valida."); }

dao::Error UnrecognizedFormatError(const std::string& path) {
  return dao::Error(dao::kErrUnrecognizedFormat,
                    "Formato di database '" + path + "' non riconosciuto.");
}

dao::Error EncryptedAceError(const std::string& path) {
  return dao::Error(dao::kErrUnrecognizedFormat,
                    "Formato di database '" + path +
                        "' non riconosciuto. Il database è crittografato in un modo che non è "
                        "supportato.");
}

dao::Error DamagedError(const std::string& path) {
  return dao::Error(dao::kErrCorrupt,
                    "Impossibile aprire il database '" + path +
                        "'. Il file potrebbe non essere un database riconosciuto "
                        "dall'applicazione oppure potrebbe essere danneggiato.");
}

dao::Error DamagedCatalogueError(const std::string& path) {
  return dao::Error(dao::kErrCorrupt,
                    "Impossibile aprire il database '" + path +
                        "': non si può leggere il catalogo degli oggetti (MSysObjects). Il file "
                        "è danneggiato.");
}

dao::Error CannotOpenError(const std::string& path) {
  return dao::Error(dao::kErrCannotOpen,
                    "Impossibile aprire il file '" + path +
                        "'. Il file è già in uso esclusivo da parte di un altro utente oppure è "
                        "necessaria l'autorizzazione per visualizzarne i dati.");
}

dao::Error LibraryError(const std::string& library, const std::string& reason) {
  return dao::Error(dao::kErrLibraryMissing, "Impossibile trovare il metodo ISAM installabile. La libreria '" +
                                                 library + "' non si può usare: " + reason);
}

}  // namespace engine
