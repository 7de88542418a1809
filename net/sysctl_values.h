// Kernel settings read from /proc/sys, which shows those of the caller's
// network namespace: reverse-path filtering per interface and host-wide, and
// the largest receive buffer an application may ask for. Reads only; none
// when the file is missing or does not hold a number; any thread.
#pragma once

#include <optional>
#include <string>

// The number in /proc/sys/<path>, e.g. "net/core/rmem_max".
std::optional<long> readProcSys(const std::string& path);

// net.ipv4.conf.<interface>.rp_filter; "all" for the host-wide value.
std::optional<long> rpFilterOf(const std::string& interface);

// net.core.rmem_max in bytes.
std::optional<long> rmemMax();
