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

if reason="$(korva_wine_unavailable)"; then
  korva_record 0 1 "windows: $reason"
  exit 1
fi
if ! korva_check "windows: wine prefix" korva_wine_init; then exit 1; fi

# The Linux builds' files for every model (real, bundled and generated), written before the Wine
# run: korva_windows_host_tests finds the 64-bit build's through KORVA_CROSS_DIR (a Windows path:
# Wine's Z: is the root) and writes its own DBO files beside them. The 32-bit build, the DLL's twin,
# writes its own too: the two Linux builds must agree byte for byte.
cross="$KORVA_WORK/cross"
crosscheck="$(korva_binary_dir linux)/tests/crosscheck"
if korva_build linux korva_cross_reference korva_dbo_compare; then
  mkdir -p "$cross/models" "$cross/linux" "$cross/linux32"
  shared="$KORVA_ROOT/../shared/testdata/ms3d"
  [ -d "$shared" ] && cp -r "$shared"/. "$cross/models/"
  cp "$KORVA_ROOT"/examples/crane.ms3d "$KORVA_ROOT"/examples/crane.bmp "$cross/models/"
  chmod -R u+w "$cross/models"
  if korva_check "windows: Linux reference files" \
    "$crosscheck/korva_cross_reference" "$cross/models" "$cross/linux"; then
    export KORVA_CROSS_DIR="Z:$cross"
  fi
  if korva_build linux32 korva_cross_reference && korva_check "windows: 32-bit Linux reference files" \
    "$(korva_binary_dir linux32)/tests/crosscheck/korva_cross_reference" "$cross/models" "$cross/linux32"; then
    korva_counted "windows: DBO files of the 64-bit and 32-bit Linux builds" \
      "$crosscheck/korva_dbo_compare" "$cross/linux" "$cross/linux32"
    korva_check "windows: notices and command results of the 64-bit and 32-bit Linux builds" \
      diff -r -x '*.dbo' "$cross/linux" "$cross/linux32"
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

# korva.exe, the tool engine users run on Windows, against the Linux korva (tests/windows), with
# one generated model whose texture is named by a path on its author's machine.
generated=()
for file in texture_author_path.ms3d name.bmp; do
  [ -f "$cross/models/$file" ] && generated+=("$cross/models/$file")
done
if korva_build windows korva && korva_build linux korva; then
  korva_counted "windows: korva.exe against the Linux korva" \
    bash "$KORVA_ROOT/tests/windows/korva_exe_check.sh" "$(korva_binary_dir linux)/tools/korva/korva" \
    "$win/tools/korva/korva.exe" "$KORVA_WORK/korva_exe" "${generated[@]}"
fi
