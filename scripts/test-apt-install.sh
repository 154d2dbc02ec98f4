#!/usr/bin/env bash
# Checks scripts/apt-install.sh against a package source that cannot be reached, in a private APT configuration
# (the system's own sources, package lists and caches are only read, never changed):
#  1. with an extra source on a port nobody listens on, `apt-get update` fails twice, and the install (simulated)
#     still goes ahead and succeeds from the package lists there are;
#  2. a package that does not exist stops it with apt's own message and a non-zero status.
# Needs apt-get and a copy of the system's package lists; no root, no changes outside a temporary folder.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/sources.list.d" "$work/lists/partial" "$work/cache/archives/partial" "$work/log"
cp -a /etc/apt/sources.list.d/. "$work/sources.list.d/" 2>/dev/null || true
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$work/sources.list" || : >"$work/sources.list"
cp -a /var/lib/apt/lists/. "$work/lists/" 2>/dev/null || true
rm -f "$work/lists/lock"
# Port 9 (discard) on this machine: the connection is refused at once. apt only warns about a source it cannot
# reach; Error-Mode "any" below makes that an error, as an index of the wrong size from a mirror mid-sync is.
echo "deb [trusted=yes] http://127.0.0.1:9/debian bookworm main" >"$work/sources.list.d/unreachable.list"
cat >"$work/apt.conf" <<CONF
Dir::Etc::sourcelist "$work/sources.list";
Dir::Etc::sourceparts "$work/sources.list.d";
Dir::State::Lists "$work/lists";
Dir::Cache "$work/cache";
Dir::Log "$work/log";
APT::Sandbox::User "$(id -un)";
Debug::NoLocking "true";
APT::Update::Error-Mode "any";
CONF
export APT_CONFIG="$work/apt.conf" APT_OPTIONS=--simulate

failures=0
check() { # check DESCRIPTION CONDITION...
  local description=$1; shift
  if "$@"; then echo "ok: $description"; else echo "FAILED: $description" >&2; failures=$((failures + 1)); fi
}

# shellcheck source=apt-install.sh
source "$root/scripts/apt-install.sh"
installed=$(grep -v -E '^\s*(#|$)' "$root/deps/debian-packages.txt" | head -1)
(apt_install "$installed") >"$work/good.out" 2>&1
status=$?
check "the install goes ahead after a failed update (status $status)" test "$status" = 0
check "the update was tried twice" test "$(grep -c 'apt-get update failed' "$work/good.out")" = 2
check "apt said which source failed" grep -q '127.0.0.1:9' "$work/good.out"

(apt_install demo-no-such-package) >"$work/bad.out" 2>&1
status=$?
check "a package that cannot be installed stops it (status $status)" test "$status" -ne 0
check "with apt's own message" grep -q 'E: Unable to locate package demo-no-such-package' "$work/bad.out"

[ "$failures" = 0 ] || { echo "--- output:" >&2; cat "$work/good.out" "$work/bad.out" >&2; exit 1; }
echo "apt-install: all checks passed"
