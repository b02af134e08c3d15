# Running Windows test programs under Wine, bounded in time. Sourced by test layers after test_lib.sh.
#
# One throw-away prefix per scripts/test run (KORVA_WINEPREFIX to reuse one across runs), created with
# `wineboot -i` on first use; its wineserver is stopped when scripts/test ends. Programs run under
# `xvfb-run -a` so message boxes and Direct3D have a display, and under `timeout`, so a box nobody closes
# or a hung program fails instead of stalling the run.
#
# Wine is 32-bit. Where i386 programs run through user-mode emulation (scripts/setup registers it on
# machines that refuse them), Wine runs with a preloaded library that works around faults of the
# emulator (scripts/lib/wine_emulation.c), and every time limit allows for the emulator's pace. Wine's
# output goes to files, never into a pipe: its background services keep a pipe open after the
# program has ended.

source "$KORVA_ROOT/scripts/lib/emulation.sh"

export WINEDEBUG=-all
# No prompts to install the .NET or HTML engines: nothing here needs them, and a prompt would hang.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
KORVA_XVFB_ARGS="${KORVA_XVFB_ARGS:--screen 0 1024x768x24 +extension GLX}"
if korva_i386_emulated; then
  korva_wine_emulated=1
  # Measured under emulation on 2 busy cores: the prefix 40 s, the host test program 100 s.
  KORVA_WINE_TIMEOUT="${KORVA_WINE_TIMEOUT:-600}"
  KORVA_WINEBOOT_TIMEOUT="${KORVA_WINEBOOT_TIMEOUT:-300}"
  korva_wine_step_timeout=300
else
  korva_wine_emulated=0
  KORVA_WINE_TIMEOUT="${KORVA_WINE_TIMEOUT:-180}"
  KORVA_WINEBOOT_TIMEOUT="${KORVA_WINEBOOT_TIMEOUT:-240}"
  korva_wine_step_timeout=60
fi

# korva_wine_unavailable: prints why Wine cannot run here (one line) and returns 0; returns 1 when it can.
korva_wine_unavailable() {
  if ! command -v wine >/dev/null || ! command -v xvfb-run >/dev/null || ! command -v timeout >/dev/null; then
    echo "wine, xvfb-run or timeout missing (run scripts/setup)"
  elif ! korva_i386_runs "$KORVA_EMULATION_DIR"; then
    echo "Wine is a 32-bit x86 program and this machine runs none (run scripts/setup: it registers an emulator for them)"
  elif [ "$korva_wine_emulated" -eq 1 ] && ! korva_wine_emulation_library_built; then
    echo "32-bit programs run through an emulator, and the library Wine needs there is not built in $KORVA_EMULATION_DIR (run scripts/setup)"
  else
    return 1
  fi
}

# korva_wine_emulation_library_built: true when both classes of the preloaded library are there.
korva_wine_emulation_library_built() {
  local found=0 f
  for f in "$KORVA_EMULATION_DIR"/lib/*/"$KORVA_WINE_EMULATION_LIBRARY"; do
    [ -f "$f" ] && found=$((found + 1))
  done
  [ "$found" -ge 2 ]
}

# korva_wine_env CMD...: runs CMD (Wine, or a chain of programs that starts it) with the library Wine
# needs under the emulator; as it is elsewhere.
korva_wine_env() {
  if [ "$korva_wine_emulated" -eq 1 ]; then
    LD_PRELOAD="$KORVA_WINE_EMULATION_PRELOAD${LD_PRELOAD:+:$LD_PRELOAD}" "$@"
  else
    "$@"
  fi
}

# korva_wine_init: makes sure the prefix exists and is booted; returns non-zero when it cannot be.
korva_wine_init() {
  export WINEPREFIX="${KORVA_WINEPREFIX:-$KORVA_WORK/wineprefix}"
  if [ -f "$WINEPREFIX/.korva-ready" ]; then
    [ -n "${KORVA_CLEANUP:-}" ] && echo "WINEPREFIX='$WINEPREFIX' wineserver -k" >>"$KORVA_CLEANUP"
    korva_wine_server
    return 0
  fi
  mkdir -p "$WINEPREFIX"
  [ -n "${KORVA_CLEANUP:-}" ] && echo "WINEPREFIX='$WINEPREFIX' wineserver -k" >>"$KORVA_CLEANUP"
  if korva_wine_env timeout -k 10 "$KORVA_WINEBOOT_TIMEOUT" xvfb-run -a -s "$KORVA_XVFB_ARGS" wineboot -i \
      >"$KORVA_WORK/wineboot.log" 2>&1 </dev/null; then
    # Let the boot's own processes finish before the first program starts.
    korva_wine_env timeout "$korva_wine_step_timeout" wineserver -w >/dev/null 2>&1 || true
    # A virtual desktop: windows (message boxes, the device window) live inside one X window that
    # Wine manages itself. Without it, with no window manager on the X server, closing a message
    # box can stall in the window system and the program never returns.
    korva_wine_env timeout "$korva_wine_step_timeout" \
      wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
      korva_wine_env timeout "$korva_wine_step_timeout" \
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1 ||
      return 1
    korva_wine_env timeout "$korva_wine_step_timeout" wineserver -w >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.korva-ready"
    korva_wine_server
  else
    cat "$KORVA_WORK/wineboot.log" >&2
    return 1
  fi
}

# korva_wine_server: starts the prefix's wineserver to stay until it is killed. Left to itself the
# server ends a few seconds after its last program, and a program that starts as it ends loses its
# connection ("wine client error: ... Connection reset by peer"), which with one program after
# another, as the checks run them, happens now and then. Does nothing when one is running already.
korva_wine_server() {
  korva_wine_env timeout "$korva_wine_step_timeout" wineserver -p >/dev/null 2>&1 </dev/null || true
}

# korva_wine DIR PROGRAM [ARGS...]: runs a Windows program from DIR (so DLLs beside it are found first),
# killed after KORVA_WINE_TIMEOUT seconds (exit 124). Standard input is empty. A run that Wine itself
# broke (its program lost the connection to the wineserver: nothing of the program's ran or its
# output is cut) is run once more after a fresh server is started, and said so in
# $KORVA_WORK/wine_retries.log; what the caller gets is the output of the run that counts.
korva_wine() {
  local dir="$1"
  shift
  (
    cd "$dir" || exit 1
    out="$(mktemp "${KORVA_WORK:-/tmp}/wine-out.XXXXXX")" err="$(mktemp "${KORVA_WORK:-/tmp}/wine-err.XXXXXX")"
    for attempt in 1 2; do
      korva_wine_env timeout -k 10 "$KORVA_WINE_TIMEOUT" xvfb-run -a -s "$KORVA_XVFB_ARGS" wine "$@" \
        </dev/null >"$out" 2>"$err"
      rc=$?
      # Whatever the program left behind (a box, a stuck thread) goes with it.
      if [ "$rc" -ne 0 ]; then
        korva_wine_env timeout "$korva_wine_step_timeout" wineserver -k >/dev/null 2>&1
        korva_wine_server
      fi
      [ "$rc" -ne 0 ] && [ "$attempt" -eq 1 ] && grep -q '^wine client error:' "$err" || break
      echo "$(basename "$dir"): wine $*: exit $rc, $(grep -m1 '^wine client error:' "$err"); run again" \
        >>"${KORVA_WORK:-/tmp}/wine_retries.log"
    done
    cat "$out"
    cat "$err" >&2
    rm -f "$out" "$err"
    exit "$rc"
  )
}
