# korva export against the glTF validator: the bundled sample, the shared real models and the
# generated inputs (MS3D models and DBO files of every vertex format), each as .glb and as .gltf
# with its .bin and images. Any validator error fails the layer; warnings are listed in the log.
korva_build linux korva korva_gltf_samples || exit 1
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  korva_record 0 1 "gltf: node or npm missing (run scripts/setup)"
  exit 1
fi
validator="$KORVA_ROOT/tests/gltf/validator"
korva_check "gltf: validator install (npm ci)" \
  bash -c "cd '$validator' && npm ci --no-audit --no-fund --loglevel=error" || exit 1

bin="$(korva_binary_dir linux)"
inputs="$KORVA_WORK/gltf/inputs"
mkdir -p "$inputs" "$KORVA_WORK/gltf/glb" "$KORVA_WORK/gltf/gltf"
cp "$KORVA_ROOT"/examples/* "$inputs/"
shared="$KORVA_ROOT/../shared/testdata/ms3d"
[ -d "$shared" ] && cp -r "$shared"/. "$inputs/"
chmod -R u+w "$inputs"
korva_check "gltf: generated inputs" "$bin/tests/korva_gltf_samples" "$inputs" || exit 1

models=()
for f in "$inputs"/*.ms3d "$inputs"/*.dbo; do [ -e "$f" ] && models+=("$f"); done
korva_check "gltf: export as .glb" "$bin/tools/korva/korva" export -q "${models[@]}" \
  -o "$KORVA_WORK/gltf/glb"
korva_check "gltf: export as .gltf" "$bin/tools/korva/korva" export -q --format gltf \
  "${models[@]}" -o "$KORVA_WORK/gltf/gltf"
korva_counted "gltf: validator" node "$validator/validate.js" \
  "$KORVA_WORK"/gltf/glb/*.glb "$KORVA_WORK"/gltf/gltf/*.gltf
