#include "testbed/testbed.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>

namespace testbed {
namespace {

// Inside every test namespace: no reverse-path filter (answers from foreign
// subnets must reach the capture), and ARP answered only by the interface that
// owns the address, so two adapters on one switch do not steal each other's
// traffic. No IPv6: the tool speaks none, and each link sends neighbour and
// multicast-listener messages as it comes up, which a switch floods to every
// port. With hundreds of cameras the host's input backlog overflowed in the
// discoveries that followed the bed's building (thousands of frames a run at
// 500 cameras) and answers were lost; without IPv6 it drops none.
const char* const kSysctls[] = {
    "net.ipv4.conf.all.rp_filter=0",    "net.ipv4.conf.default.rp_filter=0",
    "net.ipv4.conf.all.arp_ignore=1",   "net.ipv4.conf.all.arp_announce=2",
    "net.ipv6.conf.all.disable_ipv6=1", "net.ipv6.conf.default.disable_ipv6=1"};

int nextNetworkNumber() {
  static int counter = 0;
  return ++counter;
}

std::vector<std::string> namespacePids(const std::string& ns) {
  std::istringstream in(runCommand("", {"ip", "netns", "pids", ns}).output);
  std::vector<std::string> pids;
  std::string pid;
  while (in >> pid) pids.push_back(pid);
  return pids;
}

}  // namespace

RootCheck rootCheck() {
  if (::geteuid() == 0) return RootCheck::kRun;
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true" ? RootCheck::kFail : RootCheck::kSkip;
}

std::string binary(const std::string& name) { return std::string(NUV_BINARY_DIR) + "/" + name; }
std::string source(const std::string& relative) {
  return std::string(NUV_SOURCE_DIR) + "/" + relative;
}

Network::Network()
    : prefix_("nuvtb" + std::to_string(::getpid()) + "-" + std::to_string(nextNetworkNumber())) {}

// Programs still running in our namespaces were started by this test; they
// are ended by pid before their namespace goes.
Network::~Network() {
  for (auto ns = namespaces_.rbegin(); ns != namespaces_.rend(); ++ns) {
    for (const std::string& pid : namespacePids(*ns)) ::kill(std::stoi(pid), SIGKILL);
    runCommand("", {"ip", "netns", "del", *ns});
  }
}

bool Network::ip(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"ip"};
  argv.insert(argv.end(), args.begin(), args.end());
  const CommandResult result = runCommand("", argv);
  if (result.status != 0) lastError_ = result.output;
  return result.status == 0;
}

std::string Network::addNamespace(const std::string& role) {
  const std::string ns = prefix_ + "-" + std::to_string(namespaces_.size()) + role;
  if (!ip({"netns", "add", ns})) return "";
  namespaces_.push_back(ns);
  // -e: a kernel built without IPv6 has no such keys, and needs none of them.
  std::vector<std::string> settings = {"sysctl", "-qew"};
  settings.insert(settings.end(), std::begin(kSysctls), std::end(kSysctls));
  const CommandResult sysctl = runCommand(ns, settings);
  if (sysctl.status != 0 || !ip({"-n", ns, "link", "set", "lo", "up"})) return "";
  return ns;
}

std::string Network::addHost(const std::string& role) { return addNamespace(role); }

std::string Network::addSwitch(const std::string& role) {
  const std::string ns = addNamespace(role);
  if (ns.empty() || !ip({"-n", ns, "link", "add", "br0", "type", "bridge"}) ||
      !ip({"-n", ns, "link", "set", "br0", "up"})) {
    return "";
  }
  return ns;
}

bool Network::connect(const std::string& ns, const std::string& ifname, const std::string& sw,
                      const std::string& cidr, const std::string& mac) {
  std::string peer = "p";  // built in two steps: GCC 12 warns falsely on "p" + to_string()
  peer += std::to_string(nextPeer_++);
  std::vector<std::string> add = {"-n", ns, "link", "add", ifname};
  if (!mac.empty()) add.insert(add.end(), {"address", mac});
  add.insert(add.end(), {"type", "veth", "peer", "name", peer, "netns", sw});
  if (!ip(add) || !ip({"-n", sw, "link", "set", peer, "master", "br0", "up"})) return false;
  if (!cidr.empty() && !ip({"-n", ns, "addr", "add", cidr, "dev", ifname})) return false;
  return ip({"-n", ns, "link", "set", ifname, "up"});
}

Network::Lan Network::addLan(const std::string& role, const std::string& cidr) {
  Lan lan{addHost(role), addSwitch(role + "sw")};
  if (lan.host.empty() || lan.sw.empty() || !connect(lan.host, "eth1", lan.sw, cidr)) return Lan{};
  return lan;
}

std::string Network::addCamera(const std::string& role, const std::string& sw,
                               const std::string& mac) {
  const std::string ns = addNamespace(role);
  if (ns.empty() || !connect(ns, "eth0", sw, "", mac)) return "";
  return ns;
}

std::vector<std::string> existingNamespaces() {
  std::istringstream in(runCommand("", {"ip", "netns", "list"}).output);
  std::vector<std::string> names;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) names.push_back(line.substr(0, line.find(' ')));
  }
  return names;
}

NamespaceVisit::NamespaceVisit(const std::string& ns)
    // The thread's own namespace, not always the process's first one.
    : home_(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
  const net::UniqueFd target(::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC));
  entered_ = home_ && target && ::setns(target.get(), CLONE_NEWNET) == 0;
}

NamespaceVisit::~NamespaceVisit() {
  if (entered_ && ::setns(home_.get(), CLONE_NEWNET) != 0) std::abort();
}

net::UniqueFd socketIn(const std::string& ns, int domain, int type, int protocol) {
  const NamespaceVisit visit(ns);
  if (!visit.entered()) return net::UniqueFd();
  return net::UniqueFd(::socket(domain, type | SOCK_CLOEXEC, protocol));
}

int interfaceIndexIn(const std::string& ns, const std::string& ifname) {
  net::UniqueFd fd = socketIn(ns, AF_INET, SOCK_DGRAM);
  ifreq request{};
  if (!fd || ifname.size() >= IFNAMSIZ) return 0;
  std::memcpy(request.ifr_name, ifname.c_str(), ifname.size());
  return ::ioctl(fd.get(), SIOCGIFINDEX, &request) == 0 ? request.ifr_ifindex : 0;
}

}  // namespace testbed
