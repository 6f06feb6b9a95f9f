#!/usr/bin/env bash
# Builds the Debian package from a build tree whose programs are built and runs lintian on it:
# any error or warning fails, and so does any hardening tag. Without lintian on the machine the
# test is skipped (exit 77); scripts/install-deps.sh installs it.
#   lintian_test.sh BUILD_DIR
set -euo pipefail
if ! command -v lintian >/dev/null; then
  echo "lintian test: lintian is not installed; skipped"
  exit 77
fi
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$(dirname "$0")/build_deb.sh"
deb=$(build_deb "$build" "$work/out") || { echo "lintian test: the package could not be built" >&2; exit 1; }
# Informational tags are shown but do not fail the test.
status=0
lintian --fail-on error,warning --display-level '>=info' "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v "running with root privileges" "$work/lintian.log" || true
if [ "$status" -ne 0 ]; then
  echo "lintian test: lintian reports errors or warnings on $(basename "$deb")" >&2
  exit 1
fi
# lintian reports missing fortified functions and immediate binding only as information; the
# programs are built with both, so any hardening tag fails as well.
if grep -E "^[A-Z]: .*hardening-" "$work/lintian.log" >&2; then
  echo "lintian test: the programs lack hardening" >&2
  exit 1
fi
echo "lintian test: $(basename "$deb") has no errors or warnings"
