#!/usr/bin/python3
"""Plots bill time against history size from conta_bill_bench's JSON output.

    build/bench/conta_bill_bench --benchmark_out=bills.json --benchmark_out_format=json
    bench/plot_bills.py bills.json docs/bill-time.png

One line per database, list form and bill size (1 or 5 comandas): the
milliseconds of a bill (log scale) against the items the store holds (log
scale). The demo store is left out: it is not a history. Also prints the
figures as a Markdown table, for the README.
"""
import json
import sys


def read_runs(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    runs = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "mean":
            continue
        if b.get("error_occurred"):
            continue
        # bill/<backend>/<store>/<n>_comandas/<form>[/real_time][_mean]
        parts = b["name"].split("/")
        if len(parts) < 5 or parts[0] != "bill":
            continue
        backend, store, comandas, form = parts[1], parts[2], parts[3], parts[4]
        comandas = int(comandas.split("_")[0])
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
        runs[(backend, store, comandas, form)] = {
            "ms": b["real_time"] * scale,
            "items": b.get("items", 0),
            "outside_db": b.get("outside_db"),
            "x_faster": b.get("x_faster"),
        }
    return data.get("context", {}), runs


def markdown(runs):
    lines = [
        "| database | store | items | comandas | substring ms | indexed ms | x faster | outside db |",
        "|---|---|---:|---:|---:|---:|---:|---:|",
    ]
    keys = sorted({(k[0], k[1], k[2]) for k in runs},
                  key=lambda k: (k[0], runs.get((*k, "indexed"), {}).get("items", 0), k[2]))
    for backend, store, comandas in keys:
        sub = runs.get((backend, store, comandas, "substring"))
        idx = runs.get((backend, store, comandas, "indexed"))
        items = (idx or sub)["items"]
        ratio = sub["ms"] / idx["ms"] if sub and idx else None
        lines.append("| %s | %s | %s | %d | %s | %s | %s | %s |" % (
            backend, store, f"{int(items):,}", comandas,
            f"{sub['ms']:.3g}" if sub else "-", f"{idx['ms']:.3g}" if idx else "-",
            f"{ratio:,.0f}" if ratio and ratio >= 10 else (f"{ratio:.2f}" if ratio else "-"),
            f"{idx['outside_db']:.0%}" if idx and idx["outside_db"] is not None else "-"))
    return "\n".join(lines)


def plot(context, runs, out):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots(figsize=(8, 5), dpi=110)
    styles = {"indexed": "-", "substring": "--"}
    markers = {1: "o", 5: "s"}
    colors = {"sqlite": "tab:blue", "postgresql": "tab:orange"}
    series = sorted({(k[0], k[3], k[2]) for k in runs if k[1] != "demo"})
    for backend, form, comandas in series:
        points = sorted((v["items"], v["ms"]) for k, v in runs.items()
                        if k[0] == backend and k[3] == form and k[2] == comandas and k[1] != "demo")
        if not points:
            continue
        ax.plot([p[0] for p in points], [p[1] for p in points],
                linestyle=styles.get(form, ":"), marker=markers.get(comandas, "x"),
                color=colors.get(backend, "gray"),
                label=f"{backend}, {form}, {comandas} comanda{'s' if comandas > 1 else ''}")
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_xlabel("items in the store's history")
    ax.set_ylabel("ms per bill")
    host = context.get("host_name", "")
    cpus = context.get("num_cpus", "?")
    mhz = context.get("mhz_per_cpu", "?")
    ax.set_title(f"Bill time against history size ({cpus} CPUs at {mhz} MHz {host})".strip())
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(out)


def main(argv):
    if len(argv) != 3 or argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if len(argv) == 2 else 2
    context, runs = read_runs(argv[1])
    if not runs:
        print(f"{argv[1]}: no bill runs found", file=sys.stderr)
        return 1
    print(markdown(runs))
    plot(context, runs, argv[2])
    print(f"\nwrote {argv[2]}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
