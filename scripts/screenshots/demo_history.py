#!/usr/bin/env python3
"""Writes a demo "Write History.csv" of the last 75 days (today excluded) for the screenshots: the write
history window then shows a chart of a plausible desktop's month, with a few quiet and missing days."""
import datetime
import random
import sys

GB = 1024 ** 3
WRITERS = ["chrome.exe", "MsMpEng.exe", "svchost.exe", "explorer.exe", "OneDrive.exe", "Code.exe",
           "SearchIndexer.exe", "Teams.exe"]


def main(path):
    rng = random.Random(20261208)
    today = datetime.date.today()
    lines = ["Date,Bytes written,Bytes written aligned to 4096,Bytes read,Operations,Monitoring seconds,"
             "Top writers"]
    for back in range(75, 0, -1):
        day = today - datetime.timedelta(days=back)
        if rng.random() < 0.12:
            continue  # the machine was off that day
        weekend = day.weekday() >= 5
        hours = rng.uniform(1.5, 5) if weekend else rng.uniform(6, 11)
        written = int(hours * rng.uniform(0.6, 1.6) * GB)
        if rng.random() < 0.05:
            written *= 6  # an update or a big download
        aligned = int(written * rng.uniform(1.05, 1.3))
        read = int(written * rng.uniform(0.8, 3.0))
        operations = written // rng.randint(9000, 30000)
        seconds = int(hours * 3600)
        shares = sorted((rng.random() for _ in range(5)), reverse=True)
        total = sum(shares) * 1.25
        names = rng.sample(WRITERS, 5)
        writers = ";".join("%s=%d" % (n, int(written * s / total)) for n, s in zip(names, shares))
        lines.append("%s,%d,%d,%d,%d,%d,%s" % (day.isoformat(), written, aligned, read, operations, seconds,
                                               writers))
    with open(path, "wb") as f:
        f.write(b"\xef\xbb\xbf" + "\r\n".join(lines).encode("utf-8") + b"\r\n")


if __name__ == "__main__":
    main(sys.argv[1])
