#include "cli/atomic_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace cli {

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

}  // namespace cli
