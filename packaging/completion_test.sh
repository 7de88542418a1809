#!/usr/bin/env bash
# completion_test.sh COMPLETION PROGRAM: checks what the bash completion in
# COMPLETION offers on typical command lines of PROGRAM (the built
# nuv-ipconfig, whose --help it reads). Prints each failed case; exits 1 when
# any failed.
set -uo pipefail
# shellcheck source=/dev/null
source "$1"
program=$2
failures=0

# Completes the command line "PROGRAM WORD..." at its last word and prints
# the offers, sorted, one a line.
offers() {
  COMP_WORDS=("$program" "$@")
  COMP_CWORD=$#
  _nuv_ipconfig
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort
}

fail() {
  echo "FAIL: nuv-ipconfig $1: $2" >&2
  failures=$((failures + 1))
}

joined() { tr '\n' ' ' <<<"$1"; }

# expect_offers "WORDS" CURRENT WANTED...: every WANTED is offered.
expect_offers() {
  local got wanted
  read -ra words <<<"$1"
  got=$(offers "${words[@]}" "$2")
  for wanted in "${@:3}"; do
    grep -qxF -- "$wanted" <<<"$got" || fail "$1 $2<TAB>" "missing $wanted in: $(joined "$got")"
  done
}

# expect_exactly "WORDS" CURRENT OFFER...: the offers are exactly these.
expect_exactly() {
  local got want
  read -ra words <<<"$1"
  got=$(offers "${words[@]}" "$2")
  want=$( [ $# -gt 2 ] && printf '%s\n' "${@:3}" | sort)
  [ "$got" = "$want" ] || fail "$1 $2<TAB>" "offers '$(joined "$got")', expected '$(joined "$want")'"
}

interfaces=$(ls /sys/class/net)

expect_offers "" "" list show --help --version --interface --trace
expect_exactly "" li list
expect_offers "list" -- --json --interface --timeout-ms
expect_exactly "list" --j --json
expect_exactly "show" --ti --timeout-ms
# shellcheck disable=SC2086  # one offer per interface name
expect_exactly "list --interface" "" $interfaces
# shellcheck disable=SC2086
expect_exactly "--interface" "" $interfaces
expect_exactly "list --timeout-ms" ""
# An interface value that looks like a subcommand is a value, not the subcommand.
expect_exactly "--interface show" li list
expect_exactly "--interface lo --trace list --interface lo" --js --json

[ "$failures" -eq 0 ] || exit 1
echo "completion: all cases passed"
