#!/usr/bin/env bash
# The host decision (scripts/wine-arch), against stand-in 32-bit loaders: one
# that runs, one that fails as on a kernel without 32-bit execution, ones that
# could not be tried at all, and the forcing variable; and with a temporary
# folder mounted noexec. Then that Wine's programs start without address
# randomisation, or, where a stand-in setarch is refused as in a container,
# with the heap guard (scripts/wine-heap-guard.c), and that the guard starts
# a program again whose heap starts within reach of 0x7ffe0000. Last, which
# wineserver serves a prefix (orvant_wineserver_pid), against stand-in
# servers.
#   tests/scripts/wine_arch_test.sh PATH/TO/wine-arch
set -uo pipefail
arch=$1
dir=$(mktemp -d)
fake=
trap 'umount "$dir/noexec" 2>/dev/null; rm -rf "$dir"; [ -z "$fake" ] || kill "$fake" 2>/dev/null' EXIT
. "$(dirname "${BASH_SOURCE[0]}")/expect.bash"

printf '#!/bin/sh\necho "wine-8.0"\n' >"$dir/runs"
printf '#!/bin/sh\necho "%s: Exec format error" >&2\nexit 126\n' "$dir/refused" >"$dir/refused"
printf '#!/bin/sh\nexit 127\n' >"$dir/lost"
cp "$dir/runs" "$dir/not-executable"
chmod +x "$dir/runs" "$dir/refused" "$dir/lost"

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
for loader in not-executable lost; do
  run "$loader" >/dev/null 2>"$dir/err"
  expect "a loader that could not be tried ($loader): no answer" 3 $?
  expect "a loader that could not be tried ($loader): says so" "wine-arch: could not try $dir/$loader" \
    "$(sed 's/ (.*//' "$dir/err")"
done

# Before wine32 is installed a 32-bit program stands in for the loader: the
# answer must not depend on the temporary folder.
mkdir "$dir/noexec"
if mount -t tmpfs -o noexec,size=1m tmpfs "$dir/noexec" 2>/dev/null; then
  expect "a noexec temporary folder: the same answer" "$(run absent)" "$(TMPDIR=$dir/noexec run absent)"
else
  echo "skipped: a noexec temporary folder (no tmpfs can be mounted here)"
fi

# A stand-in loader that shows the personality it was started with: 0x0040000
# is the kernel's "no address randomisation".
printf '#!/bin/sh\ncat /proc/self/personality\n' >"$dir/personality"
chmod +x "$dir/personality"
for bits in 32 64; do
  expect "the $bits-bit loader starts without address randomisation" 00040000 \
    "$(env -u CTEST_RESOURCE_GROUP_0_DESK -u ORVANT_WINE_LAYOUT ORVANT_WINE_ARCH=$bits ORVANT_WINE32_LOADER="$dir/personality" \
      ORVANT_WINE64_LOADER="$dir/personality" "$(dirname "$arch")/wine-exec" no-program)"
done

# Where setarch is refused, as in a container: the 64-bit loader starts
# with the heap guard, randomisation on, and the decision is said once.
mkdir "$dir/container"
printf '#!/bin/sh\necho "setarch: failed to set personality to x86_64: Operation not permitted" >&2\nexit 1\n' \
  >"$dir/container/setarch"
chmod +x "$dir/container/setarch"
printf '#!/bin/sh\necho "$(cat /proc/self/personality) ${LD_PRELOAD##*/}"\n' >"$dir/shows"
chmod +x "$dir/shows"
expect "setarch works: a fixed layout" fixed "$("$arch" --layout)"
for bits in 32 64; do
  guard=
  [ "$bits" = 32 ] || guard=wine-heap-guard.so
  expect "setarch refused: the $bits-bit loader starts randomised${guard:+ with the guard}" "00000000 $guard" \
    "$(env -u CTEST_RESOURCE_GROUP_0_DESK -u ORVANT_WINE_LAYOUT PATH="$dir/container:$PATH" ORVANT_WINE_ARCH=$bits \
      ORVANT_WINE32_LOADER="$dir/shows" ORVANT_WINE64_LOADER="$dir/shows" "$(dirname "$arch")/wine-exec" no-program \
      2>"$dir/err")"
  expect "setarch refused: said once, in one line ($bits-bit)" 1 "$(grep -c 'setarch cannot turn' "$dir/err")"
done

# The guard, against a stand-in loader linked like Debian's (not
# position-independent, at a fixed address) and started without
# randomisation, so its heap follows it: at 0x7d000000 it runs once; at
# 0x7ffd0000 its heap starts within reach of the shared user data, and it
# is started again until the guard gives up, saying so.
if setarch "$(uname -m)" --addr-no-randomize true 2>/dev/null; then
  cc -shared -fPIC -o "$dir/guard.so" "$(dirname "$arch")/wine-heap-guard.c"
  printf '#include <stdio.h>\n#include <stdlib.h>\nint main(void) { const char *s = getenv("ORVANT_HEAP_GUARD_STARTS"); puts(s ? s : "-"); return 0; }\n' \
    >"$dir/starts.c"
  for at in 0x7d000000:- 0x7ffd0000:15; do
    cc -no-pie -Wl,-Ttext-segment="${at%:*}" -o "$dir/starts" "$dir/starts.c"
    expect "the guard, a heap after a loader at ${at%:*}: earlier starts" "${at#*:}" \
      "$(LD_PRELOAD="$dir/guard.so" setarch "$(uname -m)" --addr-no-randomize "$dir/starts" 2>/dev/null)"
  done
else
  echo "skipped: the heap guard's restarts (setarch is refused here)"
fi

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
