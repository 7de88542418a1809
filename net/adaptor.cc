#include "net/adaptor.h"

#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cstring>

Adaptor::Adaptor(const unsigned& index)
    : sck(std::make_shared<net::UniqueFd>(::socket(AF_INET, SOCK_STREAM, 0))) {
  // if_indextoname writes at most IF_NAMESIZE bytes including the terminator.
  if (index != 0) if_indextoname(index, ifr.ifr_name);
  name = ifr.ifr_name;
  obtain(SIOCGIFADDR);
  obtain(SIOCGIFNETMASK);
  obtain(SIOCGIFHWADDR);
}

Adaptor::Adaptor(const std::string& interfaceName, const MacAddress& hardware, uint32_t address,
                 uint32_t mask)
    : name(interfaceName), mac(hardware) {
  std::strncpy(ifr.ifr_name, interfaceName.c_str(), IFNAMSIZ - 1);
  ip.setAddress(address);
  netmask.setAddress(mask);
}

int Adaptor::obtain(unsigned request) {
  if (name.empty() || ::ioctl(getSck(), request, &ifr) < 0) return -1;
  switch (request) {
    case SIOCGIFADDR:
      ip.setAddress(ifr.ifr_addr);
      break;
    case SIOCGIFNETMASK:
      netmask.setAddress(ifr.ifr_netmask);
      break;
    case SIOCGIFHWADDR:
      mac.setMac(ifr.ifr_hwaddr);
      break;
    default:
      break;
  }
  return 0;
}

int Adaptor::getMacHw(unsigned char* out, unsigned len) const {
  if (len < static_cast<unsigned>(MacAddress::kSize)) return -1;
  return mac.getMacHw(out, MacAddress::kSize);
}

int Adaptor::getIp(unsigned* out) const {
  *out = ip.getAddress();
  return 0;
}
