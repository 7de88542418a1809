#include "simulator/status_report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "net/unique_fd.h"

namespace sim {
namespace {

std::string holderText(const Control& control) {
  if (!control.holder) return "none";
  return dotted(control.holder->ip) + ":" + std::to_string(control.holder->port);
}

bool writeAll(int fd, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string statusText(const DeviceState& s, const FlashState& flash, bool restarting) {
  std::ostringstream out;
  out << "address " << dotted(s.current.ip) << "\n"
      << "mask " << dotted(s.current.mask) << "\n"
      << "gateway " << dotted(s.current.gateway) << "\n"
      << "ip_config " << s.persisted.ipConfig << "\n"
      << "ccp " << s.control.ccp << "\n"
      << "ccp_holder " << holderText(s.control) << "\n"
      << "heartbeat_timeout_ms " << s.heartbeatTimeoutMs << "\n"
      << "last_ip_config_written "
      << (s.lastIpConfigWritten ? std::to_string(*s.lastIpConfigWritten) : "none") << "\n"
      << "persistent_ip " << dotted(s.persisted.address.ip) << "\n"
      << "persistent_mask " << dotted(s.persisted.address.mask) << "\n"
      << "reboots " << s.persisted.rebootCount << "\n"
      << "restarting " << (restarting ? 1 : 0) << "\n"
      << "flash_phase " << flashPhaseName(flash.phase) << "\n"
      << "flash_blocks " << flash.blocksWritten << "\n";
  for (const auto& [kind, count] : s.counts) out << "count_" << kind << " " << count << "\n";
  return out.str();
}

bool writeFileAtomically(const std::string& path, const std::string& content) {
  const std::string temp = path + ".tmp";
  {
    net::UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd || !writeAll(fd.get(), content)) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

std::optional<std::string> readWholeFile(const std::string& path) {
  net::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  std::string content;
  char chunk[4096];
  ssize_t n = 0;
  while ((n = ::read(fd.get(), chunk, sizeof chunk)) > 0)
    content.append(chunk, static_cast<size_t>(n));
  if (n < 0) return std::nullopt;
  return content;
}

}  // namespace sim
