// Writing a file whole: the text goes to a temporary file in the same
// directory (so the rename stays on one file system), which then replaces
// `path` by rename, so a reader sees the old file or the new one, never a
// part. The caller's thread.
#pragma once

#include <string>

namespace cli {

// Empty on success, else what failed; the temporary file is removed then.
std::string writeFileWhole(const std::string& path, const std::string& text);

}  // namespace cli
