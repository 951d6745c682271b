#!/usr/bin/env bash
# The release's check of a built program (scripts/pe-check), against a
# stand-in objdump that shows the headers of the 32-bit program as built
# (objdump -p, the lines the check reads), each case changed by a sed edit.
#   tests/scripts/pe_check_test.sh PATH/TO/pe-check
set -uo pipefail
pe_check=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
. "$(dirname "${BASH_SOURCE[0]}")/expect.bash"

cat >"$dir/as-built" <<'HEADERS'
Magic			010b	(PE32)
Subsystem		00000002	(Windows GUI)
	DLL Name: COMCTL32.DLL
	DLL Name: GDI32.dll
	DLL Name: KERNEL32.dll
	vma:  Hint/Ord Member-Name Bound-To
	5de9c	  593  GetLastError
	DLL Name: msvcrt.dll
	DLL Name: USER32.dll
The .rsrc Resource Directory section:
000  Type Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 5
010   Entry: ID: 0x000002, Value: 0x80000038
038    Name Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 1, IDs: 0
048     Entry: name: [val: 80000128 len 6]: KEYPAD, Value: 0x80000050
050      Language Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1
060       Entry: ID: 0x000409, Value: 0x000148
148        Leaf: Addr: 0x05f198, Size: 0x05dd78, Codepage: 0
018   Entry: ID: 0x000003, Value: 0x80000068
068    Name Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1
078     Entry: ID: 0x000001, Value: 0x80000080
080      Language Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1
090       Entry: ID: 0x000409, Value: 0x000158
158        Leaf: Addr: 0x0bcf10, Size: 0x0002e8, Codepage: 0
020   Entry: ID: 0x00000e, Value: 0x80000098
098    Name Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 1, IDs: 0
0a8     Entry: name: [val: 80000136 len 8]: MAINICON, Value: 0x800000b0
0b0      Language Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1
0c0       Entry: ID: 0x000409, Value: 0x000168
168        Leaf: Addr: 0x0bd1f8, Size: 0x000014, Codepage: 0
028   Entry: ID: 0x000010, Value: 0x800000c8
0c8    Name Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1
0d8     Entry: ID: 0x000001, Value: 0x800000e0
0e0      Language Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1
0f0       Entry: ID: 0x000409, Value: 0x000178
178        Leaf: Addr: 0x0bd210, Size: 0x000294, Codepage: 0
030   Entry: ID: 0x000018, Value: 0x800000f8
0f8    Name Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1
108     Entry: ID: 0x000001, Value: 0x80000110
110      Language Table: Char: 0, Time: 00000000, Ver: 0/0, Num Names: 0, IDs: 1
120       Entry: ID: 0x000409, Value: 0x000188
188        Leaf: Addr: 0x0bd4a8, Size: 0x00065a, Codepage: 0
 String table starts at offset: 0x128
HEADERS
printf '#!/bin/sh\ncat "%s"\n' "$dir/headers" >"$dir/objdump"
chmod +x "$dir/objdump"

# name|build checked|sed edit of the headers|what the check says (then it exits 1), or
# nothing (it exits 0)
cases=(
  "as built|32||"
  "a MinGW run-time DLL beside it|32|/DLL Name: msvcrt/{p;s/msvcrt/libwinpthread-1/}|imports libwinpthread-1.dll, which is no Windows system DLL"
  "a system DLL named in capitals|32|s/msvcrt.dll/MSVCRT.DLL/|"
  "a function newer than Windows 7|32|s/GetLastError/GetSystemTimePreciseAsFileTime/|imports GetSystemTimePreciseAsFileTime from kernel32.dll, which is not on the list of functions Windows 7 has (scripts/windows7-imports)"
  "the 32-bit program as the 64-bit one|64||not a PE32+ program: Magic			010b	(PE32)"
  "a console program|32|s/00000002	(Windows GUI)/00000003	(Windows CUI)/|not a Windows GUI program: Subsystem		00000003	(Windows CUI)"
  "no manifest|32|s/ID: 0x000018/ID: 0x000017/|lacks the manifest"
  "the picture under another name|32|s/: KEYPAD,/: KEYPAD2,/|lacks the keypad picture"
  "no icon|32|s/ID: 0x00000e/ID: 0x00000f/|lacks the icon"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name bits edit said <<<"$c"
  sed -e "$edit" "$dir/as-built" >"$dir/headers"
  said=$(printf '%b' "$said")
  expected=$([ -z "$said" ] && echo 0 || echo "1 pe-check: prog.exe: $said")
  actual=$(ORVANT_OBJDUMP="$dir/objdump" "$pe_check" prog.exe "$bits" 2>&1)
  status=$?
  expect "$name" "$expected" "$status${actual:+ $actual}"
done

if [ "$failures" -eq 0 ]; then echo "all passed"; else exit 1; fi
