#!/usr/bin/python3
"""10 000 shots of card 1 streamed; the back-wall echo's amplitude and time of flight per shot
(gate B1 of set 1) written to a CSV file.

    KARVO7_SIM=2 python3 backwall_csv.py backwall.csv [shots]
"""

import csv
import sys

import karvo7

SET = 1
GATE = 1  # B1 lies over the first back-wall echo


def main(path: str, shots: int) -> None:
    parameters = karvo7.ParameterSet(ascan=True, faktor=1, gleichrichtung=3)
    rows = 0
    with karvo7.open(1) as card, open(path, "w", newline="") as out:
        writer = csv.writer(out)
        writer.writerow(["shot", "amplitude_percent", "time_us", "depth_mm"])
        with card.stream({SET: parameters}, count=shots) as stream:
            for record in stream:
                if not record.is_gates:
                    continue
                gate = record.gates.gates[GATE]
                if not gate.present:
                    continue
                rows += 1
                writer.writerow([
                    rows,
                    f"{gate.amplitude / 20.48:.2f}",  # 12-bit scale: 2048 is full scale
                    f"{parameters.us(gate.time):.4f}",
                    f"{parameters.mm(gate.time):.3f}",
                ])
    print(f"{path}: {rows} shots with a back-wall echo")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "backwall.csv",
         int(sys.argv[2]) if len(sys.argv) > 2 else 10000)
