#!/usr/bin/python3
"""A single shot of card 1, set 1, drawn as the check program's A-scan display draws it: the
curve in percent of full scale over the sample index, the ADC scale on the right, the gates as
bars at their thresholds and their values of the shot below. Writes a PNG.

    KARVO7_SIM=2 python3 plot_shot.py ascan.png
"""

import datetime
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import karvo7  # noqa: E402

# The check program's gate colours, B0 to B4.
GATE_COLOURS = ["magenta", "red", "blue", "green", "gold"]
CARD, SET = 1, 1


def main(path: str) -> None:
    parameters = karvo7.ParameterSet(ascan=True, factor=1, rectification=0, record_length=1600)
    parameters.gates[0].enable = True
    with karvo7.open_card(CARD) as card:
        record = card.shot(parameters, SET)
        ident = card.identification()
    when = datetime.datetime.now().strftime("%Y-%m-%d %H:%M:%S")

    percent = record.samples / 327.68
    fig, ax = plt.subplots(figsize=(10, 5.5), dpi=100)
    ax.set_facecolor("white")
    for level in (10, 30, 70, 90):
        ax.axhline(level, color="cyan", lw=0.6)
        ax.axhline(-level, color="cyan", lw=0.6)
    for level in (20, 40, 60, 80):
        ax.axhline(level, color="limegreen", lw=0.6)
        ax.axhline(-level, color="limegreen", lw=0.6)
    for level in (0, 50, -50):
        ax.axhline(level, color="black", lw=0.8)
    ax.plot(np.arange(percent.size), percent, color="blue", lw=0.7)

    # Gate bars at +/- the threshold (16 x the file value on the card's 4096 scale of 200 %).
    es = record.gates.es_time if record.gates and record.gates.es_time is not None else 0
    for number, gate in enumerate(parameters.gates):
        if not gate.enable and number != 0:
            continue
        start = gate.start - parameters.record_delay - (es if number == 0 else 0)
        end = gate.end - parameters.record_delay - (es if number == 0 else 0)
        level = gate.threshold * 16 * 200 / 4096
        for y in (level, -level):
            ax.plot([start, end], [y, y], color=GATE_COLOURS[number], lw=3,
                    solid_capstyle="butt")

    # The shot's gate values below the plot, as the display lists them.
    if record.gates is not None:
        texts = []
        for number, value in enumerate(record.gates.gates):
            if not parameters.gates[number].enable:
                continue
            text = f"B{number}: t ={value.time:4d} v ={value.amplitude // 4:3d}"
            if number == 0:
                text = f"ES: d ={es:4d} | " + text
            texts.append((number, text + ("^" if value.marker else "")))
        # Placed as the display places them: B0 with the echo start first, then B1 to B4.
        places = [0.01, 0.36, 0.52, 0.68, 0.84]
        for number, text in texts:
            fig.text(places[number], 0.02, text, color=GATE_COLOURS[number], family="monospace",
                     fontsize=8)

    ax.set_xlim(0, percent.size)
    ax.set_ylim(-100, 100)
    ax.set_yticks([-100, -50, 0, 50, 100])
    ax.set_ylabel("%")
    ax.set_xlabel("Sample")
    right = ax.twinx()
    right.set_ylim(-512, 512)
    right.set_yticks([-512, -256, 0, 256, 512])
    right.set_ylabel("ADC")
    ax.set_title(f"Karte {CARD} ({ident.card}), Satz {SET}, {when}")
    fig.text(0.07, 0.93, f"Typ 0x{record.type:X}, Kennung {record.identification}, "
             f"{record.samples.size} Samples", color="blue", fontsize=8)
    fig.subplots_adjust(left=0.07, right=0.93, top=0.9, bottom=0.14)
    fig.savefig(path)
    print(f"{path}: {record.samples.size} samples, gates {len(texts) if record.gates else 0}")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "ascan.png")
