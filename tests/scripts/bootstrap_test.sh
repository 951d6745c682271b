#!/usr/bin/env bash
# scripts/bootstrap with every package missing, against stand-ins for id,
# dpkg-query, dpkg and apt-get and a PATH that holds no sudo: not root, it
# prints the one command to run as root and fails; as root it installs
# without sudo. The 32-bit loader is a stand-in too, so each case knows
# whether wine32 belongs in the list.
#   tests/scripts/bootstrap_test.sh PATH/TO/bootstrap
set -uo pipefail
bootstrap=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
. "$(dirname "${BASH_SOURCE[0]}")/expect.bash"

mkdir "$dir/bin"
for tool in bash dirname grep tr sed; do ln -s "$(command -v "$tool")" "$dir/bin/$tool"; done
stand_in() { printf '#!/bin/sh\n%s\n' "$2" >"$dir/bin/$1" && chmod +x "$dir/bin/$1"; }
stand_in id 'echo "$UID_OF_TEST"'
stand_in dpkg-query 'echo "$3" >>"$LOG.queried"; exit 1'  # -W -f=FORMAT PACKAGE: none installed
stand_in dpkg '[ "$1" = --print-foreign-architectures ] || echo "dpkg $*" >>"$LOG"'
stand_in apt-get 'echo "apt-get $*" >>"$LOG"'
printf '#!/bin/sh\necho "wine-8.0"\n' >"$dir/runs"
printf '#!/bin/sh\necho "Exec format error" >&2\nexit 126\n' >"$dir/refused"
chmod +x "$dir/runs" "$dir/refused"

# run UID LOADER: sets log, queried (the packages asked about), out, status
run() {
  log=$dir/log-$1-$2
  out=$(env -i PATH="$dir/bin" UID_OF_TEST="$1" LOG="$log" ORVANT_WINE32_LOADER="$dir/$2" \
    bash "$bootstrap" 2>&1)
  status=$?
  queried=$(tr '\n' ' ' <"$log.queried" | sed 's/ $//')
}
install="apt-get install -y --no-install-recommends"

run 1000 runs
expect "not root, no sudo: fails" 1 "$status"
expect "not root, no sudo: the command for root, i386 added, wine32 asked for" \
  "  dpkg --add-architecture i386 && apt-get update && $install $queried" "$(tail -n 1 <<<"$out")"
expect "not root, no sudo: wine32 among the packages" "wine32:i386" "${queried##* }"
expect "not root, no sudo: nothing run" "" "$(cat "$log" 2>/dev/null)"

run 1000 refused
expect "not root, no sudo, no 32-bit code: the command for root, no i386" \
  "  apt-get update && $install $queried" "$(tail -n 1 <<<"$out")"
expect "no 32-bit code: no wine32" "" "$(grep -x 'wine32:i386' "$log.queried")"

run 0 runs
expect "root: succeeds" 0 "$status"
expect "root: installs without sudo" \
  "dpkg --add-architecture i386|apt-get update|$install $queried" "$(paste -s -d '|' "$log")"

if [ "$failures" -eq 0 ]; then echo "all passed"; else exit 1; fi
