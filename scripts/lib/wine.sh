# Running Windows test programs under Wine, bounded in time. Sourced by test layers after test_lib.sh.
#
# One throw-away prefix per scripts/test run (KORVA_WINEPREFIX to reuse one across runs), created with
# `wineboot -i` on first use; its wineserver is stopped when scripts/test ends. Programs run under
# `xvfb-run -a` so message boxes and Direct3D have a display, and under `timeout`, so a box nobody closes
# or a hung program fails instead of stalling the run.

export WINEDEBUG=-all
# No prompts to install the .NET or HTML engines: nothing here needs them, and a prompt would hang.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
KORVA_WINE_TIMEOUT="${KORVA_WINE_TIMEOUT:-180}"
KORVA_XVFB_ARGS="${KORVA_XVFB_ARGS:--screen 0 1024x768x24 +extension GLX}"

korva_wine_available() {
  command -v wine >/dev/null && command -v xvfb-run >/dev/null && command -v timeout >/dev/null
}

# korva_wine_init: makes sure the prefix exists and is booted; returns non-zero when it cannot be.
korva_wine_init() {
  export WINEPREFIX="${KORVA_WINEPREFIX:-$KORVA_WORK/wineprefix}"
  [ -f "$WINEPREFIX/.korva-ready" ] && return 0
  mkdir -p "$WINEPREFIX"
  [ -n "${KORVA_CLEANUP:-}" ] && echo "WINEPREFIX='$WINEPREFIX' wineserver -k" >>"$KORVA_CLEANUP"
  if timeout -k 10 "${KORVA_WINEBOOT_TIMEOUT:-240}" xvfb-run -a -s "$KORVA_XVFB_ARGS" wineboot -i \
      >"$KORVA_WORK/wineboot.log" 2>&1 </dev/null; then
    # Let the boot's own processes finish before the first program starts.
    timeout 60 wineserver -w >/dev/null 2>&1 || true
    # A virtual desktop: windows (message boxes, the device window) live inside one X window that
    # Wine manages itself. Without it, with no window manager on the X server, closing a message
    # box can stall in the window system and the program never returns.
    timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
      timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f \
        >/dev/null 2>&1 || return 1
    timeout 60 wineserver -w >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.korva-ready"
  else
    cat "$KORVA_WORK/wineboot.log" >&2
    return 1
  fi
}

# korva_wine DIR PROGRAM [ARGS...]: runs a Windows program from DIR (so DLLs beside it are found first),
# killed after KORVA_WINE_TIMEOUT seconds (exit 124). Standard input is empty.
korva_wine() {
  local dir="$1"
  shift
  (
    cd "$dir" || exit 1
    timeout -k 10 "$KORVA_WINE_TIMEOUT" xvfb-run -a -s "$KORVA_XVFB_ARGS" wine "$@" </dev/null
    rc=$?
    # Whatever the program left behind (a box, a stuck thread) goes with it.
    [ "$rc" -ne 0 ] && timeout 20 wineserver -k >/dev/null 2>&1
    exit "$rc"
  )
}
