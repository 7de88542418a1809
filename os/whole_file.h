// Files read and written whole. A write goes to a temporary file in the same
// directory (so the rename stays on one file system), which then replaces
// `path` by rename, so a reader sees the old file or the new one, never a
// part. The caller's thread.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>

namespace os {

// Empty on success, else what failed; the temporary file is removed then.
std::string writeFileWhole(const std::string& path, const std::string& text);

// The file's bytes; empty when it cannot be opened or read. Reading stops once
// more than `limit` bytes came, so a caller tells a file too large for it by
// the size alone without reading all of it.
std::optional<std::string> readFileWhole(const std::string& path,
                                         size_t limit = std::numeric_limits<size_t>::max() - 1);

}  // namespace os
