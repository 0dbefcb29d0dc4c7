#!/usr/bin/env python3
"""Turns one benchmark run into the tables of the README's Performance section.

    python3 bench/report.py <bench.json> [<wine.json>]

Reads Google Benchmark's JSON (with repetitions: the medians are used) and
the JSON line of bench/wine_run.sh, and prints Markdown: each phase beside
its limit at every size, the time per item, the linear-growth check, the
peak memory of the largest merge and the Windows run under Wine. Exits with
status 1 when a benchmark failed its own check of its result.
"""
import json
import sys

# Each phase measured over sizes, with the benchmark of its limit.
PHASES = [
    ("Stale-package purge, host: two Known Packages lists of *size* values each", "BM_PurgeHost", "BM_PurgeHostLimit",
     "value of either list", "listing both keys' value names (registry file read)"),
    ("Stale-package purge, in memory: two lists of *size* values each", "BM_PurgeMemory", "BM_PurgeMemoryLimit",
     "value of either list", "listing both keys' value names"),
    ("Contents merge, host: a contents file of *size* lines", "BM_MergeHost", "BM_MergeHostLimit",
     "line", "reading the file, writing it to a new file, fsync"),
    ("Contents merge, in memory: the same text", "BM_MergeMemory", "BM_MergeMemoryLimit",
     "line", "copying the text once"),
    ("Search-path rule: a list of *size* characters without the folder", "BM_SearchPathRule", "BM_SearchPathRuleLimit",
     "character", "one pass over the list (counting its \";\")"),
    ("Search-path phase, in memory: five lists of *size* characters", "BM_SearchPathPhaseMemory", None,
     "character of the 5 lists", None),
]
LINEAR_LIMIT = 2.0
PEAK_LIMIT = 3.0

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def load_runs(path):
    with open(path) as f:
        data = json.load(f)
    runs, failed = {}, []
    for bench in data["benchmarks"]:
        if bench.get("error_occurred"):
            failed.append(f'{bench["name"]}: {bench.get("error_message", "")}')
            continue
        if bench.get("run_type") == "aggregate" and \
                bench.get("aggregate_name") != "median":
            continue
        name = bench["run_name"] if "run_name" in bench else bench["name"]
        parts = name.split("/")
        size = int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else None
        bench["time_ns"] = bench["real_time"] * UNIT_NS[bench["time_unit"]]
        runs[(parts[0], size)] = bench
    return data["context"], runs, failed


def fmt_time(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("µs", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def fmt_size(n):
    return f"{n:,}"


def phase_table(title, ours, limit, item, limit_text, runs, out):
    sizes = sorted(s for (name, s) in runs if name == ours and s is not None)
    if not sizes:
        return None
    out.append(f"**{title}** (item: {item}"
               + (f"; limit: {limit_text}" if limit_text else "") + ")")
    out.append("")
    if limit:
        out.append("| size | korvinst | limit | ratio | per item | limit per item |")
        out.append("|---:|---:|---:|---:|---:|---:|")
    else:
        out.append("| size | korvinst | per item |")
        out.append("|---:|---:|---:|")
    per_item = []
    for size in sizes:
        run = runs[(ours, size)]
        items = run.get("items", size)
        ns_item = run["time_ns"] / items
        per_item.append(ns_item)
        if limit and (limit, size) in runs:
            lim = runs[(limit, size)]
            out.append(f"| {fmt_size(size)} | {fmt_time(run['time_ns'])} | "
                       f"{fmt_time(lim['time_ns'])} | "
                       f"{run['time_ns'] / lim['time_ns']:.1f}× | "
                       f"{fmt_time(ns_item)} | {fmt_time(lim['time_ns'] / items)} |")
        else:
            out.append(f"| {fmt_size(size)} | {fmt_time(run['time_ns'])} | "
                       f"{fmt_time(ns_item)} |")
    growth = per_item[-1] / per_item[0]
    last_decade = per_item[-1] / per_item[-2] if len(per_item) > 1 else 1.0
    verdict = "linear" if growth <= LINEAR_LIMIT else "NOT linear"
    out.append("")
    out.append(f"Per item, largest size / smallest: {growth:.2f} ({verdict}, "
               f"limit {LINEAR_LIMIT:g}); largest / the size before it: "
               f"{last_decade:.2f}.")
    out.append("")
    return growth <= LINEAR_LIMIT


def main():
    context, runs, failed = load_runs(sys.argv[1])
    wine = None
    if len(sys.argv) > 2:
        with open(sys.argv[2]) as f:
            text = f.read().strip()
        wine = json.loads(text) if text else None

    out = []
    out.append(f"Run of {context['date'][:10]} on {context['num_cpus']} cores "
               f"at {context['mhz_per_cpu']} MHz, load average "
               f"{context['load_avg'][0]:.2f} at the start; medians of "
               f"the repetitions.")
    out.append("")
    linear = {}
    for title, ours, limit, item, limit_text in PHASES:
        linear[title] = phase_table(title, ours, limit, item, limit_text,
                                    runs, out)

    peak = runs.get(("BM_MergePeakMemory", None))
    if peak:
        rss = peak["rss_per_file_byte"]
        heap = peak["heap_per_file_byte"]
        out.append("**Peak memory of the 1,000,000-line merge** (a process of "
                   "its own; limit: 3 × the file)")
        out.append("")
        out.append("| file | peak resident (VmHWM − VmRSS before) | ratio | "
                   "peak heap (counted) | ratio |")
        out.append("|---:|---:|---:|---:|---:|")
        out.append(f"| {peak['file_bytes'] / 1e6:.1f} MB | "
                   f"{peak['peak_rss_bytes'] / 1e6:.1f} MB | {rss:.2f}× "
                   f"{'within' if rss <= PEAK_LIMIT else 'OVER'} | "
                   f"{peak['peak_heap_bytes'] / 1e6:.1f} MB | {heap:.2f}× |")
        out.append("")

    out.append("**The whole run on the typical machine**")
    out.append("")
    out.append("| run | wall time |")
    out.append("|---|---:|")
    for name, label in (("BM_HostRunTypical", "host, `RunInstall` in process"),
                        ("BM_HostRunProcess", "host, `korvinst INSTALL C:\\LIB` as a process")):
        if (name, None) in runs:
            out.append(f"| {label} | {fmt_time(runs[(name, None)]['time_ns'])} |")
    if wine:
        out.append(f"| Windows, `korvinst.exe` under Wine (median of {wine['runs']}) | "
                   f"{fmt_time(wine['korvinst_median_us'] * 1e3)} |")
        out.append(f"| Windows, `bench/reg_work.bat` (reg.exe calls) under Wine | "
                   f"{fmt_time(wine['reg_script_median_us'] * 1e3)} |")
        out.append("")
        out.append(f"The reg.exe script takes {wine['ratio_script_to_korvinst']:.1f}× "
                   f"the time of korvinst.exe ({wine['wine']}), for the same "
                   f"registry work; korvinst also merges the contents file.")
    else:
        out.append("")
        out.append("The Windows run under Wine was not measured.")
    out.append("")
    if failed:
        out.append("**Failed checks:** " + "; ".join(failed))
    print("\n".join(out))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
