#!/usr/bin/env bash
# postinst_test.sh POSTINST: runs the package's post-install script with a
# stand-in setcap on the PATH, that succeeds or fails, and checks that the
# installation never fails, that a failure is explained, and that the
# capability is set only when the package is configured. Exits 1 on a failed
# case.
set -uo pipefail
postinst=$1
fake="$(mktemp -d)"
trap 'rm -rf "$fake"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# stand_in_setcap STATUS: a setcap that records its arguments and exits STATUS.
stand_in_setcap() {
  printf '#!/bin/sh\necho "$*" >>"%s/calls"\n[ %s -eq 0 ] || echo "setcap: failed" >&2\nexit %s\n' \
    "$fake" "$1" "$1" >"$fake/setcap"
  chmod +x "$fake/setcap"
  rm -f "$fake/calls"
}

# run ARG: runs the script with ARG; sets rc, err (its stderr) and calls.
run() {
  err=$(PATH="$fake:$PATH" sh "$postinst" "$1" 2>&1 >/dev/null)
  rc=$?
  calls=$(cat "$fake/calls" 2>/dev/null)
}

stand_in_setcap 0
run configure
[ "$rc" -eq 0 ] || fail "configure with a working setcap exits $rc"
[ "$calls" = "cap_net_raw+ep /usr/bin/nuv-ipconfig" ] || fail "setcap called with '$calls'"
[ -z "$err" ] || fail "a working setcap says: $err"

stand_in_setcap 1
run configure
[ "$rc" -eq 0 ] || fail "a failing setcap fails the installation (exit $rc)"
grep -q "could not grant cap_net_raw+ep to /usr/bin/nuv-ipconfig" <<<"$err" ||
  fail "the failure is not named: $err"
grep -q "Run it as root" <<<"$err" || fail "the way out is not given: $err"
grep -q "setcap cap_net_raw+ep /usr/bin/nuv-ipconfig" <<<"$err" ||
  fail "the command to run by hand is not given: $err"

stand_in_setcap 0
for action in abort-upgrade abort-remove; do
  run "$action"
  [ "$rc" -eq 0 ] || fail "$action exits $rc"
  [ -z "$calls" ] || fail "$action calls setcap: $calls"
done

[ "$failures" -eq 0 ] || exit 1
echo "postinst: all cases passed"
