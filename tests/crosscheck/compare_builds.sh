#!/usr/bin/env bash
# Runs two builds of korva on the same inputs and checks that they print and write the same bytes:
# every command on every MS3D model and DBO file of a folder, then the DBO files that convert wrote,
# loaded and saved again. Each build runs in the same folder (a fresh copy of the inputs), so paths
# in its output are the same too. Ends with "N passed, M failed" (one check per command and input).
#
# Usage: compare_builds.sh FIRST_KORVA SECOND_KORVA INPUTS_FOLDER WORK_FOLDER
set -uo pipefail

if [ $# -ne 4 ]; then
  echo "usage: compare_builds.sh FIRST_KORVA SECOND_KORVA INPUTS_FOLDER WORK_FOLDER" >&2
  exit 2
fi
first="$(realpath "$1")" second="$(realpath "$2")" inputs="$3" work="$(realpath -m "$4")"

# The commands, one a line, FILE standing for the input's name and NAME for it without extension.
commands_for() {
  cat <<'EOF'
info FILE
check FILE
dump FILE
dump --json FILE
convert FILE -o out/NAME.dbo
render FILE -o out/NAME.png --size 96 --skeleton
render FILE -o out/NAME-sheet.png --size 48 --frames 0:12:4
export FILE -o out/NAME.glb
export FILE -o out/NAME.gltf
EOF
  case "$1" in
    *.ms3d)
      echo "dump --json --imported FILE"
      echo "render FILE -o out/NAME-compare.png --size 64 --compare --frame 5"
      ;;
  esac
}

# run KORVA LABEL: every command in a fresh copy of the inputs at $work/run, results kept in
# $work/LABEL: each command's stdout, stderr and exit status, and what it wrote.
run() {
  local korva="$1" label="$2" index=0 file name command line
  rm -rf "$work/run" "$work/$label"
  mkdir -p "$work/run/out" "$work/$label/results"
  cp -r "$inputs"/. "$work/run/"
  (
    cd "$work/run" || exit 1
    for file in *.ms3d *.dbo; do
      [ -e "$file" ] || continue
      name="${file%.*}"
      while read -r line; do
        command="${line//FILE/$file}"
        command="${command//NAME/$name}"
        index=$((index + 1))
        echo "$command" >"$work/$label/results/$index.command"
        # shellcheck disable=SC2086
        "$korva" $command >"$work/$label/results/$index.out" 2>"$work/$label/results/$index.err"
        echo "$?" >"$work/$label/results/$index.status"
      done < <(commands_for "$file")
    done
    # The DBO files this build wrote, loaded and saved again.
    for file in out/*.dbo; do
      [ -e "$file" ] || continue
      index=$((index + 1))
      command="convert $file -o ${file%.dbo}.again.dbo"
      echo "$command" >"$work/$label/results/$index.command"
      # shellcheck disable=SC2086
      "$korva" $command >"$work/$label/results/$index.out" 2>"$work/$label/results/$index.err"
      echo "$?" >"$work/$label/results/$index.status"
      cmp -s "$file" "${file%.dbo}.again.dbo" || echo "not the same after saving again" \
        >>"$work/$label/results/$index.err"
    done
  )
  mv "$work/run/out" "$work/$label/out"
}

run "$first" first
run "$second" second

passed=0
failed=0
for command_file in "$work"/first/results/*.command; do
  index="$(basename "$command_file" .command)"
  command="$(cat "$command_file")"
  problem=""
  for part in out err status; do
    if ! cmp -s "$work/first/results/$index.$part" "$work/second/results/$index.$part"; then
      problem+=" $part differs;"
    fi
  done
  if [ -z "$problem" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED korva $command:$problem"
  fi
done
# What the commands wrote, file by file.
while read -r written; do
  if cmp -s "$work/first/out/$written" "$work/second/out/$written"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED out/$written differs or is missing from the second build"
  fi
done < <(cd "$work/first/out" && find . -type f | sed 's|^\./||' | sort)
if [ "$(cd "$work/second/out" && find . -type f | wc -l)" != "$(cd "$work/first/out" && find . -type f | wc -l)" ]; then
  failed=$((failed + 1))
  echo "FAILED the second build wrote files the first did not"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
