// The connection probe and the interactive IP reconfiguration of one camera.
// tryToConnect takes and gives back control once; replaceCurrentIpConfig holds
// control under a heartbeat while the operator picks Persistent IP, DHCP or LLA.
// Addresses are in network byte order; `port` (host order) is the camera's GVCP
// port. Both print their own failure lines, run on the caller's thread, and end
// in an orderly way when the input ends.
#pragma once

#include <cstdint>
#include <functional>
#include <iostream>
#include <optional>

#include "gvcp/gvcp_protocol.h"
#include "ipconfig/ipv4_set.h"

// 0 when the camera at `ip` granted and then released control, -1 otherwise
// ("CCP failed" printed). The mask is not used.
int tryToConnect(uint32_t ip, uint32_t mask, uint16_t port = gvcp::kPort);

// Asks "enter [Yes] or [No]:" until a whole line reads yes or no in any letter
// case: true for yes, false for no, empty at end of input.
std::optional<bool> GoFurther(std::istream& in = std::cin);

// Prompts (silently again) for an address and then a mask, echoes both, and
// returns them in network byte order; empty at end of input.
std::optional<IPV4Set> promptNewIpv4Set(const char* addressPrompt, const char* maskPrompt,
                                        std::istream& in);

// The dialogue at set->ip: shows the current setting when showCurrent, writes
// the chosen configuration (and, for Persistent IP, the persistent address)
// and gives control back. 0 when control was taken and given back, else -1.
// At end of input nothing more is written but the release of control, and
// kInputEndedLine is printed.
// `written`, when given, hears of the configuration written (for the audit
// trail): the register before (when it could be read), the value written,
// the persistent address stored first, and whether the write succeeded.
struct ConfigWrite {
  std::optional<uint32_t> before;
  uint32_t written = 0;
  std::optional<IPV4Set> persistent;
  bool ok = false;
};
using ConfigWritten = std::function<void(const ConfigWrite&)>;
int replaceCurrentIpConfig(IPV4Set* set, bool showCurrent, std::istream& in = std::cin,
                           uint16_t port = gvcp::kPort, const ConfigWritten& written = {});
