# Every fuzz target for a short while (30 s a slot by default, KORVA_FUZZ_SECONDS to change): any
# crash, leak, out-of-bounds read or failed object check fails the layer.
seconds="${KORVA_FUZZ_SECONDS:-30}"
korva_check "build linux-fuzz" bash -c "cd '$KORVA_ROOT' && cmake --preset linux-fuzz >/dev/null && \
  cmake --build build/linux-fuzz -j '$KORVA_JOBS' --target korva_fuzzers" || exit 1
# The texture target mutates input for the third-party image decoder, where it still finds faults of
# the decoder's own within minutes; its seeds and every fault found so far are replayed by the
# hardening tests, and `scripts/fuzz SECONDS texture` runs it.
for target in ms3d_reader import dbo_reader dbo_round_trip; do
  korva_check "fuzz: $target ${seconds}s" "$KORVA_ROOT/scripts/fuzz" "$seconds" "$target"
done
# The glTF reader's two targets share one target's time: the Draco one mutates streams for a
# library built without coverage instrumentation, so its runs find little more with time (4/9).
draco_seconds=$((seconds * 4 / 9))
reader_seconds=$((seconds - draco_seconds))
korva_check "fuzz: gltf_reader ${reader_seconds}s" "$KORVA_ROOT/scripts/fuzz" "$reader_seconds" \
  gltf_reader
korva_check "fuzz: gltf_draco ${draco_seconds}s" "$KORVA_ROOT/scripts/fuzz" "$draco_seconds" \
  gltf_draco
# The JSON tape and the meshopt decoders are small and fast (hundreds of thousands of runs in a
# few seconds): they share one target's time, two thirds and one third, so the layer costs no more.
json_seconds=$((seconds * 2 / 3))
meshopt_seconds=$((seconds - json_seconds))
korva_check "fuzz: gltf_json ${json_seconds}s" "$KORVA_ROOT/scripts/fuzz" "$json_seconds" gltf_json
korva_check "fuzz: meshopt_decode ${meshopt_seconds}s" "$KORVA_ROOT/scripts/fuzz" \
  "$meshopt_seconds" meshopt_decode
