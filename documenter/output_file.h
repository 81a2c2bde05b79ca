// Output files of tavrek-dump: a regular file appears whole or not at all (the content goes into a
// temporary file beside it, which is then renamed over it) and keeps its mode and owner; a
// terminal, a device or a named pipe is written through; nothing else is ever replaced.
#pragma once

#include <string>
#include <string_view>

namespace tavrek::doc {

struct OutputOptions {
  // The content shows secrets (connect-string passwords): a new file is created 0600.
  bool secret = false;
};

// Writes `content` to `path`, by what `path` is now:
//  - "-": standard output (descriptor 1), written through;
//  - a regular file, or nothing yet: through a temporary file in the same folder and a rename,
//    so that `path` is never seen half-written. An existing file keeps its permission bits (and
//    its owner and group where the system lets us); a new one gets 0666 less the umask, or 0600
//    when `options.secret`. A file we may not write is refused, not replaced;
//  - a character device or a named pipe: opened for writing and written through (no rename, no
//    truncation of a device); a pipe waits for its reader;
//  - a symbolic link: followed to what it finally names, and that is written as above. The link
//    stays a link; a link to nothing is refused (no file is created at the end of a dangling link);
//  - a folder, a block device, a socket: refused.
// Returns false with an Italian message naming `path` and the reason in `error`; a temporary
// file is removed then, and an existing file is left as it was.
bool WriteOutputFile(const std::string& path, std::string_view content, const OutputOptions& options,
                     std::string& error);

}  // namespace tavrek::doc
