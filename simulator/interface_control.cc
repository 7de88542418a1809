#include "simulator/interface_control.h"

#include <net/if.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

#include "net/unique_fd.h"

namespace sim {
namespace {

bool runIp(std::vector<std::string> args) {
  args.insert(args.begin(), "ip");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // The simulator blocks SIGTERM/SIGINT for its signal descriptor; `ip` must not inherit that.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execvp("ip", argv.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int prefixLength(uint32_t mask) { return std::countl_one(mask); }

std::optional<std::array<uint8_t, 6>> interfaceMac(const std::string& ifname) {
  net::UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd || ifname.size() >= IFNAMSIZ) return std::nullopt;
  ifreq request{};
  std::memcpy(request.ifr_name, ifname.c_str(), ifname.size());
  if (::ioctl(fd.get(), SIOCGIFHWADDR, &request) != 0) return std::nullopt;
  std::array<uint8_t, 6> mac{};
  std::memcpy(mac.data(), request.ifr_hwaddr.sa_data, mac.size());
  return mac;
}

bool setInterfaceAddress(const std::string& ifname, const IpSettings& settings) {
  if (!runIp({"-4", "addr", "flush", "dev", ifname})) return false;
  if (settings.ip != 0) {
    const std::string cidr =
        dotted(settings.ip) + "/" + std::to_string(prefixLength(settings.mask));
    if (!runIp({"addr", "add", cidr, "broadcast", "+", "dev", ifname})) return false;
  }
  return runIp({"link", "set", ifname, "up"});
}

}  // namespace sim
