#!/usr/bin/python3
"""Plots bills under load from conta_load_bench's JSON output.

    build/bench/conta_load_bench --benchmark_out=load.json --benchmark_out_format=json
    bench/plot_load.py load.json docs/bill-load.png

One group of bars per database and scenario (every host on a branch of its
own, or every host on one branch): bills per second without the bill's
transaction, in it without the lock of the branch's bills, and with both (the
module). Means when the run had repetitions. Also prints the figures as a
Markdown table, for the README.
"""
import json
import sys


def read_runs(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    runs = {}
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            continue
        # With repetitions, the means; otherwise the single runs.
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "mean":
            continue
        # load/<backend>/<k>_hosts/<scenario>/<no_transaction|no_lock|lock>/...
        parts = b["name"].split("/")
        if len(parts) < 5 or parts[0] != "load":
            continue
        backend, hosts, scenario, mode = parts[1], parts[2], parts[3], parts[4]
        key = (backend, scenario, mode)
        if key in runs and b.get("run_type") != "aggregate":
            continue  # a repetition: its mean follows
        runs[key] = {
            "hosts": int(hosts.split("_")[0]),
            "bills_per_s": b.get("bills_per_s", 0),
            "median_ms": b.get("median_ms", 0),
            "p99_ms": b.get("p99_ms", 0),
            "waited": b.get("waited_too_long", 0),
        }
    return data.get("context", {}), runs


SCENARIOS = {"own_branches": "a branch each", "one_branch": "one branch"}
MODES = {"no_transaction": "no transaction (each write on its own)",
         "no_lock": "the bill's transaction, no lock",
         "lock": "transaction and lock (the module)"}


def markdown(runs):
    lines = [
        "| database | hosts on | bills run with | bills/s | median ms | p99 ms | "
        "waited too long | ÷ no lock |",
        "|---|---|---|---:|---:|---:|---:|---:|",
    ]
    for (backend, scenario, mode), r in sorted(runs.items(), key=lambda kv: (
            kv[0][0], list(SCENARIOS).index(kv[0][1]), list(MODES).index(kv[0][2]))):
        base = runs.get((backend, scenario, "no_lock"))
        ratio = r["bills_per_s"] / base["bills_per_s"] if base and base["bills_per_s"] else None
        lines.append("| %s | %s | %s | %.0f | %.1f | %.1f | %d | %s |" % (
            backend, SCENARIOS.get(scenario, scenario), MODES.get(mode, mode), r["bills_per_s"],
            r["median_ms"], r["p99_ms"], r["waited"],
            f"{ratio:.2f}" if ratio and mode == "lock" else "-"))
    return "\n".join(lines)


def plot(runs, output):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    groups = sorted({(k[0], k[1]) for k in runs},
                    key=lambda g: (g[0], list(SCENARIOS).index(g[1])))
    fig, ax = plt.subplots(figsize=(9, 4.8))
    width = 0.27
    for n, mode in enumerate(MODES):
        values = [runs.get((b, s, mode), {}).get("bills_per_s", 0) for b, s in groups]
        ax.bar([i + (n - 1) * width for i in range(len(groups))], values, width,
               label=MODES[mode])
    hosts = next(iter(runs.values()))["hosts"] if runs else 0
    ax.set_xticks(range(len(groups)))
    ax.set_xticklabels([f"{b}\n{hosts} hosts on {SCENARIOS.get(s, s)}" for b, s in groups])
    ax.set_ylabel("bills per second")
    ax.set_title("Host processes billing one store database at once")
    ax.legend(fontsize="small")
    fig.tight_layout()
    fig.savefig(output, dpi=110)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    _, runs = read_runs(sys.argv[1])
    if not runs:
        print("no load runs in " + sys.argv[1], file=sys.stderr)
        return 1
    plot(runs, sys.argv[2])
    print(markdown(runs))
    return 0


if __name__ == "__main__":
    sys.exit(main())
