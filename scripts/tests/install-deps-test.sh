#!/usr/bin/env bash
# Runs scripts/install-deps against stand-ins for dpkg-query, apt-get, id and sudo, so what it
# says and what it would install are seen without installing anything.
# Usage: install-deps-test.sh SCRIPT
set -uo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# A folder of stand-ins: dpkg-query says every package is installed except those in
# $work/missing; apt-get and sudo write what they were asked into $work/calls.
stand_ins() {
  local bin=$work/bin-$1
  mkdir -p "$bin"
  ln -sf "$(command -v env)" "$bin/env"
  cat >"$bin/dpkg-query" <<'STUB'
#!/bin/bash
read -r -a missing <"$WORK/missing"
for p in "${missing[@]}"; do [ "$p" = "${@: -1}" ] && exit 1; done
printf 'install ok installed'
STUB
  cat >"$bin/apt-get" <<'STUB'
#!/bin/bash
echo "apt-get $* DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-}" >>"$WORK/calls"
[ "$1" != update ] || [ ! -e "$WORK/offline" ]
STUB
  cat >"$bin/id" <<'STUB'
#!/bin/bash
echo "$UID_SEEN"
STUB
  cat >"$bin/sudo" <<'STUB'
#!/bin/bash
echo -n "sudo " >>"$WORK/calls"
exec "$@"
STUB
  chmod +x "$bin"/*
  echo "$bin"
}
full=$(stand_ins full)
nosudo=$(stand_ins nosudo) && rm "$nosudo/sudo"
nodpkg=$(stand_ins nodpkg) && rm "$nodpkg/dpkg-query"

# run BIN UID MISSING [ARGS...]: the script's status, what it said and what it called.
run() {
  local bin=$1 uid=$2
  echo "$3" >"$work/missing"
  shift 3
  : >"$work/calls"
  env -u DEBIAN_FRONTEND WORK="$work" UID_SEEN="$uid" PATH="$bin" /bin/bash "$script" "$@" >"$work/out" 2>&1
  status=$?
  out=$(cat "$work/out")
  calls=$(cat "$work/calls")
}

run "$full" 0 ""
[ $status -eq 0 ] && [ -z "$out" ] && [ -z "$calls" ] || fail "all present: status $status, said '$out', called '$calls'"

run "$full" 0 "libqt6sql6-sqlite cmake lintian xvfb"
[ $status -eq 0 ] || fail "as root: status $status: $out"
[ "$calls" = "apt-get update -q DEBIAN_FRONTEND=
apt-get install -y -q --no-install-recommends libqt6sql6-sqlite cmake DEBIAN_FRONTEND=noninteractive" ] ||
  fail "without --test only running and building are installed: $calls"

run "$full" 1000 "libqt6sql6-sqlite lintian" --test
[ $status -eq 0 ] || fail "with sudo: status $status: $out"
[[ "$calls" == *"sudo apt-get install -y -q --no-install-recommends libqt6sql6-sqlite lintian DEBIAN_FRONTEND=noninteractive"* ]] ||
  fail "with --test the test tools come too, through sudo: $calls"
[[ "$out" == *"(with sudo)"* ]] || fail "the use of sudo is not said: $out"

run "$nosudo" 1000 "libqt6sql6-sqlite git" --test
[ $status -eq 1 ] && [ -z "$calls" ] || fail "no sudo, not root: status $status, called '$calls'"
[[ "$out" == *"missing packages: libqt6sql6-sqlite git"* &&
   "$out" == *"su -c 'apt-get update && apt-get install --no-install-recommends libqt6sql6-sqlite git'"* &&
   "$out" != *"not found"* ]] || fail "no sudo: the missing packages and the command are not said: $out"

run "$nodpkg" 0 ""
[ $status -eq 1 ] && [ -z "$calls" ] || fail "no dpkg: status $status, called '$calls'"
[[ "$out" == *"no dpkg"* && "$out" == *"qt6-base-dev"* && "$out" != *"lintian"* ]] ||
  fail "no dpkg: the system and the packages for running and building are not named: $out"

touch "$work/offline"
run "$full" 0 "cmake"
[ $status -eq 1 ] && [[ "$calls" != *install* && "$out" == *"apt-get update failed"*"cmake"* ]] ||
  fail "a failed apt-get update: status $status, said '$out', called '$calls'"
rm "$work/offline"

run "$full" 0 "" --tests
[ $status -eq 2 ] && [[ "$out" == *"unknown option '--tests'"* ]] || fail "a wrong option: status $status: $out"

[ $failures -eq 0 ] && echo "install-deps: all cases passed"
exit $((failures > 0))
