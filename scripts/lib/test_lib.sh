# Helpers for scripts/test and its layers (scripts/test.d/*.sh). Sourced, never run.
#
# Every result is one line appended to $KORVA_RESULTS ("<passed> <failed> <name>"), so a layer can run in
# a subshell (or crash) without losing what it already recorded, and scripts/test sums the file at the
# end. GoogleTest executables add their test counts; every other check adds 1 passed or 1 failed.

KORVA_ROOT="${KORVA_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
KORVA_WORK="${KORVA_WORK:-$(mktemp -d /tmp/korva-test.XXXXXX)}"
KORVA_RESULTS="${KORVA_RESULTS:-$KORVA_WORK/results}"
KORVA_JOBS="${KORVA_JOBS:-$(nproc)}"
export KORVA_ROOT KORVA_WORK KORVA_RESULTS KORVA_JOBS
touch "$KORVA_RESULTS"

korva_log() { printf '== %s\n' "$*"; }

# korva_record PASSED FAILED NAME: adds counts to the summary and prints one line about them, with the
# seconds the check took when its caller set `elapsed` (CI's log then shows where its time goes).
korva_record() {
  local passed="$1" failed="$2"
  shift 2
  printf '%s %s %s\n' "$passed" "$failed" "$*" >>"$KORVA_RESULTS"
  local took="${elapsed:+, ${elapsed} s}"
  if [ "$failed" -eq 0 ]; then
    printf '   ok    %s (%s passed%s)\n' "$*" "$passed" "$took"
  else
    printf '   FAIL  %s (%s passed, %s failed%s)\n' "$*" "$passed" "$failed" "$took"
  fi
}

# korva_show_log FILE: the end of a log, for a failure.
korva_show_log() {
  sed -e 's/^/      | /' "$1" | tail -n "${KORVA_LOG_LINES:-60}"
}

# korva_check NAME CMD...: one non-GoogleTest check; passes when CMD exits 0. Output goes to a log that is
# shown only on failure.
korva_check() {
  local name="$1"
  shift
  local log="$KORVA_WORK/log.$(printf %s "$name" | tr -c 'A-Za-z0-9_.-' '_')"
  local start=$SECONDS elapsed
  if "$@" >"$log" 2>&1; then
    elapsed=$((SECONDS - start))
    korva_record 1 0 "$name"
  else
    elapsed=$((SECONDS - start))
    korva_record 0 1 "$name"
    korva_show_log "$log"
    return 1
  fi
}

# korva_build PRESET [TARGET...]: configures and builds a preset once per run (a second call for the same
# preset and targets is free); a failed build is one failed check.
korva_build() {
  local preset="$1"
  shift
  local key="$preset${*:+:$*}"
  local mark="$KORVA_WORK/built.$(printf %s "$key" | tr -c 'A-Za-z0-9_.-' '_')"
  [ -f "$mark.ok" ] && return 0
  [ -f "$mark.failed" ] && return 1
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  if korva_check "build $key" korva_build_now "$preset" "${targets[@]}"; then
    touch "$mark.ok"
  else
    touch "$mark.failed"
    return 1
  fi
}

