#!/usr/bin/env bash
# The Debian packages on this machine, as root: builds both (scripts/package.sh),
# checks them with lintian, installs them with dpkg -i, then checks the
# installed tool: its version, its man pages and completion, the watch's
# service unit (verified, its exposure score printed), and for each
# answer of the debconf question (preseeded) its owner, mode and capability.
# Answer no: a user outside group gigevision gets the shell's "Permission
# denied", and a member finds a simulated camera in a foreign subnet. Answer
# yes: any user finds it. An entry of dpkg-statoverride wins over the answer.
# Everything runs inside network namespaces made here. Then purges both
# packages. A trap removes the simulator, the
# namespaces and the packages on every exit path, so the machine is left as
# it was. Without root it is skipped (with CI=true it fails instead). It
# refuses to run when either package is already on the machine, because the
# purge at the end would remove an installation it did not make.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
packages=(nuv-ipconfig nuv-camsim)
readonly kUnprivilegedId=65534  # nobody / nogroup
readonly kReadyWaitTenths=100   # ten seconds for the simulator to say it is ready
readonly kCameraMac=02:00:00:00:99:21
readonly kCameraIp=10.99.0.21   # a foreign subnet: the host adapter is 192.168.77.1/24
readonly kQuestion=nuv-ipconfig/packet-privilege-for-all
readonly kGroup=gigevision

