#!/usr/bin/env python3
"""Prints the benchmark's one table from the measurements run-bench.sh left in a folder."""
import collections
import json
import os
import platform
import statistics
import sys

work, sample = sys.argv[1], os.path.basename(sys.argv[2])


def read_tsv(name):
    rows = []
    with open(os.path.join(work, name)) as lines:
        for line in lines:
            path, floor, report, floor_bytes, report_bytes = line.rstrip("\n").split("\t")
            rows.append((os.path.basename(path), float(floor), float(report),
                         int(floor_bytes), int(report_bytes)))
    return rows


def hyperfine(name):
    with open(os.path.join(work, name)) as data:
        return {r["command"]: r for r in json.load(data)["results"]}


def cpu():
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return platform.machine()


table = []


def section(title):
    table.append(("", title))


def row(what, zarvo, other="", ratio="", target="", met=None):
    verdict = "" if met is None else ("met" if met else "NOT MET")
    table.append((what, zarvo, other, ratio, target, verdict))


def us(value):
    return f"{value / 1000:.2f} ms" if value >= 1000 else f"{value:.0f} µs"


def seconds(value):
    return f"{value * 1000:.1f} ms" if value < 1 else f"{value:.2f} s"


# 1. In-process report against libavformat's bare open and probe.
fixtures = read_tsv("fixtures.tsv")
section("1. In-process report (open to last line) vs bare avformat_open_input + "
        "avformat_find_stream_info, median per file")
for name, floor, report, floor_bytes, report_bytes in fixtures:
    ratio = report / floor
    row(f"fixture {name}", us(report), us(floor), f"{ratio:.2f}x",
        "<=1.2x, <5 ms", ratio <= 1.2 and report < 5000)
    table[-1] += (f"{report_bytes // 1024} / {floor_bytes // 1024} KiB",)
corpus = read_tsv("corpus.tsv")
groups = collections.defaultdict(list)
for entry in corpus:
    groups[entry[0].rsplit(".", 1)[-1]].append(entry)
groups["all"] = corpus
for extension, entries in groups.items():
    report = statistics.median(e[2] for e in entries)
    floor = statistics.median(e[1] for e in entries)
    ratio = statistics.median(e[2] / e[1] for e in entries)
    row(f"corpus .{extension} ({len(entries)} files)" if extension != "all"
        else f"corpus, all {len(entries)} files", us(report), us(floor), f"{ratio:.2f}x")
    table[-1] += (f"{statistics.median(e[4] for e in entries) // 1024:.0f} / "
                  f"{statistics.median(e[3] for e in entries) // 1024:.0f} KiB",)
with open(os.path.join(work, "compare.txt")) as compare:
    lines = compare.read().splitlines()
summary = lines[-1] if lines else "no comparison"
differing = int(summary.split()[0]) if summary[:1].isdigit() else -1
row("reports identical to the full analysis", summary, "", "", "0 differ", differing == 0)

# 2. The corpus in one process.
batch = hyperfine("batch.json")
ffprobe = hyperfine("ffprobe.json")["ffprobe"]
zarvo = batch["zarvo-report"]["median"]
mediainfo = batch["mediainfo"]["median"]
files = len(corpus)
section(f"2. {files} files: zarvo-report and mediainfo in one process each, "
        "ffprobe -show_streams -show_format once per file; wall time, median")
row("zarvo-report, one process", seconds(zarvo), "", f"{zarvo / files * 1000:.2f} ms/file")
row("vs mediainfo, one process", seconds(zarvo), seconds(mediainfo),
    f"{mediainfo / zarvo:.1f}x faster", ">=2.5x faster", mediainfo / zarvo >= 2.5)
row("vs ffprobe, once per file", seconds(zarvo), seconds(ffprobe["median"]),
    f"{ffprobe['median'] / zarvo:.1f}x faster", ">=20x faster", ffprobe["median"] / zarvo >= 20)

# 3. One file, one process.
single = hyperfine("single.json")
memory = collections.defaultdict(list)
with open(os.path.join(work, "memory.txt")) as lines:
    for line in lines:
        parts = line.split()
        if len(parts) == 2 and parts[1].isdigit():
            memory[parts[0]].append(int(parts[1]))
peak = {tool: statistics.median(values) for tool, values in memory.items()}
section(f"3. One file ({sample}), one process: wall time and peak resident memory, median")
zarvo = single["zarvo-report"]["median"]
probe = single["ffprobe"]["median"]
row("wall: zarvo-report vs ffprobe", seconds(zarvo), seconds(probe), f"{zarvo / probe:.2f}x",
    "<=0.6x", zarvo / probe <= 0.6)
row("memory: zarvo-report vs ffprobe", f"{peak['zarvo-report'] / 1024:.1f} MiB",
    f"{peak['ffprobe'] / 1024:.1f} MiB", f"{peak['zarvo-report'] / peak['ffprobe']:.2f}x", "<=1x",
    peak["zarvo-report"] <= peak["ffprobe"])
row("wall: zarvo-report vs mediainfo", seconds(zarvo), seconds(single["mediainfo"]["median"]),
    f"{zarvo / single['mediainfo']['median']:.2f}x")
row("memory: zarvo-report vs mediainfo", f"{peak['zarvo-report'] / 1024:.1f} MiB",
    f"{peak['mediainfo'] / 1024:.1f} MiB", f"{peak['zarvo-report'] / peak['mediainfo']:.2f}x")
start = single["zarvo-report --version"]["median"]
row("zarvo-report --version (start-up and exit)", seconds(start), "",
    f"{start / zarvo:.0%} of one report")

# 4. Padded to 2 GiB.
padded = {e[0]: e for e in read_tsv("padded.tsv")}
section("4. In-process report: each fixture padded to 2 GiB with a hole vs the fixture, median")
for name, _, report, _, _ in fixtures:
    if name not in padded:
        continue
    large = padded[name][2]
    mark = " (the sample clip)" if name == sample else ""
    row(f"{name}{mark}", us(large), us(report), f"{large / report:.2f}x", "<=1.5x",
        large / report <= 1.5)
    table[-1] += (f"{padded[name][4] // 1024} KiB",)

# 5. The two test corpora in one process each.
section("5. Test corpora: zarvo-report and mediainfo over every file in one process, median")
for name, title in (("debian", "media from Debian packages"), ("modern", "clips of today's codecs")):
    runs = hyperfine(f"{name}.json")
    with open(os.path.join(work, f"{name}.count")) as count:
        files = int(count.read())
    zarvo, other = runs["zarvo-report"]["median"], runs["mediainfo"]["median"]
    row(f"{title} ({files} files)", seconds(zarvo), seconds(other), f"{other / zarvo:.1f}x faster",
        ">=2.5x faster", other / zarvo >= 2.5)

headers = ("Measure", "Zarvo", "Compared with", "Ratio", "Target", "Result", "Read (Zarvo / other)")
widths = [len(h) for h in headers]
for line in table:
    if line[0]:
        for i, cell in enumerate(line):
            widths[i] = max(widths[i], len(cell))
print(f"Zarvo speed benchmark: {cpu()}, {os.cpu_count()} cores, "
      f"{platform.system()} {platform.release()}")
print("  ".join(h.ljust(w) for h, w in zip(headers, widths)).rstrip())
print("  ".join("-" * w for w in widths))
for line in table:
    if not line[0]:
        print(line[1])
        continue
    print("  ".join(cell.ljust(w) for cell, w in zip(line, widths)).rstrip())
