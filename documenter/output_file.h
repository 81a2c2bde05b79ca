// Output files of tavrek-dump appear whole or not at all: the content goes into a temporary file
// beside the target, which is then renamed over it.
#pragma once

#include <string>
#include <string_view>

namespace tavrek::doc {

// Writes `content` into `path` through a temporary file in the same folder and a rename, so that
// `path` is never seen half-written and an existing file is replaced only by a complete one. The
// new file gets the usual permissions (0666 less the umask). Returns false with an Italian message
// naming the path and the system's reason in `error`; the temporary file is removed then.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

}  // namespace tavrek::doc