korva_build_now() {
  local preset="$1"
  shift
  local fresh=()
  # A tree configured for the other word size (build/linux was i386 before it became native
  # 64-bit) found the other libraries: configure it anew.
  local arch=x86_64
  [ "$preset" = linux32 ] && arch=i386
  if [ "$preset" != windows ] && cat "$(korva_binary_dir "$preset")"/CMakeFiles/*/CMakeCXXCompiler.cmake 2>/dev/null |
    grep 'CMAKE_CXX_LIBRARY_ARCHITECTURE "' | grep -qv "\"$arch-"; then
    fresh=(--fresh)
  fi
  (cd "$KORVA_ROOT" && cmake --preset "$preset" "${fresh[@]}" &&
    cmake --build --preset "$preset" -j "$KORVA_JOBS" "$@")
}

# korva_binary_dir PRESET: where the preset builds.
korva_binary_dir() { echo "$KORVA_ROOT/build/$1"; }

# korva_gtest_xml_counts FILE: prints "<passed> <failed>" for one GoogleTest XML report. Skipped and
# disabled tests count as neither.
korva_gtest_xml_counts() {
  awk '
    /<testcase / { open = 1; bad = 0; run = ($0 ~ /result="completed"/ || $0 !~ /result=/) && $0 !~ /status="notrun"/ }
    open && /<failure/ { bad = 1 }
    open && /<skipped/ { run = 0 }
    open && (/<testcase [^>]*\/>/ || /<\/testcase>/) {
      if (run) { if (bad) f++; else p++ }
      open = 0
    }
    END { printf "%d %d\n", p, f }
  ' "$1"
}

# korva_ctest PRESET [CTEST ARGS...]: runs the preset's ctest. Each GoogleTest executable writes an XML
# report whose test counts are summed; a test that failed without a failing GoogleTest case (a crash, a
# timeout, a non-GoogleTest test) adds 1 failed, a passing test without a report adds 1 passed.
korva_ctest() {
  local preset="$1"
  shift
  local dir
  dir="$(korva_binary_dir "$preset")"
  local xml="$KORVA_WORK/gtest-$preset"
  local log="$KORVA_WORK/ctest-$preset.log"
  rm -rf "$xml" && mkdir -p "$xml"
  local start=$SECONDS
  (cd "$dir" && GTEST_OUTPUT="xml:$xml/" ctest --output-on-failure --timeout "${KORVA_TEST_TIMEOUT:-600}" \
    -j "$KORVA_JOBS" --output-junit "$xml/ctest.junit" "$@") >"$log" 2>&1
  local rc=$?
  korva_log "ctest $preset took $((SECONDS - start)) s"
  if [ ! -s "$xml/ctest.junit" ]; then
    korva_record 0 1 "ctest $preset (no results)"
    korva_show_log "$log"
    return 1
  fi
  local any_failed=0 name status counts p f
  # One <testcase name="..." ... status="run|fail|...">  per ctest test.
  while read -r name status; do
    if [ -f "$xml/$name.xml" ]; then
      counts="$(korva_gtest_xml_counts "$xml/$name.xml")"
      p="${counts% *}"
      f="${counts#* }"
      if [ "$status" != run ] && [ "$f" -eq 0 ]; then f=1; fi
    elif [ "$status" = run ]; then
      p=1 f=0
    else
      p=0 f=1
    fi
    [ "$f" -ne 0 ] && any_failed=1
    korva_record "$p" "$f" "$preset: $name"
  done < <(sed -n 's/.*<testcase name="\([^"]*\)".* status="\([^"]*\)".*/\1 \2/p' "$xml/ctest.junit")
  if [ "$any_failed" -ne 0 ] || [ "$rc" -ne 0 ]; then
    grep -E '^\s*[0-9]+ - |tests passed|Failed|\*\*\*' "$log" | tail -n 20 | sed 's/^/      | /'
    [ "$any_failed" -eq 0 ] && korva_record 0 1 "ctest $preset (exit $rc)"
    return 1
  fi
}

# korva_summary_counts FILE: prints "<passed> <failed>" from the last "N passed, M failed" line of a log,
# or nothing when there is none.
korva_summary_counts() {
  tr -d '\r' <"$1" | sed -n 's/^\([0-9][0-9]*\) passed, \([0-9][0-9]*\) failed$/\1 \2/p' | tail -n 1
}

# korva_counted NAME CMD...: runs a program that ends with a "N passed, M failed" line and records its
# counts; a missing line or a non-zero exit with nothing failed adds 1 failed.
korva_counted() {
  local name="$1"
  shift
  local log="$KORVA_WORK/log.$(printf %s "$name" | tr -c 'A-Za-z0-9_.-' '_')"
  local start=$SECONDS
  "$@" >"$log" 2>&1
  local rc=$? elapsed=$((SECONDS - start))
  local counts p f
  counts="$(korva_summary_counts "$log")"
  if [ -z "$counts" ]; then
    p=0 f=1
  else
    p="${counts% *}"
    f="${counts#* }"
    if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
  fi
  korva_record "$p" "$f" "$name"
  if [ "$f" -ne 0 ]; then
    [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ] && echo "      | (timed out)"
    grep -vE '^\[ +(RUN|OK) +\]' "$log" | sed 's/^/      | /' | tail -n "${KORVA_LOG_LINES:-60}"
    return 1
  fi
}
