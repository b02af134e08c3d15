# Whether this machine runs 32-bit x86 (i386) programs, and whether through user-mode emulation.
# Sourced by scripts/setup and scripts/lib/wine.sh, never run. Needs no package beyond coreutils.
#
# A binfmt_misc entry is tried before the kernel's own loader, so once qemu-i386 is registered for
# i386 ELF programs every one of them (Wine too) runs through the emulator, even where the kernel
# could run it itself.

KORVA_BINFMT_DIR="${KORVA_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}"
KORVA_I386_EMULATOR=/usr/bin/qemu-i386-static

# The first 20 bytes of an i386 ELF program (class 32, little endian, type ET_EXEC, machine 386) and
# the mask that also takes ET_DYN (a position-independent program) and any OS/ABI byte; as binfmt_misc
# reads them. The same magic and mask as the emulator's own registration script.
korva_i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
korva_i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# korva_write_i386_probe FILE: writes a 123-byte i386 program that prints "i386" and exits with 42,
# built by hand so that no assembler, compiler or 32-bit library is needed to write it.
korva_write_i386_probe() {
  # ELF header: entry 0x08048054, one program header at 52.
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0'
  printf '\64\0\40\0\1\0\0\0\0\0\0\0'
  # One loadable segment: the whole file at 0x08048000, readable and executable.
  printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\173\0\0\0\173\0\0\0\5\0\0\0\0\20\0\0'
  # write(1, "i386\n", 5); exit(42): the message sits at 0x08048076, after these 34 bytes.
  printf '\270\4\0\0\0\273\1\0\0\0\271\166\200\4\10\272\5\0\0\0\315\200'
  printf '\270\1\0\0\0\273\52\0\0\0\315\200'
  printf 'i386\n'
}

# korva_i386_runs DIR: true when an i386 program written into DIR runs here (natively or through a
# registered emulator). Both its output and its exit status are checked: a shell that falls back to
# reading a program it cannot execute as a script, or a stand-in that exits 0, does not pass.
korva_i386_runs() {
  local probe="$1/i386-probe" out rc=0
  { mkdir -p "$1" && korva_write_i386_probe >"$probe" && chmod +x "$probe"; } 2>/dev/null || return 1
  out="$("$probe" 2>/dev/null </dev/null)" || rc=$?
  [ "$rc" -eq 42 ] && [ "$out" = i386 ]
}

# korva_binfmt_i386_entry: prints the name of the enabled binfmt_misc entry that takes i386 ELF
# programs (ET_EXEC or ET_DYN) and returns 0; returns 1 when there is none (or binfmt_misc is not
# mounted or is switched off).
korva_binfmt_i386_entry() {
  [ "$(cat "$KORVA_BINFMT_DIR/status" 2>/dev/null)" = enabled ] || return 1
  local header exec_header dyn_header entry
  # The probe's first 20 bytes, as the kernel compares them: hex, two digits a byte.
  header="$(printf '%b' "$korva_i386_magic" | od -An -tx1 -v | tr -d ' \n')"
  exec_header="$header"
  dyn_header="${header:0:32}03${header:34}"
  for entry in "$KORVA_BINFMT_DIR"/*; do
    case "$(basename "$entry")" in register | status) continue ;; esac
    if korva_binfmt_entry_takes "$entry" "$exec_header" || korva_binfmt_entry_takes "$entry" "$dyn_header"; then
      basename "$entry"
      return 0
    fi
  done
  return 1
}

# korva_binfmt_entry_takes ENTRY HEX: true when the enabled magic entry ENTRY matches a file that starts
# with the bytes HEX.
korva_binfmt_entry_takes() {
  local entry="$1" hex="$2" line enabled=0 offset=0 magic="" mask=""
  while read -r line; do
    case "$line" in
      enabled) enabled=1 ;;
      "offset "*) offset="${line#offset }" ;;
      "magic "*) magic="${line#magic }" ;;
      "mask "*) mask="${line#mask }" ;;
    esac
  done <"$entry" 2>/dev/null
  [ "$enabled" -eq 1 ] && [ -n "$magic" ] || return 1
  local i m b want
  for ((i = 0; i < ${#magic}; i += 2)); do
    m=0xff
    [ -n "$mask" ] && m="0x${mask:i:2}"
    b="${hex:offset * 2 + i:2}"
    [ -n "$b" ] || return 1
    want="0x${magic:i:2}"
    (((0x$b & m) == (want & m))) || return 1
  done
}

# korva_i386_emulated: true when i386 programs run through a registered emulator.
korva_i386_emulated() { korva_binfmt_i386_entry >/dev/null; }

# The library that 32-bit Wine preloads under the emulator (scripts/lib/wine_emulation.c, built by
# scripts/setup), one per ELF class: the dynamic loader replaces $LIB by lib/<its own multiarch name>.
KORVA_EMULATION_DIR="${KORVA_EMULATION_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/emulation}"
KORVA_WINE_EMULATION_LIBRARY=libkorva_wine_emulation.so
KORVA_WINE_EMULATION_PRELOAD="$KORVA_EMULATION_DIR/\$LIB/$KORVA_WINE_EMULATION_LIBRARY"
