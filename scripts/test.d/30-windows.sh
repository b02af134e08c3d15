# The real DLL: its export table and imports (objdump), then the Windows test programs under Wine,
# and the cross-check of what the DLL makes under Wine against what the Linux build makes.
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

# The Linux build's files for every model (real, bundled and generated), written before the Wine
# run: korva_windows_host_tests finds them through KORVA_CROSS_DIR (a Windows path: Wine's Z: is
# the root) and writes its own DBO files beside them.
cross="$KORVA_WORK/cross"
crosscheck="$(korva_binary_dir linux)/tests/crosscheck"
if korva_build linux korva_cross_reference korva_dbo_compare; then
  mkdir -p "$cross/models" "$cross/linux"
  shared="$KORVA_ROOT/../shared/testdata/ms3d"
  [ -d "$shared" ] && cp -r "$shared"/. "$cross/models/"
  cp "$KORVA_ROOT"/examples/crane.ms3d "$KORVA_ROOT"/examples/crane.bmp "$cross/models/"
  chmod -R u+w "$cross/models"
  if korva_check "windows: Linux reference files" \
    "$crosscheck/korva_cross_reference" "$cross/models" "$cross/linux"; then
    export KORVA_CROSS_DIR="Z:$cross"
  fi
fi

# Every Windows test program: tests/windows builds them as korva_windows_*.exe next to a copy of the DLL.
found=0
for exe in "$win"/tests/windows/korva_windows_*.exe; do
  [ -e "$exe" ] || continue
  found=1
  korva_counted "windows: $(basename "$exe" .exe)" korva_wine "$(dirname "$exe")" "$(basename "$exe")"
done
[ "$found" -eq 1 ] || korva_record 0 1 "windows: no test programs built"

# Byte-identical but for the float values of the utility library's rotations, which may differ by a
# fraction of a unit in the last place (half a ULP at unit scale seen; the bound leaves room).
if [ -n "${KORVA_CROSS_DIR:-}" ]; then
  korva_counted "windows: DBO files of the Windows and Linux builds" \
    "$crosscheck/korva_dbo_compare" --max-ulp 2 "$cross/linux" "$cross/wine"
fi

# korva.exe, the tool engine users run on Windows, against the Linux korva (tests/windows).
if korva_build windows korva && korva_build linux korva; then
  korva_counted "windows: korva.exe against the Linux korva" \
    bash "$KORVA_ROOT/tests/windows/korva_exe_check.sh" "$(korva_binary_dir linux)/tools/korva/korva" \
    "$win/tools/korva/korva.exe" "$KORVA_WORK/korva_exe"
fi
