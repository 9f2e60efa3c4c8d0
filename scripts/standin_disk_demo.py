#!/usr/bin/env python3
"""The demo drive of the stand-in disk driver (standin/disk), for scripts/run.sh and the screenshots: a
plausible NVMe SSD of 1 TB that has had about 20 TB written by its host and reports 7 % of its life used.

    standin_disk_demo.py reg <file.reg>          the values of Disks\\0, for regedit /S
    standin_disk_demo.py history <file.csv> N    "Drive History.csv" with the drive's last reading of each
                                                 of the N days before today (for a window with a rate)
"""
import datetime
import struct
import sys

KEY = r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\StandinDisk\Disks\0"
MODEL = "Demo NVMe SSD 1TB"
SERIAL = "DEMO0001NVME"
FIRMWARE = "2B2QEXM7"
SIZE = 1000204886016
UNIT = 512000  # bytes of one NVMe Data Unit
UNITS_WRITTEN = 39062500  # 20.0 TB
UNITS_READ = 61718750  # 31.6 TB
PERCENT_USED = 7
POWER_ON_HOURS = 9120
# The host writes of a day, in Data Units (about 38 GB).
UNITS_PER_DAY = 75000


def health_page(units_written):
    """The SMART / Health Information log (NVMe 1.4, log page 02h), 512 bytes."""
    page = bytearray(512)
    page[0] = 0  # critical warning
    struct.pack_into("<H", page, 1, 313)  # composite temperature: 40 degrees Celsius in kelvin
    page[3] = 100  # available spare
    page[4] = 10  # its threshold
    page[5] = PERCENT_USED
    struct.pack_into("<Q", page, 32, UNITS_READ)
    struct.pack_into("<Q", page, 48, units_written)
    struct.pack_into("<Q", page, 128, POWER_ON_HOURS)
    return bytes(page)


def reg_file(path):
    def binary(data):
        return "hex:" + ",".join("%02x" % b for b in data)

    lines = ["Windows Registry Editor Version 5.00", "", "[%s]" % KEY,
             '"BusType"=dword:%08x' % 17,
             '"Model"="%s"' % MODEL,
             '"Serial"="%s"' % SERIAL,
             '"Firmware"="%s"' % FIRMWARE,
             '"Size"=hex(b):' + ",".join("%02x" % b for b in struct.pack("<Q", SIZE)),
             '"NvmeHealth"=' + binary(health_page(UNITS_WRITTEN)), ""]
    with open(path, "w", encoding="utf-16") as f:
        f.write("\r\n".join(lines))


def history_file(path, days):
    """One row a day, ending the day before today; the counter grows by about a day's writes."""
    today = datetime.date.today()
    lines = ["Date,Disk,Model,Serial,Host bytes written,Host bytes read,Percentage used,Power-on hours,"
             "Temperature,Source"]
    for back in range(days, 0, -1):
        day = today - datetime.timedelta(days=back)
        units = UNITS_WRITTEN - back * UNITS_PER_DAY + (back * 7919) % 20000
        lines.append("%s,0,%s,%s,%d,%d,%d,%d,%d,nvme" % (day.isoformat(), MODEL, SERIAL, units * UNIT,
                                                       (UNITS_READ - back * 90000) * UNIT, PERCENT_USED,
                                                       POWER_ON_HOURS - back * 8, 38 + back % 4))
    with open(path, "wb") as f:
        f.write(b"\xef\xbb\xbf" + "\r\n".join(lines).encode("utf-8") + b"\r\n")


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "reg":
        reg_file(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "history":
        history_file(sys.argv[2], int(sys.argv[3]))
    else:
        sys.exit(__doc__)
