#!/usr/bin/env bash
# ./release in a repository of its own whose git converts line ends
# (core.autocrlf=true), each program's build a stand-in (ORVANT_RELEASE_BUILD)
# whose bytes come from the exported sources, and dpkg-query a stand-in that
# names a package for each file and gives every package the version
# $VERSION: the build record in dist/ and in SHA256SUMS; --check names each
# package whose version differs from dist/'s record; a --check whose two
# builds differ fails and leaves dist/ as it was.
#   tests/scripts/release_test.sh PATH/TO/release
set -uo pipefail
release=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
. "$(dirname "${BASH_SOURCE[0]}")/expect.bash"

mkdir -p "$dir/repo/scripts" "$dir/bin"
cp "$release" "$dir/repo/release"
printf '#!/bin/sh\n' >"$dir/repo/scripts/bootstrap"
printf 'one\ntwo\n' >"$dir/repo/source"
# SOURCES FOLDER BITS; with LEAK set, the build folder leaks into the program.
cat >"$dir/build" <<'BUILD'
#!/bin/sh
mkdir -p "$2/app"
{ echo "program $3"; cat "$1/source"; echo "${LEAK:+$2}"; } >"$2/app/orvant-remote.exe"
echo "guide $3" >"$2/README.txt"
echo "CMAKE_PROJECT_VERSION:STATIC=1.0" >"$2/CMakeCache.txt"
echo "$0" >"$2/used"
BUILD
printf '#!/bin/sh\n[ "$1" = -S ] && { shift; for f; do echo "pkg-${f##*/}: $f"; done; exit; }
shift 2; for p; do echo "$p ${VERSION:-1}"; done\n' >"$dir/bin/dpkg-query"
chmod +x "$dir/repo/release" "$dir/repo/scripts/bootstrap" "$dir/build" "$dir/bin/dpkg-query"
git -C "$dir/repo" init -q
git -C "$dir/repo" add .
git -C "$dir/repo" -c user.name=test -c user.email=test@example.org commit -q -m release
git -C "$dir/repo" config core.autocrlf true
head=$(git -C "$dir/repo" rev-parse HEAD)
time=$(git -C "$dir/repo" log -1 --format=%ct)

# run ARGUMENTS...: sets out, status, dist (each file of dist/ and its sum)
run() {
  out=$(cd "$dir/repo" && PATH="$dir/bin:$PATH" ORVANT_RELEASE_BUILD="$dir/build" ./release "$@" 2>&1)
  status=$?
  dist=$(cd "$dir/repo/dist" 2>/dev/null && sha256sum -- *)
}
record=dist/orvant-remote-1.0.buildinfo

run
expect "a release: succeeds" 0 "$status"
expect "a release: the record" "commit $head|SOURCE_DATE_EPOCH $time|debian $(cat /etc/debian_version)|architecture $(dpkg --print-architecture)|pkg-build 1|pkg-zip 1" \
  "$(paste -s -d '|' "$dir/repo/$record")"
expect "a release: the record in SHA256SUMS" "$(cd "$dir/repo/dist" && sha256sum "${record#dist/}")" \
  "$(grep buildinfo "$dir/repo/dist/SHA256SUMS")"
expect "a release: the sources as committed, though git converts line ends" "program 64|one|two|" \
  "$(cat -v "$dir/repo/build/release/stage/orvant-remote-1.0-win64/orvant-remote.exe" | paste -s -d '|')"

VERSION=2 run --check
expect "a check with other versions: passes" 0 "$status"
expect "a check with other versions: names each" "release: pkg-build 2 here, 1 in $record|release: pkg-zip 2 here, 1 in $record" \
  "$(grep ' here, ' <<<"$out" | paste -s -d '|')"

before=$dist
LEAK=1 run --check
expect "a check of builds that differ: fails" 1 "$status"
expect "a check of builds that differ: names the program" "release: orvant-remote-1.0-win32/orvant-remote.exe differs" \
  "$(grep -o '^release: .*win32/orvant-remote.exe differs' <<<"$out")"
expect "a check of builds that differ: dist/ as it was" "$before" "$dist"

sed -i 's/^[0-9a-f]*\(  orvant-remote-1.0-win32.zip\)$/0\1/' "$dir/repo/dist/SHA256SUMS"
before=$(cd "$dir/repo/dist" && sha256sum -- *)
run --check
expect "a check against a release of this commit whose zip differs: fails" 1 "$status"
expect "a check against a release of this commit whose zip differs: names it" "  < 0  orvant-remote-1.0-win32.zip" \
  "$(grep '^  <' <<<"$out")"
expect "a check against a release of this commit whose zip differs: dist/ as it was" "$before" "$dist"

if [ "$failures" -eq 0 ]; then echo "all passed"; else exit 1; fi
