// IPV4Set: an IPv4 address and its subnet mask. The functions that act on a set
// take network byte order; the two queries that read a set from a camera fill
// it with the register values as host-order numbers.
#pragma once

#include <cstdint>

struct IPV4Set {
  uint32_t ip = 0;
  uint32_t mask = 0;
};
