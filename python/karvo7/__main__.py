"""``python3 -m karvo7 list``: the cards present, with position and identification."""

from __future__ import annotations

import argparse
import sys
from typing import List, Optional

import karvo7


def list_cards() -> int:
    count = karvo7.scan()
    print(f"{count} card(s)")
    status = 0
    for number in range(1, count + 1):
        try:
            with karvo7.open_card(number, warm_up=False) as card:
                bus, slot = card.position
                ident = card.identification()
                version = "version 3" if card.is_version3 else "not version 3"
                print(f"card {number}: bus {bus} slot {slot}, {ident.card} "
                      f"(LCA {ident.lca_version}, program {ident.program_version}), {version}")
        except karvo7.Error as error:
            print(f"card {number}: {error}")
            status = 1
    return status


def main(argv: Optional[List[str]] = None) -> int:
    parser = argparse.ArgumentParser(prog="python3 -m karvo7",
                                     description="KARVO7 cards from Python")
    parser.add_argument("command", choices=["list"], help="list: the cards present")
    parser.parse_args(argv)
    try:
        return list_cards()
    except karvo7.LibraryNotFoundError as error:
        print(error, file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
