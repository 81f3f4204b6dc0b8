#!/usr/bin/python3
"""Plots bill time against history size from conta_bill_bench's JSON output.

    build/bench/conta_bill_bench --benchmark_out=bills.json --benchmark_out_format=json
    bench/plot_bills.py bills.json docs/bill-time.png

One line per database, store kind, list form and bill size (1 or 5
comandas): the milliseconds of a bill (log scale) against the items the
store holds (log scale). The store kinds: this project's schema ("own"),
the schema other software makes ("other"), and either copied to four
branches ("x4": a point of its own). The demo store is left out: it is not
a history. Also prints the figures as a Markdown table, for the README:
"vs own" is the time against the store the run's store was made from (the
other schema against this project's, four branches against one), "first
bill" the first bill of a new connection, its statements prepared and
planned anew.
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
            "x_own": b.get("x_own"),
            "first_ms": b.get("first_ms"),
        }
    return data.get("context", {}), runs


def size_and_kind(store):
    """"300k-x4-other" -> ("300k", "other x4"); "300k" -> ("300k", "own")."""
    parts = store.split("-")
    kind = "other" if "other" in parts[1:] else "own"
    branches = [p for p in parts[1:] if p.startswith("x")]
    return parts[0], kind + (" " + branches[0] if branches else "")


def fmt(value, digits=3):
    return f"{value:.{digits}g}" if value is not None else "-"


def markdown(runs):
    lines = [
        "| database | store | items | comandas | substring ms | indexed ms | x faster | vs own "
        "| first bill ms | outside db |",
        "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|",
    ]
    order = {"own": 0, "other": 1, "own x4": 2, "other x4": 3}
    keys = sorted({(k[0], k[1], k[2]) for k in runs},
                  key=lambda k: (k[0] != "sqlite", runs.get((*k, "indexed"), {}).get("items", 0),
                                 order.get(size_and_kind(k[1])[1], 9), k[2]))
    for backend, store, comandas in keys:
        sub = runs.get((backend, store, comandas, "substring"))
        idx = runs.get((backend, store, comandas, "indexed"))
        items = (idx or sub)["items"]
        ratio = sub["ms"] / idx["ms"] if sub and idx else None
        lines.append("| %s | %s | %s | %d | %s | %s | %s | %s | %s | %s |" % (
            backend, store, f"{int(items):,}", comandas,
            fmt(sub["ms"]) if sub else "-", fmt(idx["ms"]) if idx else "-",
            f"{ratio:,.0f}" if ratio and ratio >= 10 else (f"{ratio:.2f}" if ratio else "-"),
            f"{idx['x_own']:.2f}" if idx and idx.get("x_own") is not None else "-",
            fmt(idx["first_ms"]) if idx else "-",
            f"{idx['outside_db']:.0%}" if idx and idx["outside_db"] is not None else "-"))
    return "\n".join(lines)


def plot(context, runs, out):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots(figsize=(8, 5.5), dpi=110)
    styles = {("indexed", "own"): "-", ("indexed", "other"): "-.", ("substring", "own"): "--"}
    markers = {1: "o", 5: "s"}
    colors = {"sqlite": "tab:blue", "postgresql": "tab:orange"}
    series = {}
    for (backend, store, comandas, form), v in runs.items():
        if store == "demo":
            continue
        kind = size_and_kind(store)[1]
        series.setdefault((backend, form, kind, comandas), []).append((v["items"], v["ms"]))
    for (backend, form, kind, comandas), points in sorted(series.items()):
        points.sort()
        base = kind.split(" ")[0]
        label = f"{backend}, {form}, {kind}, {comandas} comanda{'s' if comandas > 1 else ''}"
        if " " in kind:  # a copy to more branches: one point
            ax.plot([p[0] for p in points], [p[1] for p in points], linestyle="none",
                    marker="D" if base == "own" else "d", markerfacecolor="none",
                    color=colors.get(backend, "gray"), label=label)
            continue
        ax.plot([p[0] for p in points], [p[1] for p in points],
                linestyle=styles.get((form, base), ":"), marker=markers.get(comandas, "x"),
                markerfacecolor="none" if base == "other" else None,
                color=colors.get(backend, "gray"), label=label)
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_xlabel("items in the store's history")
    ax.set_ylabel("ms per bill")
    host = context.get("host_name", "")
    cpus = context.get("num_cpus", "?")
    mhz = context.get("mhz_per_cpu", "?")
    ax.set_title(f"Bill time against history size ({cpus} CPUs at {mhz} MHz {host})".strip())
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize=6, ncol=2)
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
