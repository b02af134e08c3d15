#!/usr/bin/env bash
# korva.exe under Wine against the Linux korva: convert, info, check, dump --json and export of the
# bundled sample, the shared real models and any further files given (generated models and the
# textures they name), run the same way in two copies of their folder. The
# files written (DBO, glTF with its .bin and images) must be byte for byte the same, and so must the
# exit codes and the text printed, line endings aside. Each comparison is one check; ends with
# "N passed, M failed".
#
# Usage: korva_exe_check.sh LINUX_KORVA KORVA_EXE WORK_FOLDER [FILE...]   (WORK_FOLDER is made anew)
# Needs a booted Wine prefix (WINEPREFIX, see korva_wine_init in scripts/lib/wine.sh).
KORVA_ROOT="${KORVA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
source "$KORVA_ROOT/scripts/lib/wine.sh"

linux_korva="$1" korva_exe="$2" work="$3"
shift 3
rm -rf "$work"
mkdir -p "$work/linux" "$work/wine" "$work/out"
for side in linux wine; do
  cp "$KORVA_ROOT"/examples/crane.ms3d "$KORVA_ROOT"/examples/crane.bmp "$work/$side/"
  shared="$KORVA_ROOT/../shared/testdata/ms3d"
  [ -d "$shared" ] && cp -r "$shared"/. "$work/$side/"
  [ $# -eq 0 ] || cp "$@" "$work/$side/"
done
chmod -R u+w "$work"
names=()
for model in "$work"/linux/*.ms3d; do names+=("$(basename "$model")"); done

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() {
  failed=$((failed + 1))
  echo "FAILED: $*"
}

# run NAME ARGS...: the same command line in both folders, each side's exit code, stdout and stderr
# into files (Wine's output is never piped). Outputs are named after the inputs, beside them, so
# the paths printed are the same on both sides.
run() {
  local name="$1"
  shift
  (cd "$work/linux" && "$linux_korva" "$@" >"$work/out/$name.linux.out" 2>"$work/out/$name.linux.err"
    echo $? >"$work/out/$name.linux.rc")
  korva_wine "$work/wine" "$korva_exe" "$@" >"$work/out/$name.wine.out" 2>"$work/out/$name.wine.err"
  echo $? >"$work/out/$name.wine.rc"
  compare_text "$name"
}

# Lines of Wine's own (an X connection closed or lost as xvfb-run ends, in either of Xlib's two
# wordings, or refused by a display whose cookie it lacks, with the empty line Xlib ends that
# with; a background service of Wine that the emulator lost) are not korva's output; carriage
# returns are the line ends of Windows.
korva_text() {
  sed -e 's/\r$//' "$1" |
    awk 'refused && $0 == "" { refused = 0; next }
         { refused = 0 }
         /^Authorization required, but no authorization protocol specified$/ { refused = 1; next }
         { print }' |
    grep -v -e '^X connection to .* broken (explicit kill or server shutdown)\.$' \
      -e '^XIO:  fatal IO error [0-9]* (.*) on X server ".*"$' \
      -e '^ *after [0-9]* requests ([0-9]* known processed) with [0-9]* events remaining\.$' \
      -e '^qemu: uncaught target signal' || true
}

compare_text() {
  local name="$1" side
  for side in linux wine; do
    korva_text "$work/out/$name.$side.out" >"$work/out/$name.$side.out.txt"
    korva_text "$work/out/$name.$side.err" >"$work/out/$name.$side.err.txt"
  done
  if [ "$(cat "$work/out/$name.linux.rc")" != "$(cat "$work/out/$name.wine.rc")" ]; then
    fail "$name: exit code $(cat "$work/out/$name.wine.rc") under Wine," \
      "$(cat "$work/out/$name.linux.rc") on Linux"
    sed 's/^/  wine: /' "$work/out/$name.wine.err.txt" | head -n 20
  else
    pass
  fi
  for stream in out err; do
    if cmp -s "$work/out/$name.linux.$stream.txt" "$work/out/$name.wine.$stream.txt"; then
      pass
    else
      fail "$name: std$stream differs"
      diff "$work/out/$name.linux.$stream.txt" "$work/out/$name.wine.$stream.txt" | head -n 20
    fi
  done
}

# compare_files PATTERN...: every file of the patterns in the Linux folder, byte for byte.
compare_files() {
  local pattern file found=0
  for pattern in "$@"; do
    for file in "$work"/linux/$pattern; do
      [ -e "$file" ] || continue
      found=1
      local name="${file#"$work"/linux/}"
      if cmp -s "$file" "$work/wine/$name"; then pass; else fail "$name differs or is missing"; fi
    done
  done
  [ "$found" -eq 1 ] || fail "no file written for $*"
}

run convert convert "${names[@]}"
compare_files '*.dbo'
run info info "${names[@]}"
run check check "${names[@]}"
for name in "${names[@]}"; do run "dump-$name" dump --json "$name"; done
run export-glb export "${names[@]}"
compare_files '*.glb'
run export-gltf export --format gltf "${names[@]}"
compare_files '*.gltf' '*.bin' '*.png'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
