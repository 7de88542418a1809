#!/usr/bin/env bash
# The collection's check, run by ctest (label unit) without root or cameras:
# ansible-doc shows both modules and the role, and ansible-galaxy builds the
# collection under the project's version (the one argument), each without a
# warning; then the modules' unit tests, under the Python of ansible-core.
set -euo pipefail
collection=$(cd "$(dirname "$0")/.." && pwd)
ANSIBLE_COLLECTIONS_PATH=$(cd "$collection/../../.." && pwd)
export ANSIBLE_COLLECTIONS_PATH ANSIBLE_NOCOLOR=1 PYTHONDONTWRITEBYTECODE=1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Fails when the command fails or writes on stderr, where warnings go.
quietly() {
  "$@" >"$out/stdout" 2>"$out/stderr" || { cat "$out/stdout" "$out/stderr" >&2; return 1; }
  if [ -s "$out/stderr" ]; then cat "$out/stderr" >&2; return 1; fi
}
quietly ansible-doc -t module nuv.gige.camera nuv.gige.camera_info
quietly ansible-doc -t role nuv.gige.cameras
quietly ansible-galaxy collection build "$collection" --output-path "$out"
ls "$out/nuv-gige-$1.tar.gz" >/dev/null

python=$(sed -n '1s/^#! *//p' "$(command -v ansible-doc)")
PYTHONPATH=$ANSIBLE_COLLECTIONS_PATH $python -m unittest discover -s "$collection/tests/unit" \
  -p '*_test.py'
