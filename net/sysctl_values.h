// Kernel settings read from /proc/sys, which shows those of the caller's
// network namespace: reverse-path filtering per interface and host-wide, and
// the largest receive buffer an application may ask for, the neighbour table's
// thresholds, the kernel's count of UDP datagrams dropped for a full receive
// buffer (/proc/net/snmp) and the host's count of frames dropped for a full
// input backlog (/proc/net/softnet_stat). Reads only; none when the file is missing
// (a namespace other than the host's lacks the neighbour defaults) or does not
// hold a number; any thread.
#pragma once

#include <optional>
#include <string>

namespace net {

// The number in /proc/sys/<path>, e.g. "net/core/rmem_max".
std::optional<long> readProcSys(const std::string& path);

// net.ipv4.conf.<interface>.rp_filter; "all" for the host-wide value.
std::optional<long> rpFilterOf(const std::string& interface);

// net.core.rmem_max in bytes.
std::optional<long> rmemMax();
// net.core.netdev_max_backlog: frames each CPU's input backlog holds.
std::optional<long> netdevMaxBacklog();

// net.ipv4.neigh.default.gc_thresh1, 2 and 3: the neighbour table's entry
// counts where garbage collection starts, where it is forced, and beyond
// which entries are refused. The table is shared by every namespace.
struct NeighbourThresholds {
  std::optional<long> gc1;
  std::optional<long> gc2;
  std::optional<long> gc3;
};
NeighbourThresholds neighbourThresholds();

// RcvbufErrors of the Udp lines of /proc/net/snmp: datagrams the caller's
// namespace dropped because a socket's receive buffer was full.
std::optional<long> udpReceiveBufferErrors();

// Frames the host dropped because a CPU's input backlog was full
// (net.core.netdev_max_backlog), summed over the CPUs of /proc/net/softnet_stat;
// host-wide. Frames a veth, RPS or a driver without NAPI hands on pass that
// queue, so a burst of answers can be lost there before any socket sees it.
std::optional<long> backlogDrops();

}  // namespace net
