#!/usr/bin/env python3
"""Writes examples/drillstem-test-long.pas: a version 4 drillstem test whose two gauges log
every five seconds over a four-and-a-half hour test, some six thousand gauge rows in all.

The pressures follow a plain drawdown and buildup model with a little deterministic wobble, so
the file looks like a recorder's and is the same byte for byte on every run (no random module,
no clock). Usage: make_long_dst.py [OUTPUT]  (default: the examples folder beside this one).
"""

import math
import os
import sys
from datetime import datetime, timedelta

START = datetime(2025, 3, 14, 9, 30, 0)
STEP = timedelta(seconds=5)

HYDROSTATIC = 31250.0  # mud column at gauge depth, kPa
RESERVOIR = 24402.0    # extrapolated reservoir pressure, kPa

# (name, minutes, flowing): run in hole is not logged; the tool opens at 0.
STAGES = [
    ("HYDROSTATIC", 15, False),
    ("PREFLOW", 10, True),
    ("INITIAL SHUT-IN", 60, False),
    ("SECOND FLOW", 60, True),
    ("FINAL SHUT-IN", 120, False),
    ("PULL", 5, False),
]


class Wobble:
    """A small linear congruential generator: the same numbers everywhere, every time."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) % 2**31
        return self.state / 2**31 - 0.5


def pressure(stage, t, start_pressure, offset):
    """Pressure t minutes into a stage that began at start_pressure."""
    name, minutes, flowing = stage
    if name in ("HYDROSTATIC", "PULL"):
        return HYDROSTATIC + offset
    if flowing:
        # The tool opens onto the cushion, then liquid builds the column back up slowly.
        floor = 5100.0 if name == "PREFLOW" else 9400.0
        return floor + (start_pressure - floor) * math.exp(-t / 0.4) + 35.0 * t + offset
    # Buildup: a Horner-like approach to the reservoir pressure.
    gap = RESERVOIR - start_pressure
    return start_pressure + gap * (1.0 - 1.0 / (1.0 + t / 3.5)) * 0.995 + offset


def gauge_rows(gauge, offset, seed):
    wobble = Wobble(seed)
    rows, summary = [], []
    when = START
    last = HYDROSTATIC
    for number, stage in enumerate(STAGES, start=1):
        name, minutes, _ = stage
        start_pressure = last
        steps = minutes * 12
        for i in range(steps):
            t = i * STEP.total_seconds() / 60.0
            p = pressure(stage, t, start_pressure, offset) + 1.5 * wobble.next()
            temp = 62.0 + 19.6 * (1.0 - math.exp(-(when - START).total_seconds() / 3600.0)) + 0.02 * wobble.next()
            rows.append(f"~DTG ({gauge}),{when:%Y %m %d %H%M:%S},{(when - START).total_seconds() / 60:.2f},"
                        f"{p:.1f},{temp:.2f},")
            last = p
            when += STEP
        summary.append(f"~DTFG ({gauge}),{when:%Y %m %d %H%M:%S},{number},{name},{last:.1f},{minutes},")
    return rows, summary


def header():
    return [
        "#------------------------------------------------------------------",
        "# Tarnwell example: a long version 4 drillstem test, two gauges",
        "# logging every five seconds. Made by bench/make_long_dst.py;",
        "# values are invented. Every line converts.",
        "#------------------------------------------------------------------",
        "~VERSION,PASTYPE.,DST,PAS file Type,",
        "~VERSION,VERS.,4.0,PAS file version,",
        "~VERSION,UNIT.,METRIC,Units Flag,",
        "~WELL INFORMATION,UWI.,100/11-27-052-18W5/00,Unique Well ID,",
        "~WELL INFORMATION,COMP.,Hollowmere Exploration Ltd.,Company Name,",
        "~WELL INFORMATION,FORM.,Nordegg,Formation Name,",
        "~TEST DATA,STRT.DAY/HR,2025 03 14 0930,Test Start Date/Time,",
        "~TEST SUMMARY DATA,GSERU.,DX-4471,Gauge used in summary,",
        f"~TEST SUMMARY DATA,PEXTR.KPAA,{RESERVOIR:.0f},Extrapolated pressure,",
        "~TEST SUMMARY DATA,TRES.DEGC,81.5,Reservoir temperature,",
    ]


def gauge_block(gauge, serial, depth, offset, seed):
    rows, summary = gauge_rows(gauge, offset, seed)
    lines = [
        f"# gauge {gauge}",
        f"~HEADER DATA - GAUGE ({gauge}),GSER.,{serial},Serial number,",
        f"~HEADER DATA - GAUGE ({gauge}),GTYP.,QUARTZ,Gauge type,",
        f"~HEADER DATA - GAUGE ({gauge}),SDGL.M,{depth:.1f},Run depth,",
        f"~DATA TABLE - FLOWING SUMMARY - GAUGE ({gauge}),TIME.DAY/HR/SS,,End of stage,",
        f"~DATA TABLE - FLOWING SUMMARY - GAUGE ({gauge}),STGE.,,Stage,",
        f"~DATA TABLE - FLOWING SUMMARY - GAUGE ({gauge}),FSTGC.,,Stage description,",
        f"~DATA TABLE - FLOWING SUMMARY - GAUGE ({gauge}),PRGA.KPAA,,Pressure at end of stage,",
        f"~DATA TABLE - FLOWING SUMMARY - GAUGE ({gauge}),TSTD.MIN,,Stage duration,",
    ]
    lines += summary
    lines += [
        f"~DATA TABLE - GAUGE ({gauge}),TIME.DAY/HR/SS,,Time,",
        f"~DATA TABLE - GAUGE ({gauge}),TCUM.MIN,,Elapsed,",
        f"~DATA TABLE - GAUGE ({gauge}),PRGA.KPAA,,Pressure,",
        f"~DATA TABLE - GAUGE ({gauge}),TGA.DEGC,,Temperature,",
    ]
    return lines + rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "examples", "drillstem-test-long.pas")
    lines = header()
    lines += gauge_block(1, "DX-4471", 2925.3, 0.0, 4471)
    lines += gauge_block(2, "DX-4502", 2941.8, 16.4, 4502)
    with open(out, "w", newline="\n", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
