#!/usr/bin/env bash
# The collection's check, run by ctest (label unit) without root or cameras:
# ansible-doc shows both modules and the role, and ansible-galaxy builds the
# collection under the project's version (the one argument), each without a
# warning; the modules' unit tests pass against a stand-in for the tool.
set -euo pipefail
version=$1
collection=$(cd "$(dirname "$0")/.." && pwd)
ANSIBLE_COLLECTIONS_PATH=$(cd "$collection/../../.." && pwd)
export ANSIBLE_COLLECTIONS_PATH ANSIBLE_NOCOLOR=1 PYTHONDONTWRITEBYTECODE=1
for tool in ansible-doc ansible-galaxy; do
  if ! command -v "$tool" >/dev/null; then
    echo "error: $tool is missing (ansible-core): run scripts/install-deps.sh" >&2
    exit 1
  fi
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Runs a command; fails when it fails or writes anything on stderr, where
# Ansible's warnings go.
quietly() {
  "$@" >"$out/stdout" 2>"$out/stderr" || { cat "$out/stdout" "$out/stderr" >&2; return 1; }
  if [ -s "$out/stderr" ]; then cat "$out/stderr" >&2; return 1; fi
}
quietly ansible-doc -t module nuv.gige.camera nuv.gige.camera_info
grep -q '^> NUV.GIGE.CAMERA_INFO ' "$out/stdout"
quietly ansible-doc -t role nuv.gige.cameras
quietly ansible-galaxy collection build "$collection" --output-path "$out"
if [ ! -f "$out/nuv-gige-$version.tar.gz" ]; then
  echo "error: galaxy.yml does not carry the project's version $version" >&2
  exit 1
fi

# The modules' unit tests, under the Python that runs Ansible itself.
python=$(sed -n '1s/^#! *//p' "$(command -v ansible-doc)")
PYTHONPATH=$ANSIBLE_COLLECTIONS_PATH $python -m unittest discover -s "$collection/tests/unit" \
  -p '*_test.py'
