#!/usr/bin/python3
"""10 000 shots of card 1 streamed; the back-wall echo's amplitude and time of flight per shot
(gate B1 of set 1), and the wall thickness from the time between the first two back-wall
echoes (gates B1 and B2), written to a CSV file.

    KARVO7_SIM=2 python3 backwall_csv.py backwall.csv [shots]
"""

import csv
import sys

import karvo7

SET = 1
FIRST, SECOND = 1, 2  # B1 and B2 lie over the first two back-wall echoes
VELOCITY_MPS = 5920.0  # steel


def main(path: str, shots: int) -> None:
    # 2 kHz pulse repetition: 10 000 shots in five seconds.
    parameters = karvo7.ParameterSet(ascan=True, factor=1, rectification=3, pulse_rate=2000)
    rows = 0
    with karvo7.open_card(1) as card, open(path, "w", newline="") as out:
        writer = csv.writer(out)
        writer.writerow(["shot", "amplitude_percent", "time_us", "thickness_mm"])
        with card.stream({SET: parameters}, count=shots) as stream:
            for record in stream:
                if not record.is_gates:
                    continue
                first = record.gates.gates[FIRST]
                second = record.gates.gates[SECOND]
                if not first.present:
                    continue
                rows += 1
                thickness = parameters.mm(second.time - first.time, VELOCITY_MPS) \
                    if second.present else ""
                writer.writerow([
                    rows,
                    f"{first.amplitude / 20.48:.2f}",  # 12-bit scale: 2048 is full scale
                    f"{parameters.us(first.time):.4f}",
                    f"{thickness:.3f}" if thickness != "" else "",
                ])
                # The card goes on measuring until the stream stops it after the last shot:
                # its last gate results may hold a few shots more than were asked for.
                if rows == shots:
                    break
    print(f"{path}: {rows} shots with a back-wall echo")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "backwall.csv",
         int(sys.argv[2]) if len(sys.argv) > 2 else 10000)
