# korva export against the glTF validator: the bundled sample, the shared real models and the
# generated inputs (MS3D models and DBO files of every vertex format), each as .glb and as .gltf
# with its .bin and images. Any validator error fails the layer; warnings are listed in the log.
# Then the way back in: the glTF assets the reader's tests are built from are validated, and they
# and every exported asset are converted to DBO files that `korva check` accepts and that convert
# to themselves byte for byte; those DBO files export to valid assets again, which draw the same
# pictures at rest and at frames of their animation.
korva_build linux korva korva_gltf_samples korva_gltf_pipeline_compare || exit 1
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  korva_record 0 1 "gltf: node or npm missing (run scripts/setup)"
  exit 1
fi
validator="$KORVA_ROOT/tests/gltf/validator"
korva_check "gltf: validator install (npm ci)" \
  bash -c "cd '$validator' && npm ci --no-audit --no-fund --loglevel=error" || exit 1

bin="$(korva_binary_dir linux)"
inputs="$KORVA_WORK/gltf/inputs"
cases="$KORVA_WORK/gltf/cases"
mkdir -p "$inputs" "$cases" "$KORVA_WORK/gltf/glb" "$KORVA_WORK/gltf/gltf"
cp "$KORVA_ROOT"/examples/* "$inputs/"
shared="$KORVA_ROOT/../shared/testdata/ms3d"
[ -d "$shared" ] && cp -r "$shared"/. "$inputs/"
chmod -R u+w "$inputs"
korva_check "gltf: generated inputs" "$bin/tests/korva_gltf_samples" "$inputs" "$cases" || exit 1

models=()
for f in "$inputs"/*.ms3d "$inputs"/*.dbo; do [ -e "$f" ] && models+=("$f"); done
korva_check "gltf: export as .glb" "$bin/tools/korva/korva" export -q "${models[@]}" \
  -o "$KORVA_WORK/gltf/glb"
korva_check "gltf: export as .gltf" "$bin/tools/korva/korva" export -q --format gltf \
  "${models[@]}" -o "$KORVA_WORK/gltf/gltf"
korva_counted "gltf: validator" node "$validator/validate.js" \
  "$KORVA_WORK"/gltf/glb/*.glb "$KORVA_WORK"/gltf/gltf/*.gltf

korva_counted "gltf: validator of the reader's inputs" node "$validator/validate.js" \
  "$cases"/*.glb "$cases"/*.gltf

# Each set of glTF assets read back into DBO files, checked, and saved again unchanged.
korva="$bin/tools/korva/korva"
back="$KORVA_WORK/gltf/back"
for set in cases glb gltf; do
  mkdir -p "$back/$set" "$back/$set-again"
  assets=()
  for f in "$KORVA_WORK/gltf/$set"/*.glb "$KORVA_WORK/gltf/$set"/*.gltf; do
    [ -e "$f" ] && assets+=("$f")
  done
  korva_check "gltf: convert $set to DBO" "$korva" convert -q "${assets[@]}" -o "$back/$set"
  korva_check "gltf: check $set DBO files" "$korva" check "$back/$set"/*.dbo
  korva_check "gltf: $set DBO files save unchanged" bash -c '
    "$1" convert -q "$2"/*.dbo -o "$3" >/dev/null &&
      for f in "$2"/*.dbo; do cmp "$f" "$3/$(basename "$f")" || exit 1; done' \
    _ "$korva" "$back/$set" "$back/$set-again"
done

# The reader's inputs, through the engine's format and out again: valid, and drawn the same.
mkdir -p "$back/export"
korva_check "gltf: export the read assets" "$korva" export -q "$back/cases"/*.dbo -o "$back/export"
korva_counted "gltf: validator of the re-exported assets" node "$validator/validate.js" \
  "$back/export"/*.glb
korva_check "gltf: re-exported assets draw the same" bash -c '
  korva="$1" dbo="$2" glb="$3"
  for f in "$dbo"/*.dbo; do
    name="$(basename "$f" .dbo)"
    for frame in rest 1 3; do
      option=(); [ "$frame" = rest ] || option=(--frame "$frame")
      "$korva" render -q "$f" -o "$glb/$name.$frame.dbo.png" --size 128 "${option[@]}" >/dev/null &&
        "$korva" render -q "$glb/$name.glb" -o "$glb/$name.$frame.glb.png" --size 128 \
          "${option[@]}" >/dev/null &&
        cmp -s "$glb/$name.$frame.dbo.png" "$glb/$name.$frame.glb.png" ||
        { echo "$name at $frame draws differently"; exit 1; }
    done
  done' _ "$korva" "$back/cases" "$back/export"

# Assets as users' pipelines rewrite them, made at test time by the tools pinned in
# tests/gltf/pipelines from the exported models: gltf-transform's Draco compression and WebP
# textures, gltfpack's quantization with texture transforms. Each must read as the object its
# original gives (triangle corner by corner, within 2e-3 of the size and of the texture
# coordinates' range; gltfpack's also at frames of the animation), and a WebP texture must arrive
# beside the DBO file as PNG. Skipped, and said so, where npm cannot install the tools. About 45 s.
pipelines="$KORVA_ROOT/tests/gltf/pipelines"
if ! (cd "$pipelines" && npm ci --no-audit --no-fund --loglevel=error) >"$KORVA_WORK/log.gltf_pipelines_npm" 2>&1; then
  printf '   skip  gltf: pipeline tools (npm ci failed: %s)\n' \
    "$(tail -n 1 "$KORVA_WORK/log.gltf_pipelines_npm")"
  korva_record 0 0 "gltf: pipeline tools skipped, npm ci failed"
  exit 0
fi
tools="$pipelines/node_modules/.bin"
pairs="$KORVA_WORK/gltf/draco"
mkdir -p "$pairs"
originals=()
for f in "$shared"/*.ms3d "$KORVA_ROOT"/examples/*.ms3d; do
  [ -e "$f" ] && originals+=("$KORVA_WORK/gltf/glb/$(basename "$f" .ms3d).glb")
done
korva_check "gltf: Draco compression of the exports (gltf-transform)" bash -c '
  tool="$1" pairs="$2"; shift 2
  for f in "$@"; do
    cp "$f" "$pairs/" && "$tool" draco "$f" "$pairs/$(basename "$f" .glb).draco.glb" || exit 1
  done' _ "$tools/gltf-transform" "$pairs" "${originals[@]}"
korva_check "gltf: Draco exports read as their originals" bash -c '
  compare="$1" pairs="$2"
  for draco in "$pairs"/*.draco.glb; do
    "$compare" "${draco%.draco.glb}.glb" "$draco" || exit 1
  done' _ "$bin/tests/korva_gltf_pipeline_compare" "$pairs"
# One file each: with a single input (no shared models beside the checkout) `-o` names a file.
korva_check "gltf: convert the Draco exports" bash -c '
  korva="$1" pairs="$2"
  for draco in "$pairs"/*.draco.glb; do
    "$korva" convert -q "$draco" -o "${draco%.glb}.dbo" || exit 1
  done' _ "$korva" "$pairs"

piped="$KORVA_WORK/gltf/pipelines"
mkdir -p "$piped/out"
korva_check "gltf: quantized by gltfpack reads as the original" bash -c '
  tools="$1" compare="$2" piped="$3"
  shift 3
  for original in "$@"; do
    name="$(basename "$original" .glb)"
    # -af 0 keeps the curves as written: resampled at its default 30 a second, a clip whose keys
    # lie between those samples is another animation (1.7% of the size on crane.ms3d), not
    # a different reading of the same one.
    "$tools/gltfpack" -af 0 -i "$original" -o "$piped/$name.packed.glb" >/dev/null &&
      "$compare" "$original" "$piped/$name.packed.glb" || exit 1
  done' _ "$tools" "$bin/tests/korva_gltf_pipeline_compare" "$piped" "$KORVA_WORK"/gltf/glb/*.glb
korva_check "gltf: WebP textures by gltf-transform arrive as PNG" bash -c '
  tools="$1" compare="$2" korva="$3" piped="$4" original="$5"
  "$tools/gltf-transform" webp "$original" "$piped/crane.webp.glb" >/dev/null &&
    "$compare" "$original" "$piped/crane.webp.glb" &&
    "$korva" convert -q "$piped/crane.webp.glb" -o "$piped/out/crane.dbo" >/dev/null &&
    [ "$(head -c 4 "$piped/out/crane_0.png" | tail -c 3)" = PNG ] &&
    ! ls "$piped/out"/*.webp 2>/dev/null' \
  _ "$tools" "$bin/tests/korva_gltf_pipeline_compare" "$korva" "$piped" "$KORVA_WORK/gltf/glb/crane.glb"
