#!/usr/bin/env python3
"""Writes bench/RESULTS.md (to stdout) from the suite's JSON output.

Usage: bench_report.py DEFAULT.json HEAP_REUSE.json
Benchmark names are "<operation>/<kind>/<size>"; the medians of the repetitions are used.
Machine facts come from the environment (KORVA_BENCH_MACHINE, _COMMIT, _LOAD, _REPETITIONS).
"""
import json
import os
import sys
from collections import OrderedDict

# Operation -> (peer operation, how the ratio reads).
#   "faster": peer time / our time (how many times faster than the peer)
#   "speed":  floor time / our time (our speed as a share of the floor's)
PEERS = {
    "ms3d_read": ("peer_import", "faster"),
    "import": ("peer_import", "faster"),
    "dbo_to_block": ("peer_memcpy", "speed"),
    "dbo_to_object": ("peer_memcpy", "speed"),
}
ORDER = ["ms3d_read", "import", "peer_import", "dbo_to_block", "dbo_to_object", "peer_memcpy",
         "peer_alloc_memcpy", "save_dbo", "load_dbo", "repair"]
KINDS = ["mesh", "joints", "groups", "textured", "grids", "chain", "wide"]
ELEMENT = {"mesh": "vertex", "joints": "joint", "groups": "group", "textured": "group",
           "grids": "grid", "chain": "frame", "wide": "frame"}
MESH_HEAVY = ("mesh", "groups")
PROCESS_COUNTERS = ("convert_us", "peer_us", "info_us", "check_us", "true_us", "version_us")
PROCESS_OPERATIONS = ("process", "process_glb")
# Real models: "<operation>/<model name>", kept as (operation, name, 0).
REAL_OPERATIONS = ("real_import", "real_peer_import", "real_load_dbo", "real_memcpy")
REAL_COUNTERS = ("allocations", "allocated_bytes", "minor_faults", "vertices", "groups", "joints",
                 "keys")


def per_call(results):
    """The benchmarks of single calls on generated models; whole processes and real models have
    tables of their own."""
    return {k: v for k, v in results.items()
            if k[0] not in PROCESS_OPERATIONS and k[0] not in REAL_OPERATIONS}


def real_names(results):
    return sorted({k[1] for k in results if k[0] in REAL_OPERATIONS})


