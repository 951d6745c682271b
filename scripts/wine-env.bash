# Sourced by every script that runs Wine: the loader, the server and the kind
# of prefix for the build named by ORVANT_WINE_ARCH, 32 (the product, the
# default) or 64. Each script calls the loader it needs itself: Debian's
# /usr/bin/wine picks the 32-bit loader whenever wine32 is installed, even on
# a host that cannot run it (scripts/wine-arch says which builds run here).
# A prefix is of one architecture, so each build has prefixes of its own
# (orvant_prefix).
orvant_wine_arch=${ORVANT_WINE_ARCH:-32}
case $orvant_wine_arch in
  32) export WINEARCH=win32 WINELOADER=${ORVANT_WINE32_LOADER:-/usr/lib/wine/wine} ;;
  64) export WINEARCH=win64 WINELOADER=${ORVANT_WINE64_LOADER:-/usr/lib/wine/wine64} ;;
  *)
    echo "${0##*/}: ORVANT_WINE_ARCH must be 32 or 64, not '$orvant_wine_arch'" >&2
    exit 2
    ;;
esac
export ORVANT_WINE_ARCH=$orvant_wine_arch
# One server serves programs of either size; the 64-bit one is there
# wherever wine64 is (and is the only one that runs on a 64-bit-only host).
if [ -x /usr/lib/wine/wineserver64 ]; then
  export WINESERVER=/usr/lib/wine/wineserver64
else
  export WINESERVER=/usr/lib/wine/wineserver32
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Wine's programs start with the kernel's address randomisation off (their
# children inherit that). Debian's 64-bit loader has no preloader to reserve
# Windows' fixed addresses before the C library starts: it sits at
# 0x7d000000, and a 64-bit kernel may put its heap anywhere in the gigabyte
# after it, so about one start in two thousand found its heap over the shared
# user data at 0x7ffe0000 and ended at once with exit status 1 ("failed to
# map the shared user data", shown only with WINEDEBUG=err). Without
# randomisation the heap follows the loader directly. The 32-bit loader's
# heap moves 32 MB at most and stays below that page.
# Where setarch may not change the personality (a container's default
# seccomp profile refuses it; scripts/wine-arch --layout decides, once, and
# says so), the 64-bit loader starts with scripts/wine-heap-guard.c preloaded
# instead, built here under build/: it starts the loader again before Wine
# runs whenever its heap starts within reach of that page.
# orvant_layout sets orvant_start, the words that start a loader.
orvant_env_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
orvant_layout() {
  if [ -z "${ORVANT_WINE_LAYOUT:-}" ]; then
    ORVANT_WINE_LAYOUT=$("$orvant_env_root/scripts/wine-arch" --layout) || return 1
    export ORVANT_WINE_LAYOUT
  fi
  orvant_start=(setarch "$(uname -m)" --addr-no-randomize)
  [ "$ORVANT_WINE_LAYOUT" = guarded ] || return 0
  orvant_start=()
  [ "$orvant_wine_arch" = 64 ] || return 0
  local source=$orvant_env_root/scripts/wine-heap-guard.c guard=$orvant_env_root/build/wine-heap-guard.so
  if [ ! "$guard" -nt "$source" ]; then
    mkdir -p "${guard%/*}" &&
      cc -shared -fPIC -O2 -o "$guard.$$" "$source" && mv -f "$guard.$$" "$guard" || {
      echo "${0##*/}: $source could not be built (cc, package gcc)" >&2
      return 1
    }
  fi
  orvant_start=(env "LD_PRELOAD=$guard${LD_PRELOAD:+ $LD_PRELOAD}")
}
wine() { orvant_layout && "${orvant_start[@]}" "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }

# The default prefix of a kind (run or test) for this build, under the
# repository's build/: the 32-bit build keeps the names it always had.
orvant_prefix() {
  local top=$1 kind=$2 bits=
  [ "$orvant_wine_arch" = 32 ] || bits=64
  case $kind in
    run) echo "$top/build/wine$bits-prefix" ;;
    test) echo "$top/build/wine$bits-test-prefix" ;;
  esac
}

# The build tree of this build's preset (windows or windows64).
orvant_win_build() {
  if [ "$orvant_wine_arch" = 32 ]; then echo "$1/build/win32"; else echo "$1/build/win64"; fi
}

# 32 or 64 for a Windows program (its PE header's machine), else nothing.
orvant_pe_bits() {
  local offset machine
  offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ') || return 0
  [ -n "$offset" ] || return 0
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  case $machine in
    014c) echo 32 ;;
    8664) echo 64 ;;
  esac
}

# Fails with the loader's own words when it cannot run on this host.
orvant_check_loader() {
  local out
  if ! out=$("$WINELOADER" --version 2>&1 </dev/null); then
    echo "${0##*/}: the $orvant_wine_arch-bit Wine loader $WINELOADER does not run here: ${out:-no output}" >&2
    if [ "$orvant_wine_arch" = 32 ]; then
      echo "${0##*/}: scripts/wine-arch says which builds this host runs; ORVANT_WINDOWS_BUILDS=64 (or ORVANT_WINE_ARCH=64) uses the 64-bit one" >&2
    else
      echo "${0##*/}: scripts/bootstrap installs wine64" >&2
    fi
    return 1
  fi
}

# The name Wine gives the folder of a prefix's server: after the prefix's
# device and inode.
orvant_server_dir() {
  local dev ino
  dev=$(stat -L -c %D "$1") && ino=$(stat -L -c %i "$1") || return 1
  printf 'server-%s-%x\n' "$dev" "$ino"
}

# The process id of the wineserver serving a prefix, if one runs. A server
# keeps the lock file of its directory open for its whole life. It works in
# that directory too, but not always: it steps into the prefix to save the
# registry, and elsewhere to open a file relative to a folder.
orvant_wineserver_pid() {
  local dir p
  dir=$(orvant_server_dir "$1") || return 0
  for p in $(pgrep wineserver || true); do
    if [ -n "$(find "/proc/$p/fd" -lname "*/$dir/lock" 2>/dev/null)" ]; then
      echo "$p"
      return 0
    fi
  done
}
