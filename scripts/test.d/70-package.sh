# The release packages as their users get them (scripts/package into dist/): the Debian package
# installed with apt, the static Linux archive unpacked, the Windows zip unpacked and its korva.exe
# run under Wine with Direct3D switched off; each converts the bundled example to the bytes the
# tested Linux korva writes. The build trees are the test layers' (nothing to compile when they ran
# first): the DLL in the zip is the windows layer's, the Linux korva the linux layer's (static as
# the release preset's; only the release preset maps build paths away), both stripped.
# Reproducibility (scripts/package --check, two whole release builds) is not run here.
source "$KORVA_ROOT/scripts/lib/wine.sh"

korva_check "package: scripts/package" "$KORVA_ROOT/scripts/package" --linux-preset linux || exit 1
korva_build linux korva || exit 1

dist="$KORVA_ROOT/dist"
version="$(sed -n 's/^project(KORVA_Tools VERSION \([0-9.]*\) .*/\1/p' "$KORVA_ROOT/CMakeLists.txt")"
work="$KORVA_WORK/package"
example="$KORVA_ROOT/examples"
mkdir -p "$work/reference"
reference="$work/reference/crane.dbo"
korva_check "package: the tested korva converts the example" \
  "$(korva_binary_dir linux)/tools/korva/korva" convert -q "$example/crane.ms3d" -o "$reference"

korva_check "package: SHA256SUMS" bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' _ "$dist"

# converts_example KORVA DIR: the example copied into DIR, converted there, the same bytes.
converts_example() {
  mkdir -p "$2" && cp "$example/crane.ms3d" "$example/crane.bmp" "$2/" &&
    "$1" convert -q "$2/crane.ms3d" -o "$2/crane.dbo" && cmp "$reference" "$2/crane.dbo" &&
    "$1" --version | grep -qx "korva $version"
}

# The Debian package: installed, used, removed, as a user would (root or sudo).
deb="$dist/korva_${version}_amd64.deb"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo -n)
if [ -e /usr/bin/korva ] && ! dpkg -s korva >/dev/null 2>&1; then
  korva_record 0 1 "package: /usr/bin/korva exists and belongs to no package; not installing over it"
else
  korva_check "package: apt installs the .deb" \
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb"
  korva_check "package: the installed korva converts the example" converts_example /usr/bin/korva \
    "$work/deb"
  korva_check "package: the .deb holds the manual page, completion and docs" bash -c '
    files="$(dpkg -L korva)" &&
      for f in /usr/bin/korva /usr/share/man/man1/korva.1.gz \
        /usr/share/bash-completion/completions/korva /usr/share/doc/korva/changelog.gz \
        /usr/share/doc/korva/README.md; do
        grep -qx "$f" <<<"$files" || { echo "missing $f"; exit 1; }
      done && zcat /usr/share/man/man1/korva.1.gz | grep -q "^\.TH KORVA 1"'
  korva_check "package: apt removes it without a trace" bash -c '
    "$@" env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq korva &&
      ! dpkg -s korva >/dev/null 2>&1 && [ ! -e /usr/bin/korva ] &&
      [ ! -e /usr/share/doc/korva ] && [ ! -e /usr/share/man/man1/korva.1.gz ]' _ "${as_root[@]}"
fi

# The static archive: one folder, korva runs where it lies.
korva_check "package: the Linux archive unpacks and its korva converts the example" bash -c '
  mkdir -p "$1" && tar -xzf "$2" -C "$1" &&
    [ "$(ls "$1")" = "korva-$3-linux-x86_64" ] &&
    for f in korva korva.1 README.md CHANGELOG.md; do [ -f "$1/korva-$3-linux-x86_64/$f" ] || exit 1; done' \
  _ "$work/tar" "$dist/korva-$version-linux-x86_64.tar.gz" "$version" &&
  korva_check "package: the archived korva converts the example" converts_example \
    "$work/tar/korva-$version-linux-x86_64/korva" "$work/tar/run"

# The Windows zip.
zip="$dist/KORVA_Tools-$version-windows.zip"
unzipped="$work/zip/KORVA_Tools-$version-windows"
korva_check "package: the Windows zip unpacks with the DLL, korva.exe, README, changelog and example" \
  bash -c 'mkdir -p "$1" && cd "$1" && unzip -q "$2" &&
    for f in KORVA_Tools.dll korva.exe README.txt CHANGELOG.txt example/crane.ms3d example/crane.bmp; do
      [ -f "$3/$f" ] || { echo "missing $f"; exit 1; }
    done' _ "$work/zip" "$zip" "$unzipped" || exit 1

objdump=i686-w64-mingw32-objdump
korva_check "package: korva.exe imports nothing a fresh Windows lacks" bash -c '
  imports="$("$1" -p "$2" | sed -n "s/^[ \t]*DLL Name: //p" | tr A-Z a-z | sort -u)"
  echo "$imports"
  ! grep -qE "^(d3d|d3dx|libstdc|libgcc|libwinpthread)" <<<"$imports"' _ "$objdump" "$unzipped/korva.exe"
korva_check "package: version resources of the DLL and korva.exe" bash -c '
  for f in "$2/KORVA_Tools.dll" "$2/korva.exe"; do
    i686-w64-mingw32-windres -i "$f" -O rc 2>/dev/null | tr -d "\0" |
      grep -q "VALUE \"ProductVersion\", \"$1\"" || { echo "no version $1 in $f"; exit 1; }
  done' _ "$version" "$unzipped"
# The DLL the windows layer's programs loaded (the copy beside them) is the zip's: both stripped of
# debug information and of the release's link to it, byte for byte the same.
tested="$(korva_binary_dir windows)/tests/windows/KORVA_Tools.dll"
[ -f "$tested" ] || tested="$(korva_binary_dir windows)/src/KORVA_Tools.dll"
korva_check "package: the zip's DLL is the one the windows layer tested" bash -c '
  strip=(i686-w64-mingw32-objcopy --strip-debug --strip-unneeded --remove-section=.gnu_debuglink)
  "${strip[@]}" "$1" "$2/tested.dll" && "${strip[@]}" "$3" "$2/zipped.dll" &&
    cmp "$2/tested.dll" "$2/zipped.dll"' _ "$tested" "$work" "$unzipped/KORVA_Tools.dll"

if reason="$(korva_wine_unavailable)"; then
  korva_record 0 1 "package: $reason"
  exit 1
fi
korva_check "package: wine prefix" korva_wine_init || exit 1
# The Windows the zip is for may lack the DirectX runtime: with Direct3D switched off, korva.exe
# still converts the example (textures decoded by korva itself) to the Linux bytes.
zip_korva_converts() {
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;d3d9,d3dx9_27=d" korva_wine "$unzipped" korva.exe convert -q \
    'example\crane.ms3d' -o crane.dbo && cmp "$reference" "$unzipped/crane.dbo"
}
korva_check "package: korva.exe from the zip converts the example without Direct3D" zip_korva_converts
