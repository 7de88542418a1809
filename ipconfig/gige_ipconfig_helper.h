// The non-interactive entry points: store a persistent address, and report a
// camera's identity and IP settings. Each opens its own Camera on `port` (host
// order; cameras use 3956), takes control, does its work, gives control back
// and closes the Camera on every path. 0 when control was taken and given
// back; -1 otherwise, with "CCP failed" (or, for address text that is not a
// dotted IPv4 address, one line naming it, before any exchange). Stdout only;
// runs on the caller's thread, no heartbeat.
#pragma once

#include <cstdint>
#include <string>

#include "gvcp/gvcp_protocol.h"
#include "ipconfig/ipv4_set.h"

class Camera;

// Stores set->ip and set->mask (network byte order) as the persistent setting
// of the camera at set->ip; with `print` shows the values first. Prints the
// success line only when both writes were accepted. A null set gives -1.
int replacePersistentIpSet(IPV4Set* set, bool print, uint16_t port = gvcp::kPort);

// Writes the persistent address and mask of `set` (network byte order) and a
// zero gateway, in that order, over a Camera whose control the caller holds;
// prints the success line only when the address and mask were accepted.
void writePersistentSet(Camera& camera, const IPV4Set& set);

// Prints the four report blocks of the camera at `ip` (dotted decimal text).
int doIpConfigHelper(std::string ip, uint16_t port = gvcp::kPort);
