#!/usr/bin/env bash
# Checks the built DLL's image with objdump: its export table holds exactly the symbols of the .def
# (nothing missing, nothing extra such as C++ or runtime symbols leaking out), it names the module
# KORVA_Tools.dll, and it imports no runtime DLL of the cross toolchain (the host loads one file).
# Usage: check_dll_image.sh DLL DEF. Ends with "N passed, M failed".
set -uo pipefail
dll="$1"
def="$2"
objdump="${OBJDUMP:-i686-w64-mingw32-objdump}"
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "[       OK ] $1"; }
fail() { failed=$((failed + 1)); echo "[  FAILED  ] $1"; }
finish() { echo "$passed passed, $failed failed"; [ "$failed" -eq 0 ]; exit; }

if [ ! -f "$dll" ]; then fail "no DLL at $dll"; finish; fi
dump="$(mktemp)"
trap 'rm -f "$dump"' EXIT
if ! "$objdump" -p "$dll" >"$dump"; then fail "$objdump -p failed"; finish; fi

# Symbols listed after EXPORTS: the quoted external name, or the bare name.
listed="$(awk '
  /^[ \t]*;/ { next }
  /^[ \t]*EXPORTS/ { on = 1; next }
  on && match($0, /"[^"]+"/) { print substr($0, RSTART + 1, RLENGTH - 2); next }
  on && NF { print $1 }
' "$def" | sort)"
exported="$(awk '
  /^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
  on && /^[ \t]*\[ *[0-9]+\] / { sub(/^[ \t]*\[ *[0-9]+\] /, ""); print; next }
  on { exit }
' "$dump" | sort)"

missing="$(comm -23 <(echo "$listed") <(echo "$exported"))"
extra="$(comm -13 <(echo "$listed") <(echo "$exported"))"
# The host looks up these 27 by name: four lifecycle exports, sixteen commands, seven DBO functions.
count="$(echo "$exported" | grep -c .)"
if [ "$count" -eq 27 ]; then pass "27 exports"; else fail "$count exports, expected 27"; fi

if [ -z "$missing" ] && [ -z "$extra" ]; then
  pass "export table is exactly the $(echo "$listed" | grep -c .) listed symbols"
else
  fail "export table differs from the .def"
  [ -n "$missing" ] && echo "$missing" | sed 's/^/  missing: /'
  [ -n "$extra" ] && echo "$extra" | sed 's/^/  extra:   /'
fi

name="$(sed -n 's/^Name[ \t][ \t]*[0-9a-fA-F]*[ \t]*//p' "$dump" | head -n 1)"
if [ "$name" = "KORVA_Tools.dll" ]; then pass "module name"; else fail "module name is '$name'"; fi

runtime="$(sed -n 's/^[ \t]*DLL Name: //p' "$dump" | grep -iE '^(libstdc\+\+|libgcc|libwinpthread)' || true)"
if [ -z "$runtime" ]; then
  pass "no toolchain runtime DLL imported"
else
  fail "imports toolchain runtime DLLs: $(echo $runtime)"
fi
finish