def real_table(results):
    names = real_names(results)
    if not names:
        return None
    lines = ["| Model | File | Groups, joints, keys | Import | Peer | Peer / import (≥ 2) "
             "| Allocations: import, peer | Page faults: import, peer | DBO file | `LoadObject` "
             "| memcpy | LoadObject / memcpy |",
             "|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for name in names:
        get = lambda op: results.get((op, name, 0))
        ours, peer, load_, copy = (get(op) for op in REAL_OPERATIONS)
        if ours is None or "error" in ours:
            lines.append("| %s | failed: %s |%s" % (name, (ours or {}).get("error", "not run"),
                                                     " |" * 10))
            continue
        c = ours["counters"]
        peer_ok = peer is not None and "error" not in peer
        loaded = load_ is not None and "error" not in load_ and copy is not None and "error" not in copy
        lines.append("| %s | %.1f KB | %d, %d, %d | %s | %s | %s | %.0f, %s | %.1f, %s | %s | %s | %s | %s |" % (
            name, ours["bytes"] / 1000, c.get("groups", 0), c.get("joints", 0), c.get("keys", 0),
            fmt_time(ours["time"]), fmt_time(peer["time"]) if peer_ok else "—",
            "%.2f×" % (peer["time"] / ours["time"]) if peer_ok else "—",
            c.get("allocations", 0), "%.0f" % peer["counters"].get("allocations", 0) if peer_ok else "—",
            c.get("minor_faults", 0), "%.1f" % peer["counters"].get("minor_faults", 0) if peer_ok else "—",
            "%.1f KB" % (load_["bytes"] / 1000) if loaded else "—",
            fmt_time(load_["time"]) if loaded else "—", fmt_time(copy["time"]) if loaded else "—",
            "%.0f×" % (load_["time"] / copy["time"]) if loaded else "—"))
    return "\n".join(lines)


def real_targets(results, label):
    names = [n for n in real_names(results)
             if "error" not in results.get(("real_import", n, 0), {"error": 1})
             and "error" not in results.get(("real_peer_import", n, 0), {"error": 1})]
    if not names:
        return "- Real models, import ≥ 2× the peer (%s): not measured." % label
    ratios = [(n, results[("real_peer_import", n, 0)]["time"] / results[("real_import", n, 0)]["time"])
              for n in names]
    return "- Real models, import ≥ 2× the peer (%s): met at %d of %d (%s)." % (
        label, sum(r >= 2 for _, r in ratios), len(ratios),
        ", ".join("%s %.2f×" % (n, r) for n, r in ratios))


def process_keys(results):
    """The whole-process benchmarks: MS3D models first, then .glb assets."""
    return sorted((k for k in results if k[0] in PROCESS_OPERATIONS),
                  key=lambda k: (PROCESS_OPERATIONS.index(k[0]), sort_key(k)))


def process_name(key):
    return "%s/%d%s" % (key[1], key[2], " (.glb)" if key[0] == "process_glb" else "")


def process_table(results):
    keys = process_keys(results)
    if not keys:
        return None
    lines = ["| Model | File | `korva convert` | Peer process | Peer / convert (≥ 2) | `korva info` "
             "| `korva check` | Info / check (≤ 1.5) | `korva --version` | `/bin/true` |",
             "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for key in keys:
        r = results[key]
        name = process_name(key)
        if "error" in r:
            lines.append("| %s | failed: %s | | | | | | | | |" % (name, r["error"]))
            continue
        p = r["processes"]
        lines.append("| %s | %.0f KB | %s | %s | %.2f× | %s | %s | %.2f | %s | %s |" % (
            name, r["bytes"] / 1000, fmt_time(p["convert_us"]), fmt_time(p["peer_us"]),
            p["peer_us"] / p["convert_us"], fmt_time(p["info_us"]), fmt_time(p["check_us"]),
            p["info_us"] / p["check_us"], fmt_time(p.get("version_us", float("nan"))),
            fmt_time(p.get("true_us", float("nan")))))
    return "\n".join(lines)


def process_targets(results, label):
    keys = [k for k in process_keys(results) if "error" not in results[k]]
    if not keys:
        return "- Whole process (%s): not measured." % label
    convert = ["%s %.2f×" % (process_name(k), results[k]["processes"]["peer_us"] /
                             results[k]["processes"]["convert_us"]) for k in keys]
    convert_met = sum(results[k]["processes"]["peer_us"] >= 2 * results[k]["processes"]["convert_us"]
                      for k in keys)
    info = ["%s %.2f" % (process_name(k), results[k]["processes"]["info_us"] /
                         results[k]["processes"]["check_us"]) for k in keys]
    info_met = sum(results[k]["processes"]["info_us"] <= 1.5 * results[k]["processes"]["check_us"]
                   for k in keys)
    return ("- `korva convert` ≥ 2× faster than the peer process (%s): met at %d of %d models (%s).\n"
            "- `korva info` within 1.5× of `korva check` (%s): met at %d of %d models (%s)." % (
                label, convert_met, len(keys), ", ".join(convert), label, info_met, len(keys),
                ", ".join(info)))


def load(path):
    """{(operation, kind, size): record} with the median, or the error message."""
    with open(path) as f:
        data = json.load(f)
    results = {}
    for b in data["benchmarks"]:
        run = b.get("run_name", b["name"]).replace("/manual_time", "")
        parts = [part for part in run.split("/") if not part.startswith("iterations:")]
        if len(parts) == 2 and parts[0] in REAL_OPERATIONS:
            key = (parts[0], parts[1], 0)
        elif len(parts) == 3:
            key = (parts[0], parts[1], int(parts[2]))
        else:
            continue
        if b.get("error_occurred"):
            results[key] = {"error": b.get("error_message", "") or "failed"}
            continue
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
        results[key] = {
            "time": b["real_time"] * scale,  # microseconds
            "bytes_per_second": b.get("bytes_per_second", 0.0),
            "items_per_second": b.get("items_per_second", 0.0),
            "elements": b.get("elements", 0.0),
            "bytes": b.get("bytes", 0.0),
            # Whole-process benchmarks: each program's mean wall time, in microseconds.
            "processes": {name: b[name] for name in PROCESS_COUNTERS if name in b},
            "counters": {name: b[name] for name in REAL_COUNTERS if name in b},
        }
    return data["context"], results


def sort_key(key):
    op, kind, size = key
    return (ORDER.index(op) if op in ORDER else 99, KINDS.index(kind) if kind in KINDS else 99,
            size)


def fmt_time(us):
    if us != us:  # not measured
        return "—"
    if us >= 10000:
        return "%.1f ms" % (us / 1000)
    if us >= 1000:
        return "%.2f ms" % (us / 1000)
    if us >= 10:
        return "%.0f µs" % us
    return "%.2f µs" % us


def fmt_rate(bytes_per_second):
    if not bytes_per_second:
        return "—"
    if bytes_per_second >= 1e9:
        return "%.2f GB/s" % (bytes_per_second / 1e9)
    return "%.0f MB/s" % (bytes_per_second / 1e6)


def fmt_items(items_per_second):
    if items_per_second >= 1e6:
        return "%.2f M/s" % (items_per_second / 1e6)
    if items_per_second >= 1e3:
        return "%.1f k/s" % (items_per_second / 1e3)
    return "%.0f /s" % items_per_second


def ratio(results, key):
    """(peer name, ratio text, ratio value) for a benchmark with a peer."""
    op, kind, size = key
    if op not in PEERS:
        return "—", "—", None
    peer_op, mode = PEERS[op]
    peer = results.get((peer_op, kind, size))
    ours = results[key]
    if peer is None:
        return peer_op, "—", None
    if "error" in peer:
        return peer_op, "peer failed", None
    value = peer["time"] / ours["time"]
    text = ("%.2f× faster" % value) if mode == "faster" else ("%.2f of memcpy" % value)
    return peer_op, text, value


def main_table(results):
    lines = ["| Benchmark | Time | Throughput | Elements/s | Peer | Peer time | Ratio |",
             "|---|---:|---:|---:|---|---:|---:|"]
    for key in sorted(results, key=sort_key):
        op, kind, size = key
        r = results[key]
        name = "%s/%s/%d" % key
        if "error" in r:
            lines.append("| %s | failed: %s | | | | | |" % (name, r["error"]))
            continue
        peer_op, text, _ = ratio(results, key)
        peer = results.get((peer_op, kind, size)) if peer_op != "—" else None
        peer_time = fmt_time(peer["time"]) if peer and "error" not in peer else "—"
        lines.append("| %s | %s | %s | %s | %s | %s | %s |" % (
            name, fmt_time(r["time"]), fmt_rate(r["bytes_per_second"]),
            fmt_items(r["items_per_second"]), peer_op, peer_time, text))
    return "\n".join(lines)


def families(results):
    """(operation, kind) -> [(size, time per element in ns)] in size order."""
    fam = OrderedDict()
    for key in sorted(results, key=sort_key):
        op, kind, size = key
        r = results[key]
        if "error" in r or not r["elements"]:
            continue
        fam.setdefault((op, kind), []).append((size, r["time"] * 1000.0 / r["elements"]))
    return fam


def shape(points):
    """(max/min spread, largest/smallest growth, verdict) of one family's time per element."""
    values = [ns for _, ns in points]
    spread = max(values) / min(values)
    growth = values[-1] / values[0]
    if spread <= 2.0:
        verdict = "yes"
    elif growth > 2.0 or max(values[1:] or values) / values[0] > 2.0:
        verdict = "no: grows ×%.2f" % (max(values) / values[0])
    else:
        verdict = "no: falls ×%.2f (fixed cost per call)" % (values[0] / min(values))
    return spread, growth, verdict


def growth_table(results):
    fam = families(results)
    lines = ["| Benchmark | Per | Time per element, smallest → largest size | Largest / smallest | Flat (max/min ≤ 2) |",
             "|---|---|---|---:|---|"]
    shapes = {}
    for (op, kind), points in fam.items():
        cells = ", ".join("%d: %s" % (size, fmt_ns(ns)) for size, ns in points)
        shapes[(op, kind)] = shape(points)
        spread, growth, verdict = shapes[(op, kind)]
        lines.append("| %s/%s | %s | %s | %.2f | %s |" % (
            op, kind, ELEMENT.get(kind, "element"), cells, growth, verdict))
    return "\n".join(lines), shapes


def fmt_ns(ns):
    if ns >= 1e6:
        return "%.2f ms" % (ns / 1e6)
    if ns >= 1e4:
        return "%.1f µs" % (ns / 1e3)
    if ns >= 100:
        return "%.0f ns" % ns
    return "%.1f ns" % ns


def target_lines(results, spreads, label):
    out = []
    imports = [k for k in results if k[0] == "import" and "error" not in results[k]]
    met, missed, unmeasured = [], [], []
    for key in sorted(imports, key=sort_key):
        _, _, value = ratio(results, key)
        name = "%s/%d" % (key[1], key[2])
        if value is None:
            unmeasured.append(name)
        elif value >= 3.0:
            met.append("%s %.2f×" % (name, value))
        else:
            missed.append("%s %.2f×" % (name, value))
    out.append("- Whole import ≥ 3× the peer (%s): met at %d of %d sizes with a peer figure%s%s%s." % (
        label, len(met), len(met) + len(missed),
        "; missed: " + ", ".join(missed) if missed else "",
        "; met: " + ", ".join(met) if met else "",
        "; no peer figure: " + ", ".join(unmeasured) if unmeasured else ""))
    dbo_met, dbo_missed = [], []
    for key in sorted(results, key=sort_key):
        if key[0] not in ("dbo_to_block", "dbo_to_object") or key[1] not in MESH_HEAVY:
            continue
        if "error" in results[key]:
            continue
        _, _, value = ratio(results, key)
        if value is None:
            continue
        name = "%s/%s/%d %.2f" % (key[0], key[1], key[2], value)
        (dbo_met if value >= 0.25 else dbo_missed).append(name)
    out.append("- DBO block write and read ≥ 1/4 of memcpy on mesh-heavy objects (%s): met %d of %d%s." % (
        label, len(dbo_met), len(dbo_met) + len(dbo_missed),
        "; missed: " + ", ".join(dbo_missed) if dbo_missed else ""))
    ours = {k: v for k, v in spreads.items() if not k[0].startswith("peer_")}
    grows = ["%s/%s: %s" % (k[0], k[1], v[2][4:]) for k, v in ours.items()
             if v[2].startswith("no: grows")]
    falls = ["%s/%s: %s" % (k[0], k[1], v[2][4:]) for k, v in ours.items()
             if v[2].startswith("no: falls")]
    flat = len(ours) - len(grows) - len(falls)
    out.append("- Time per element flat within 2× (%s): %d of %d benchmark families%s%s." % (
        label, flat, len(ours),
        "; growing with size: " + ", ".join(grows) if grows else "; none grows by more than 2×",
        "; falling with size: " + ", ".join(falls) if falls else ""))
    return "\n".join(out)


def main():
    context, default_all = load(sys.argv[1])
    reuse_context, reuse_all = load(sys.argv[2])
    default, reuse = per_call(default_all), per_call(reuse_all)
    machine = os.environ.get("KORVA_BENCH_MACHINE", "unknown machine")
    caches = ", ".join("L%d %s %d KiB" % (c["level"], c["type"], c["size"] // 1024)
                       for c in context.get("caches", []))
    default_growth, default_spreads = growth_table(default)
    reuse_growth, reuse_spreads = growth_table(reuse)
    repetitions = os.environ.get("KORVA_BENCH_REPETITIONS", "3")
    print("# Benchmark results")
    print()
    print("Written by `scripts/bench` from one run of `korva_bench` (build/bench, RelWithDebInfo, x86-64);")
    print("do not edit by hand.")
    print()
    print("- Machine: %s (%s); %s." % (machine, context.get("host_name", "?"), caches))
    print("- Load average at the end: %s (the run itself accounts for about 1). On a virtual" %
          os.environ.get("KORVA_BENCH_LOAD", "?"))
    print("  machine, work elsewhere on its host can still add noise.")
    pinning = os.environ.get("KORVA_BENCH_PINNING", "")
    print("- Run: %s, commit %s; `nice -n 0`%s, %s repetitions, medians of wall time (only the" % (
        context.get("date", "?"), os.environ.get("KORVA_BENCH_COMMIT", "?"),
        ", " + pinning if pinning else "", repetitions))
    print("  measured call is timed: building the inputs and releasing the results are not).")
    print("- Models are generated (see bench/bench_models.h) and read from a memory file system.")
    print("  mesh/N: one group of N vertices and N triangles; joints/N: N joints with 100 rotation and")
    print("  100 position keys each (4 vertices, 2 triangles per joint); groups/N: N groups of 1024")
    print("  vertices and triangles. repair/chain and repair/wide: N frames in one chain or all children")
    print("  of the root.")
    print("- Peers: `peer_import` is assimp's MS3D import (`Assimp::Importer::ReadFile`, no")
    print("  post-processing) of the same file; `peer_memcpy` copies the block's bytes into memory already")
    print("  in use; `peer_alloc_memcpy` copies them into a fresh block from the same heap.")
    print()
    print("## Targets")
    print()
    print(target_lines(default, default_spreads, "default allocator"))
    print(target_lines(reuse, reuse_spreads, "large blocks kept in the heap"))
    print(real_targets(default_all, "default allocator"))
    print(real_targets(reuse_all, "large blocks kept in the heap"))
    print(process_targets(default_all, "default allocator"))
    print()
    reals = real_table(default_all)
    if reals:
        print("## Real models in process (default allocator)")
        print()
        print("The shared test models, the bundled examples and any model given to `scripts/bench`, each")
        print("copied alone into a folder of the memory file system (so no texture is found: the peer reads")
        print("none). Import: the plug-in's whole import on the standalone host; peer: `ReadFile` without")
        print("post-processing. `LoadObject` loads the DBO file of the imported object; memcpy copies that")
        print("file's bytes into memory already in use. Allocations (malloc, calloc, realloc, operator new)")
        print("and minor page faults are per call, releasing the result included.")
        print()
        print(reals)
        print()
    processes = process_table(default_all)
    if processes:
        print("## Whole processes (default allocator)")
        print()
        print("Each iteration runs `korva convert -q`, the peer process (`korva_peer_import`: assimp's")
        print("`ReadFile` of the model, no post-processing, then exit), `korva info` and `korva check` on")
        print("the same file, then `korva --version` and `/bin/true` (what starting a program costs), one")
        print("after the other; the figures are each program's mean wall time, from start to exit,")
        print("outputs discarded. Rows marked .glb read a glTF asset the exporter made of the model.")
        print()
        print(processes)
        print()
    print("## All benchmarks (default allocator)")
    print()
    print(main_table(default))
    print()
    print("## Time per element across sizes (default allocator)")
    print()
    print(default_growth)
    print()
    print("## With large blocks kept in the heap")
    print()
    print("The same suite with `GLIBC_TUNABLES=glibc.malloc.mmap_threshold=33554432:"
          "glibc.malloc.trim_threshold=4294967295`:")
    print("glibc otherwise maps blocks above its mmap threshold afresh and unmaps them on release, so")
    print("each large array costs page faults and page zeroing in the kernel on every call. This run")
    print("shows what the code itself costs.")
    print()
    print(main_table(reuse))
    print()
    print(reuse_growth)
    notes = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench", "notes.md")
    if os.path.exists(notes):
        print()
        with open(notes) as f:
            sys.stdout.write(f.read())


if __name__ == "__main__":
    main()
