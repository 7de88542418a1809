#!/usr/bin/env bash
# Builds and removes a small simulated camera network by hand, entirely in
# network namespaces (the machine's own interfaces are never touched):
#
#   host  eth1 192.168.10.1/24 --- switch sw1 --- cam1 192.168.10.11 (own subnet)
#                                            \--- cam2 10.99.0.7/24   (foreign subnet)
#         eth2 192.168.20.1/24 --- switch sw2 --- cam3 192.168.20.13 (own subnet)
#
# Usage (as root):
#   testbed/testbed.sh up        create the network and start the cameras
#   testbed/testbed.sh show      print what each camera holds now
#   testbed/testbed.sh host CMD  run CMD inside the host namespace
#   testbed/testbed.sh down      stop the cameras and remove every namespace
# Environment: NUV_TESTBED_PREFIX (namespace prefix, default nuvdemo),
# NUV_TESTBED_STATE (camera state directories, default /tmp/<prefix>-state),
# NUV_CAMSIM (simulator program, default build/demo/nuv-camsim, else PATH's).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
prefix="${NUV_TESTBED_PREFIX:-nuvdemo}"
state="${NUV_TESTBED_STATE:-/tmp/${prefix}-state}"
# The demo's build beside the source, else an installed simulator.
camsim="$here/../build/demo/nuv-camsim"
[ -x "$camsim" ] || camsim="$(command -v nuv-camsim || true)"
camsim="${NUV_CAMSIM:-$camsim}"
cameras=(cam1 cam2 cam3)
readonly kReadyWaitTenths=100  # ten seconds for a camera to say it is ready

die() { echo "testbed: $*" >&2; exit 1; }

ns() { echo "${prefix}-$1"; }

make_ns() {
  ip netns add "$(ns "$1")"
  # No reverse-path filter (answers from foreign subnets must arrive); ARP
  # answered only by the interface owning the address.
  ip netns exec "$(ns "$1")" sysctl -qw net.ipv4.conf.all.rp_filter=0 \
    net.ipv4.conf.default.rp_filter=0 net.ipv4.conf.all.arp_ignore=1 net.ipv4.conf.all.arp_announce=2
  ip -n "$(ns "$1")" link set lo up
}

make_switch() {
  make_ns "$1"
  ip -n "$(ns "$1")" link add br0 type bridge
  ip -n "$(ns "$1")" link set br0 up
}

# plug NS IFNAME SWITCH PEER [CIDR] [MAC]: a veth from NS to the switch's bridge.
plug() {
  local mac_args=()
  [ -n "${6:-}" ] && mac_args=(address "$6")
  ip -n "$(ns "$1")" link add "$2" "${mac_args[@]}" type veth peer name "$4" netns "$(ns "$3")"
  ip -n "$(ns "$3")" link set "$4" master br0 up
  [ -n "${5:-}" ] && ip -n "$(ns "$1")" addr add "$5" dev "$2"
  ip -n "$(ns "$1")" link set "$2" up
}

# start_camera NAME SWITCH PEER MAC IP MASK MODEL SERIAL
start_camera() {
  local dir="$state/$1"
  mkdir -p "$dir"
  make_ns "$1"
  plug "$1" eth0 "$2" "$3" "" "$4"
  ip netns exec "$(ns "$1")" "$camsim" --interface eth0 --state-dir "$dir" --mac "$4" \
    --ip "$5" --mask "$6" --model "$7" --serial "$8" --manufacturer "Demo Cameras" \
    --user-name "$1" --restart-ms 500 >"$dir/log" 2>&1 &
  echo $! >"$dir/pid"
  for _ in $(seq "$kReadyWaitTenths"); do
    grep -q '^ready$' "$dir/log" 2>/dev/null && return 0
    kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
    sleep 0.1
  done
  die "camera $1 did not start: $(cat "$dir/log")"
}

up() {
  [ -x "$camsim" ] || die "simulator not found at $camsim (build it, or set NUV_CAMSIM)"
  ip netns list | grep -q "^$(ns host)\b" && die "a network with prefix $prefix is already up"
  mkdir -p "$state"
  make_ns host
  make_switch sw1
  make_switch sw2
  plug host eth1 sw1 p0 192.168.10.1/24
  plug host eth2 sw2 p1 192.168.20.1/24
  start_camera cam1 sw1 p2 02:00:00:00:10:11 192.168.10.11 255.255.255.0 DEMO-CAM-A SN1011
  start_camera cam2 sw1 p3 02:00:00:00:99:07 10.99.0.7 255.255.255.0 DEMO-CAM-B SN9907
  start_camera cam3 sw2 p4 02:00:00:00:20:13 192.168.20.13 255.255.255.0 DEMO-CAM-A SN2013
  echo "camera network $prefix is up: host namespace $(ns host)"
}

value() { sed -n "s/^$2 //p" "$state/$1/status" 2>/dev/null; }

# sync_status CAMERA: the camera writes its status as of now. A SIGUSR1 sent by kill
# comes back as "sync <sender pid>"; each call sends from a new process.
sync_status() {
  local token pid
  pid="$(cat "$state/$1/pid")"
  token="$(sh -c 'kill -USR1 "$1" && echo $$' sync "$pid")" || return 1
  for _ in $(seq "$kReadyWaitTenths"); do
    [ "$(value "$1" sync)" = "$token" ] && return 0
    # A camera stopped meanwhile (an interrupt reached it too) never answers.
    kill -0 "$pid" 2>/dev/null || die "camera $1 has stopped"
    sleep 0.1
  done
  die "camera $1 did not write its status"
}

show() {
  printf '%-6s %-16s %-16s %-10s %-16s %-16s %s\n' camera address mask ip_config \
    persistent_ip persistent_mask reboots
  for cam in "${cameras[@]}"; do
    [ -f "$state/$cam/status" ] || continue
    sync_status "$cam"
    printf '%-6s %-16s %-16s %-10s %-16s %-16s %s\n' "$cam" "$(value "$cam" address)" \
      "$(value "$cam" mask)" "$(value "$cam" ip_config)" "$(value "$cam" persistent_ip)" \
      "$(value "$cam" persistent_mask)" "$(value "$cam" reboots)"
  done
}

# Stops only the simulators this script started (by their recorded pid), then
# removes every namespace of the prefix; the veths and bridges go with them.
down() {
  for cam in "${cameras[@]}"; do
    local pidfile="$state/$cam/pid"
    [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  done
  for name in host sw1 sw2 "${cameras[@]}"; do
    ip netns del "$(ns "$name")" 2>/dev/null || true
  done
}

[ "$(id -u)" -eq 0 ] || die "must run as root (it creates network namespaces)"
case "${1:-}" in
  up) up ;;
  show) show ;;
  down) down ;;
  host) shift; exec ip netns exec "$(ns host)" "$@" ;;
  *) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
