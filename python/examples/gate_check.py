#!/usr/bin/python3
"""A gate check over a stream: every shot's back-wall echoes must lie in gates B1 to B4 within
their limits (times in µs) with an amplitude above a minimum. Prints the shots outside and
ends with exit code 1 when there are any.

    KARVO7_SIM=2 python3 gate_check.py [shots]
"""

import sys

import karvo7

# (earliest µs, latest µs, least amplitude in % of full scale) of gates B1 to B4.
LIMITS = {1: (7.0, 10.0, 5.0), 2: (14.5, 20.0, 5.0), 3: (22.0, 25.0, 5.0), 4: (29.0, 35.0, 3.0)}


def main(shots: int) -> int:
    # 2 kHz pulse repetition: 10 000 shots in five seconds.
    parameters = karvo7.ParameterSet(ascan=True, factor=1, rectification=3, pulse_rate=2000)
    checked = outside = 0
    with karvo7.open_card(1) as card:
        for record in card.stream({1: parameters}, count=shots):
            if not record.is_gates:
                continue
            checked += 1
            for number, (earliest, latest, least) in LIMITS.items():
                value = record.gates.gates[number]
                time_us = parameters.us(value.time)
                percent = value.amplitude / 20.48
                if not value.present or not earliest <= time_us <= latest or percent < least:
                    outside += 1
                    print(f"shot {checked}: B{number} t = {time_us:.3f} µs, "
                          f"v = {percent:.1f} % outside")
    print(f"{checked} shots checked, {outside} gate values outside their limits")
    return 1 if outside or not checked else 0


if __name__ == "__main__":
    sys.exit(main(int(sys.argv[1]) if len(sys.argv) > 1 else 1000))
