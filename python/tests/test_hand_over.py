"""Card.apply hands a set over through the card operations: a step the card refuses after the
record raises Error naming the library call of that step, with the driver's word."""

from __future__ import annotations

import pytest

import karvo7

TRIGGER_DELAY_COMMAND = 0x8001
EXTERNAL_CLOCK_COMMAND = 0x3401


@pytest.mark.parametrize("command, fine, function", [
    (TRIGGER_DELAY_COMMAND, False, "KARVO7SetTriggerDelayParam"),
    (TRIGGER_DELAY_COMMAND, True, "KARVO7SetTriggerDelay25nsParam"),
    (EXTERNAL_CLOCK_COMMAND, False, "KARVO7SetExternalClock"),
])
def test_a_refused_step_after_the_record_names_its_call(simulator, command, fine, function):
    simulator(f"cards = 1\n[Card]\nfault = command {command:#x} 0xE7001111\n")
    with karvo7.open(1) as card:
        with pytest.raises(karvo7.Error) as refused:
            card.apply(karvo7.ParameterSet(trigger_25ns=fine), 1)
        assert (refused.value.function, refused.value.word) == (function, 0xE7001111)
