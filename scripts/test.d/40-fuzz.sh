# Every fuzz target for a short while (30 s a slot by default, KORVA_FUZZ_SECONDS to change): any
# crash, leak, out-of-bounds read or failed object check fails the layer. The slots run side by side,
# KORVA_JOBS at a time (each fuzzer keeps to one core), so each target gets its whole time while the
# layer takes a fraction of their sum.
seconds="${KORVA_FUZZ_SECONDS:-30}"
korva_check "build linux-fuzz" bash -c "cd '$KORVA_ROOT' && cmake --preset linux-fuzz >/dev/null && \
  cmake --build build/linux-fuzz -j '$KORVA_JOBS' --target korva_fuzzers" || exit 1
# The texture target mutates input for the third-party image decoder, where it still finds faults of
# the decoder's own within minutes; its seeds and every fault found so far are replayed by the
# hardening tests, and `scripts/fuzz SECONDS texture` runs it.
slots=()
for target in ms3d_reader import dbo_reader dbo_round_trip; do slots+=("$target $seconds"); done
# The glTF reader's two targets share one target's time: the Draco one mutates streams for a
# library built without coverage instrumentation, so its runs find little more with time (4/9).
draco_seconds=$((seconds * 4 / 9))
slots+=("gltf_reader $((seconds - draco_seconds))" "gltf_draco $draco_seconds")
# The JSON tape and the meshopt decoders are small and fast (hundreds of thousands of runs in a
# few seconds): they share one target's time, two thirds and one third, so the layer costs no more.
json_seconds=$((seconds * 2 / 3))
slots+=("gltf_json $json_seconds" "meshopt_decode $((seconds - json_seconds))")

for slot in "${slots[@]}"; do
  read -r target slot_seconds <<<"$slot"
  while [ "$(jobs -rp | wc -l)" -ge "$KORVA_JOBS" ]; do wait -n; done
  # Built above: the runs must not configure one build tree at the same time.
  korva_check "fuzz: $target ${slot_seconds}s" env KORVA_FUZZ_PREBUILT=1 \
    "$KORVA_ROOT/scripts/fuzz" "$slot_seconds" "$target" &
done
wait
