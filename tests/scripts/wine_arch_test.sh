#!/usr/bin/env bash
# The host decision (scripts/wine-arch), against stand-in 32-bit loaders: one
# that runs, one that fails as on a kernel without 32-bit execution, and the
# forcing variable. Then that Wine's programs start without address
# randomisation, and which wineserver serves a prefix (orvant_wineserver_pid),
# against stand-in servers.
#   tests/scripts/wine_arch_test.sh PATH/TO/wine-arch
set -uo pipefail
arch=$1
dir=$(mktemp -d)
fake=
trap 'rm -rf "$dir"; [ -z "$fake" ] || kill "$fake" 2>/dev/null' EXIT
failures=0
expect() {  # name, expected, actual
  if [ "$2" != "$3" ]; then
    echo "FAILED: $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  else
    echo "ok: $1"
  fi
}

printf '#!/bin/sh\necho "wine-8.0"\n' >"$dir/runs"
printf '#!/bin/sh\necho "%s: Exec format error" >&2\nexit 126\n' "$dir/refused" >"$dir/refused"
chmod +x "$dir/runs" "$dir/refused"

# run LOADER [VAR=VALUE] [--why]
run() {
  local loader=$1 set=() flag=
  shift
  for a in "$@"; do if [ "$a" = --why ]; then flag=--why; else set+=("$a"); fi; done
  env -u ORVANT_WINDOWS_BUILDS ORVANT_WINE32_LOADER="$dir/$loader" "${set[@]}" "$arch" $flag
}

expect "a loader that runs: both builds" "32 64" "$(run runs)"
expect "a loader that runs: no reason given" "" "$(run runs --why)"
expect "a refused loader: the 64-bit build only" "64" "$(run refused)"
expect "a refused loader: its own error is the reason" \
  "this host runs no 32-bit code: $dir/refused fails ($dir/refused: Exec format error)" "$(run refused --why)"
expect "forced to 64 where both run" "64" "$(run runs ORVANT_WINDOWS_BUILDS=64)"
expect "forced to 64: says so" "ORVANT_WINDOWS_BUILDS=64 leaves it out" "$(run runs ORVANT_WINDOWS_BUILDS=64 --why)"
expect "forced to 32" "32" "$(run refused ORVANT_WINDOWS_BUILDS=32)"
expect "forced to both" "32 64" "$(run refused ORVANT_WINDOWS_BUILDS='64 32')"
ORVANT_WINDOWS_BUILDS=65 "$arch" >/dev/null 2>&1
expect "a forced value that is no build is refused" 2 $?

# A stand-in loader that shows the personality it was started with: 0x0040000
# is the kernel's "no address randomisation".
printf '#!/bin/sh\ncat /proc/self/personality\n' >"$dir/personality"
chmod +x "$dir/personality"
for bits in 32 64; do
  expect "the $bits-bit loader starts without address randomisation" 00040000 \
    "$(env -u CTEST_RESOURCE_GROUP_0_DESK ORVANT_WINE_ARCH=$bits ORVANT_WINE32_LOADER="$dir/personality" \
      ORVANT_WINE64_LOADER="$dir/personality" "$(dirname "$arch")/wine-exec" no-program)"
done

# A stand-in server: a process named wineserver... holding the lock file of
# the directory Wine names after its prefix, working in some other folder.
. "$(dirname "$arch")/wine-env.bash"
mkdir -p "$dir/prefix" "$dir/other"
server_dir() { echo "$dir/tmp/$(orvant_server_dir "$1")"; }
mkdir -p "$(server_dir "$dir/prefix")" "$(server_dir "$dir/other")"
cp "$(command -v sleep)" "$dir/wineserver-fake"
serve() {  # prefix; sets fake to the stand-in's process id once it runs
  (cd / && exec 9>"$(server_dir "$1")/lock" && exec "$dir/wineserver-fake" 60) &
  fake=$!
  for _ in $(seq 1 500); do [ "$(cat "/proc/$fake/comm" 2>/dev/null)" = wineserver-fake ] && break; sleep 0.01; done
}
serve "$dir/prefix"
expect "the server found by its lock, whatever its working folder" "$fake" "$(orvant_wineserver_pid "$dir/prefix")"
kill "$fake"
wait "$fake" 2>/dev/null
serve "$dir/other"
expect "another prefix's server is not taken" "" "$(orvant_wineserver_pid "$dir/prefix")"
kill "$fake"
wait "$fake" 2>/dev/null

if [ "$failures" -eq 0 ]; then echo "all passed"; else exit 1; fi
