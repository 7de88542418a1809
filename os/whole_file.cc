#include "os/whole_file.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace os {

std::string writeFileWhole(const std::string& path, const std::string& text) {
  // The node exporter's collector reads *.prom only: a name ending otherwise
  // is never read half-written.
  const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      const std::string why = std::strerror(errno);
      std::remove(temporary.c_str());
      return "cannot write " + temporary + ": " + why;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    std::remove(temporary.c_str());
    return "cannot rename " + temporary + " to " + path + ": " + why;
  }
  return "";
}

std::optional<std::string> readFileWhole(const std::string& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string content;
  std::array<char, 1 << 16> chunk;
  while (in && content.size() <= limit) {
    in.read(chunk.data(), chunk.size());
    content.append(chunk.data(), static_cast<size_t>(in.gcount()));
  }
  if (!in && !in.eof()) return std::nullopt;
  return content;
}

}  // namespace os