die() { echo "package-test: FAIL: $*" >&2; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  [ "${CI:-}" = true ] && die "needs root (it installs packages and creates network namespaces)"
  echo "package-test: skipped: needs root (it installs packages and creates network namespaces)"
  exit 0
fi
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  if [ -n "$status" ] && [ "$status" != not-installed ]; then
    die "$p is already on this machine ($status); purge it first (as root: dpkg --purge $p)"
  fi
done

work="$(mktemp -d /tmp/nuvpkg-XXXXXX)"
ns_host="$(basename "$work")-host"
ns_cam="$(basename "$work")-cam"
installed=false
override=false
group_made=false
getent group "$kGroup" >/dev/null || group_made=true
camsim_pid=""
testbed=/usr/share/nuv-camsim/testbed.sh
NUV_TESTBED_PREFIX="$(basename "$work")-tb"
export NUV_TESTBED_PREFIX NUV_TESTBED_STATE="$work/testbed"
cleanup() {
  local rc=$?
  set +e
  trap - EXIT INT TERM
  if [ -n "$camsim_pid" ]; then
    kill "$camsim_pid" 2>/dev/null
    wait "$camsim_pid" 2>/dev/null
  fi
  ip netns del "$ns_host" 2>/dev/null
  ip netns del "$ns_cam" 2>/dev/null
  [ -x "$testbed" ] && "$testbed" down
  [ "$override" = true ] && dpkg-statoverride --remove /usr/bin/nuv-ipconfig
  if [ "$installed" = true ]; then
    dpkg --purge "${packages[@]}" >/dev/null || echo "package-test: could not purge ${packages[*]}" >&2
  fi
  [ "$group_made" = true ] && getent group "$kGroup" >/dev/null && groupdel "$kGroup"
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Runs a command in the host namespace of the test bed: the installed tool
# never runs anywhere else.
in_host() { ip netns exec "$ns_host" "$@"; }

# The test bed: host adapter eth1 192.168.77.1/24, a veth to the camera's
# namespace, and one simulated camera in a foreign subnet on the other end.
make_testbed() {
  local ns
  for ns in "$ns_host" "$ns_cam"; do
    ip netns add "$ns"
    ip netns exec "$ns" sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
    ip -n "$ns" link set lo up
  done
  ip -n "$ns_host" link add eth1 type veth peer name eth0 netns "$ns_cam"
  ip -n "$ns_host" addr add 192.168.77.1/24 dev eth1
  ip -n "$ns_host" link set eth1 up
  ip -n "$ns_cam" link set eth0 up
  mkdir "$work/cam"
  ip netns exec "$ns_cam" /usr/bin/nuv-camsim --interface eth0 --state-dir "$work/cam" \
    --mac "$kCameraMac" --ip "$kCameraIp" --mask 255.255.255.0 --serial PKG9921 \
    >"$work/cam.log" 2>&1 &
  camsim_pid=$!
  for _ in $(seq "$kReadyWaitTenths"); do
    grep -q '^ready$' "$work/cam.log" && return 0
    kill -0 "$camsim_pid" 2>/dev/null || break
    sleep 0.1
  done
  die "the installed nuv-camsim did not start: $(cat "$work/cam.log")"
}

# lintian: no error and no warning but those the README's packaging notes
# explain.
check_lintian() {
  lintian --fail-on error,warning "$@" || die "lintian on $*"
}

check_version() {
  local program got
  for program in nuv-ipconfig nuv-camsim; do
    got=$(in_host "/usr/bin/$program" --version)
    [ "$got" = "$program $1" ] || die "$program --version printed '$got', expected '$program $1'"
  done
}

# check_program OWNER:GROUP MODE: the installed program's owner, mode and
# permitted-only capability.
check_program() {
  local got
  got=$(stat -c '%U:%G %a' /usr/bin/nuv-ipconfig)
  [ "$got" = "$1 $2" ] || die "/usr/bin/nuv-ipconfig is '$got', expected '$1 $2'"
  got=$(getcap /usr/bin/nuv-ipconfig)
  [[ $got =~ cap_net_raw[=+]p$ ]] || die "getcap shows '$got', expected cap_net_raw+p"
  echo "package-test: $1 $2 $got"
}

# answer BOOL: the debconf answer, then the package configured again with it.
answer() {
  echo "nuv-ipconfig $kQuestion boolean $1" | debconf-set-selections
  DEBIAN_FRONTEND=noninteractive dpkg-reconfigure nuv-ipconfig >>"$work/dpkg.log" 2>&1 ||
    die "dpkg-reconfigure with answer $1: $(cat "$work/dpkg.log")"
}

# Each page renders without a warning and names every long option its
# program's --help names.
check_man_pages() {
  local program page warnings text option
  for program in nuv-ipconfig nuv-camsim; do
    page="/usr/share/man/man1/$program.1.gz"
    [ -f "$page" ] || die "$page is missing"
    warnings=$(LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || die "man --warnings -l $page: $warnings"
    text=$(LC_ALL=C MANWIDTH=200 man -l "$page" 2>/dev/null)
    for option in $(in_host "/usr/bin/$program" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
      grep -qF -- "$option" <<<"$text" || die "$page does not name $option"
    done
  done
}

# check_unprivileged_list [GROUPS]: nobody, with no capabilities of its own
# (and the supplementary groups GROUPS, e.g. "--groups=GID"), runs the
# installed tool; only the file capability lets it open the packet socket
# that receives the answer of a camera in a foreign subnet.
check_unprivileged_list() {
  local as_nobody=(setpriv --reuid="$kUnprivilegedId" --regid="$kUnprivilegedId"
    "${1:---clear-groups}" --inh-caps=-all)
  local caps
  caps=$(in_host "${as_nobody[@]}" grep '^CapEff:' /proc/self/status)
  [[ $caps =~ ^CapEff:[[:space:]]+0+$ ]] || die "the unprivileged user has capabilities: $caps"
  in_host "${as_nobody[@]}" /usr/bin/nuv-ipconfig list --json >"$work/list.json" \
    2>"$work/list.err" || die "list --json as nobody failed: $(cat "$work/list.err")"
  ! grep -q '^warning: ' "$work/list.err" ||
    die "list fell back to UDP although the binary has the capability: $(cat "$work/list.err")"
  jq -e --arg mac "$kCameraMac" --arg ip "$kCameraIp" \
    '.ok == true and ([.cameras[] | select(.mac == $mac and .ip == $ip
       and .reachable == false and .adapter.name == "eth1")] | length == 1)' \
    "$work/list.json" >/dev/null ||
    die "the camera was not found as nobody: $(cat "$work/list.json" "$work/list.err")"
  echo "package-test: nobody${1:+ $1} found the camera at $kCameraIp with the installed tool"
}

# nobody outside the group gets the shell's refusal, and the tool never runs.
check_refused_outside_group() {
  local got
  got=$(in_host setpriv --reuid="$kUnprivilegedId" --regid="$kUnprivilegedId" --clear-groups \
    sh -c '/usr/bin/nuv-ipconfig --version' 2>&1) && die "nobody ran the tool: $got"
  [[ $got == *"Permission denied"* ]] || die "nobody outside $kGroup got: $got"
  echo "package-test: outside $kGroup: $got"
}

# The answers one after the other: no (the default), yes, and no again under
# an entry of dpkg-statoverride, which keeps its own owner and mode.
check_answers() {
  check_program "root:$kGroup" 754
  check_refused_outside_group
  check_unprivileged_list "--groups=$(getent group "$kGroup" | cut -d: -f3)"
  answer true
  check_program root:root 755
  check_unprivileged_list
  override=true
  dpkg-statoverride --update --add root root 0750 /usr/bin/nuv-ipconfig
  answer false
  check_program root:root 750
}

# The watch's unit: installed with its default file, not enabled, verified;
# its exposure score printed.
check_watch_service() {
  local unit=/lib/systemd/system/nuv-ipconfig-watch.service
  [ -f "$unit" ] && [ -f /etc/default/nuv-ipconfig-watch ] || die "the watch unit or its default file is missing"
  [ ! -e /etc/systemd/system/multi-user.target.wants/nuv-ipconfig-watch.service ] || die "the watch unit was enabled"
  systemd-analyze verify "$unit" >"$work/verify.log" 2>&1 || die "systemd-analyze verify: $(cat "$work/verify.log")"
  echo "package-test: $(systemd-analyze security --offline=yes "$unit" 2>/dev/null | grep -o 'Overall exposure level.*')"
}

# The installed test-bed script builds its three-camera network with the
# installed simulator, and the installed tool finds all three there.
check_installed_testbed() {
  "$testbed" up >"$work/testbed.log" 2>&1 || die "$testbed up: $(cat "$work/testbed.log")"
  "$testbed" host /usr/bin/nuv-ipconfig list --json >"$work/testbed.json" 2>>"$work/testbed.log" ||
    die "list in the installed test bed: $(cat "$work/testbed.log")"
  jq -e '.ok == true and (.cameras | length == 3)' "$work/testbed.json" >/dev/null ||
    die "the installed test bed shows: $(cat "$work/testbed.json")"
  "$testbed" down
  echo "package-test: the installed test-bed script made three cameras and the tool found them"
}

"$root/scripts/package.sh" >"$work/package.log" 2>&1 ||
  die "scripts/package.sh failed: $(tail -n 40 "$work/package.log")"
mapfile -t debs < <(grep '\.deb$' "$work/package.log")
[ ${#debs[@]} -eq 2 ] || die "expected two packages, got: ${debs[*]}"
check_lintian "${debs[@]}"

installed=true
echo "nuv-ipconfig $kQuestion boolean false" | debconf-set-selections
DEBIAN_FRONTEND=noninteractive dpkg -i "${debs[@]}" >"$work/dpkg.log" 2>&1 ||
  die "dpkg -i failed: $(cat "$work/dpkg.log")"
make_testbed
check_version "$(dpkg-deb -f "${debs[0]}" Version)"
check_man_pages
in_host "$root/packaging/completion_test.sh" /usr/share/bash-completion/completions/nuv-ipconfig \
  /usr/bin/nuv-ipconfig || die "bash completion"
check_answers
check_watch_service
check_installed_testbed

dpkg-statoverride --remove /usr/bin/nuv-ipconfig
override=false
dpkg --purge "${packages[@]}" >/dev/null
installed=false
for p in /usr/bin/nuv-ipconfig /usr/bin/nuv-camsim /usr/share/doc/nuv-ipconfig; do
  [ ! -e "$p" ] || die "$p is still there after the purge"
done
echo "package-test: all checks passed"
