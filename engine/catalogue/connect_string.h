// Credentials inside connect strings. Real linked tables carry live database passwords in their
// Connect property; whatever Tavrek shows, writes or puts in an error message has them masked
// unless the user asks for them.
#pragma once

#include <string>
#include <string_view>

namespace dao {

// `connect` with the value of every PWD= (and PASSWORD=) item replaced by "***", the key kept as
// written: "ODBC;DSN=x;UID=sa;PWD=s3cret;" -> "ODBC;DSN=x;UID=sa;PWD=***;". A value in braces
// ("PWD={a;b}") is masked whole. Keys are matched case-insensitively at the start of an item
// (after ';' or at the start of the text).
std::string MaskConnectPasswords(std::string_view connect);

}  // namespace dao
