// Text for people: the list table and the show block. Camera text never
// drives the terminal: control bytes and every byte outside ASCII are shown as
// '?'. Pure.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "device/camera_record.h"
#include "device/camera_settings.h"
#include "gvcp/camera_text.h"
#include "gvcp/ip_config.h"

namespace cli {

inline constexpr const char* kOutsideSubnetNote =
    "! address outside its adapter's subnet (or 0.0.0.0): the camera cannot be reached "
    "until it gets an address there";
inline constexpr const char* kSharedAddressNote =
    "= address shared with another camera: a command that changes one of them first gives it "
    "a temporary address of its own";
inline constexpr const char* kHostAddressNote =
    "* an address of this host's own: the camera cannot be reached until it gets another one";

// "192.168.10.11/24", or "192.168.10.11/255.0.255.0" for a mask that is not contiguous.
std::string addressWithMask(net::Ipv4 ip, net::Ipv4 mask);
using gvcp::modeText;

// Rows of cells, each column as wide as its widest cell plus two blanks,
// trailing blanks cut; one line per row. Cells are shown as given.
std::string alignedColumns(const std::vector<std::vector<std::string>>& rows);

// A header line, one row per camera numbered from 1, and the note on the '!'
// mark when a row carries it. Columns are as wide as their widest cell.
std::string listTable(const std::vector<device::CameraRecord>& cameras);
// One "name: value" line per field of show.
std::string showBlock(const device::CameraRecord& camera, const device::CameraSettings& settings);

}  // namespace cli
