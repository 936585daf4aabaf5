"""AsyncController against the real controller: awaited calls and properties side by side on
one connection, the claim, events, and the same exceptions as the blocking flavour."""

import asyncio

import pytest

import vq3controller as vq3


def run(coroutine):
    return asyncio.run(asyncio.wait_for(coroutine, 20))


async def calls_side_by_side():
    async with vq3.AsyncController() as controller:
        await controller.set_lamp(True)
        # One connection, calls on different functions at once: each gets its own reply.
        intensity, _ = await asyncio.gather(controller.read_intensity(),
                                            controller.wait_lamp_stable(10))
        assert await controller.intensity == intensity and await controller.lamp_stable
        async with controller.claim():
            assert await controller.owner == controller.unique_name
        assert await controller.owner == ""
        with pytest.raises(vq3.InvalidArgs, match="0 to 100"):
            await controller.set_intensity(-1)
        assert (await controller.all_properties())["State"] == "connected"


async def exposure_events():
    async with vq3.AsyncController() as controller, controller.subscribe() as events:
        await controller.start_exposure(0.2)
        seen = []
        async for event in events:
            seen.append(event)
            if isinstance(event, vq3.ExposureEnded):
                break
        return seen


async def no_controller(address):
    with pytest.raises(vq3.NoController, match="not running"):
        await vq3.AsyncController(address).open()


def test_calls_and_properties_are_awaited(rig):
    run(calls_side_by_side())


def test_events_come_through_an_async_iterator(rig):
    seen = run(exposure_events())
    sent = [e.line for e in seen if isinstance(e, vq3.Traffic) and e.line.startswith(">AT")]
    assert sent[:2] == [">AT000.2", ">ATS"]  # the time, then the start
    assert seen[-1].complete and seen[-1].seconds_open == 0.2
    assert seen[-1].time > seen[1].time


def test_no_controller_is_told_at_once(spare_bus):
    run(no_controller(spare_bus))
