# The 32-bit Linux build, the DLL's twin (under user-mode emulation where the machine runs no
# 32-bit programs): the plug-in's and the standalone host's tests, then korva of both Linux builds
# on the same inputs, which must print and write the same bytes (DBO files saved again included).
# The tool's own tests (cli, render, gltf) run in the 64-bit layers; korva's agreement stands for
# them here.
plugin_tests=(korva_model_tests korva_binding_tests korva_ms3d_tests korva_import_tests
  korva_dbo_tests korva_commands_tests korva_standalone_tests korva_integration_tests
  korva_hardening_tests korva_crosscheck_tests)
korva_build linux32 korva korva_cross_reference "${plugin_tests[@]}" || exit 1
korva_ctest linux32 -R "^($(IFS='|'; echo "${plugin_tests[*]}"))\$"

korva_build linux korva korva_cross_reference korva_gltf_samples || exit 1
inputs="$KORVA_WORK/twins/inputs"
mkdir -p "$inputs" "$KORVA_WORK/twins/reference"
cp "$KORVA_ROOT"/examples/* "$inputs/"
shared="$KORVA_ROOT/../shared/testdata/ms3d"
[ -d "$shared" ] && cp -r "$shared"/. "$inputs/"
chmod -R u+w "$inputs"
bin="$(korva_binary_dir linux)"
# The generated models of the cross-check and the generated DBO files of the glTF layer.
korva_check "linux32: generated inputs" bash -c "'$bin/tests/crosscheck/korva_cross_reference' \
  '$inputs' '$KORVA_WORK/twins/reference' && '$bin/tests/korva_gltf_samples' '$inputs'" || exit 1
korva_counted "linux32: korva of both Linux builds prints and writes the same" \
  bash "$KORVA_ROOT/tests/crosscheck/compare_builds.sh" "$bin/tools/korva/korva" \
  "$(korva_binary_dir linux32)/tools/korva/korva" "$inputs" "$KORVA_WORK/twins/work"
