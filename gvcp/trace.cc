#include "gvcp/trace.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "gvcp/camera_info.h"
#include "gvcp/gige_forceip.h"
#include "gvcp/gvcp_protocol.h"
#include "net/ipv4address.h"
#include "net/macaddress.h"

namespace gvcp {

namespace {

std::mutex& hookLock() {
  static std::mutex lock;
  return lock;
}

TraceHook& installedHook() {
  static TraceHook hook;
  return hook;
}

std::string hex32(const char* name, uint32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, " %s=0x%08X", name, value);
  return text;
}

std::string dotted(const char* name, const uint8_t* wire) {
  uint32_t address = 0;
  std::memcpy(&address, wire, sizeof address);
  IpV4Address ip;
  ip.setAddress(address);
  return std::string(" ") + name + "=" + ip.getAddressInStr();
}

std::string macField(const uint8_t* wire) {
  MacAddress mac;
  mac.setMac(wire, MacAddress::kSize);
  return " mac=" + mac.getMacInStr(false);
}

// The fields of a command's payload worth a glance.
std::string commandFields(uint16_t command, std::span<const uint8_t> p) {
  switch (command) {
    case READREG_CMD:
      if (p.size() >= 4) return hex32("addr", getBe32(p.data()));
      break;
    case WRITEREG_CMD:
      if (p.size() >= 8) {
        return hex32("addr", getBe32(p.data())) + hex32("value", getBe32(p.data() + 4));
      }
      break;
    case READMEM_CMD:
      if (p.size() >= 8) {
        return hex32("addr", getBe32(p.data())) + " count=" + std::to_string(getBe16(p.data() + 6));
      }
      break;
    case WRITEMEM_CMD:
      if (p.size() >= 4) {
        return hex32("addr", getBe32(p.data())) + " count=" + std::to_string(p.size() - 4);
      }
      break;
    case FORCEIP_CMD:
      if (p.size() >= kForceIpPayload) {
        return macField(p.data() + gvcp::ForceIpCmdLayout::kMac) +
               dotted("ip", p.data() + gvcp::ForceIpCmdLayout::kIp) +
               dotted("mask", p.data() + gvcp::ForceIpCmdLayout::kMask);
      }
      break;
    default:
      return "";
  }
  return " truncated";
}

std::string ackFields(uint16_t ack, std::span<const uint8_t> p) {
  switch (ack) {
    case READREG_ACK:
      if (p.size() >= 4) return hex32("value", getBe32(p.data()));
      break;
    case READMEM_ACK:
      if (p.size() >= 4) {
        return hex32("addr", getBe32(p.data())) + " count=" + std::to_string(p.size() - 4);
      }
      break;
    case PENDING_ACK:
      if (p.size() >= kPendingAckPayload) {
        return " ms=" + std::to_string(getBe16(p.data() + kPendingAckTimeOffset));
      }
      break;
    case DISCOVERY_ACK:
      if (p.size() >= gvcp::DiscoveryAck::kCurrentIp + 4) {
        return macField(p.data() + gvcp::DiscoveryAck::kMac) +
               dotted("ip", p.data() + gvcp::DiscoveryAck::kCurrentIp);
      }
      break;
    default:
      return "";
  }
  return " truncated";
}

}  // namespace

void setTraceHook(TraceHook hook) {
  std::lock_guard<std::mutex> lock(hookLock());
  installedHook() = std::move(hook);
}

void traceDatagram(TraceDirection direction, uint32_t peerIp, uint16_t peerPort,
                   std::span<const uint8_t> datagram) {
  std::lock_guard<std::mutex> lock(hookLock());
  if (installedHook()) installedHook()(direction, peerIp, peerPort, datagram);
}

std::string messageName(uint16_t code) {
  switch (code) {
    case DISCOVERY_CMD:
      return "DISCOVERY_CMD";
    case DISCOVERY_ACK:
      return "DISCOVERY_ACK";
    case FORCEIP_CMD:
      return "FORCEIP_CMD";
    case FORCEIP_ACK:
      return "FORCEIP_ACK";
    case READREG_CMD:
      return "READREG_CMD";
    case READREG_ACK:
      return "READREG_ACK";
    case WRITEREG_CMD:
      return "WRITEREG_CMD";
    case WRITEREG_ACK:
      return "WRITEREG_ACK";
    case READMEM_CMD:
      return "READMEM_CMD";
    case READMEM_ACK:
      return "READMEM_ACK";
    case WRITEMEM_CMD:
      return "WRITEMEM_CMD";
    case WRITEMEM_ACK:
      return "WRITEMEM_ACK";
    case PENDING_ACK:
      return "PENDING_ACK";
    default:
      break;
  }
  char text[24];
  std::snprintf(text, sizeof text, "UNKNOWN(0x%04X)", code);
  return text;
}

std::string describeDatagram(TraceDirection direction, uint32_t peerIp, uint16_t peerPort,
                             std::span<const uint8_t> datagram) {
  const bool sent = direction == TraceDirection::kSend;
  IpV4Address peer;
  peer.setAddress(peerIp);
  std::string line = std::string("gvcp ") + (sent ? "send " : "recv ") + peer.getAddressInStr() +
                     ":" + std::to_string(peerPort);
  if (datagram.size() < kHeaderSize) {
    return line + " bytes=" + std::to_string(datagram.size()) + " truncated";
  }
  const std::span<const uint8_t> payload = datagram.subspan(kHeaderSize);
  if (sent) {
    const CommandHeader cmd = readCommandHeader(datagram.data());
    return line + " " + messageName(cmd.command) + " req_id=" + std::to_string(cmd.req_id) +
           commandFields(cmd.command, payload);
  }
  const AckHeader ack = readAckHeader(datagram.data());
  char status[16];
  std::snprintf(status, sizeof status, "0x%04X", ack.status);
  return line + " " + messageName(ack.acknowledge) + " req_id=" + std::to_string(ack.ack_id) +
         " status=" + status + ackFields(ack.acknowledge, payload);
}

}  // namespace gvcp
