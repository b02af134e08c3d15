# The real DLL: its export table and imports (objdump), then the Windows test programs under Wine.
source "$KORVA_ROOT/scripts/lib/wine.sh"

# Only the product and its test programs: tools that are not part of the DLL do not gate it here.
korva_build windows KORVA_Tools korva_windows_tests || exit 1
win="$(korva_binary_dir windows)"
dll="$win/src/KORVA_Tools.dll"
def="$KORVA_ROOT/src/host/windows/KORVA_Tools.def"

korva_counted "windows: export table and imports" \
  bash "$KORVA_ROOT/tests/windows/check_dll_image.sh" "$dll" "$def"

if ! korva_wine_available; then
  korva_record 0 1 "windows: wine, xvfb-run or timeout missing (run scripts/setup)"
  exit 1
fi
if ! korva_check "windows: wine prefix" korva_wine_init; then exit 1; fi

# Every Windows test program: tests/windows builds them as korva_windows_*.exe next to a copy of the DLL.
found=0
for exe in "$win"/tests/windows/korva_windows_*.exe; do
  [ -e "$exe" ] || continue
  found=1
  korva_counted "windows: $(basename "$exe" .exe)" korva_wine "$(dirname "$exe")" "$(basename "$exe")"
done
[ "$found" -eq 1 ] || korva_record 0 1 "windows: no test programs built"
