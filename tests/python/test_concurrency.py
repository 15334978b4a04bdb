"""Work split over threads, the interpreter lock released during calls, and
interruption by a signal: none of it changes a single returned bit."""

import gc
import os
import signal
import sys
import threading
import time

import pytest

import vantor

REQUESTS = [([2], 17, 2, 3000), ([2, 3], 73, 1, 1500), ([-1, 2], 17, 1, 800)]


@pytest.mark.parametrize("request_args", REQUESTS, ids=str)
def test_plain_and_certified_calls_give_the_same_points(request_args):
    plain = vantor.generate_multiquadratic(*request_args)
    certified = vantor.generate_multiquadratic_certified(*request_args)
    assert certified["points"] == plain


def test_every_thread_count_gives_the_same_results(monkeypatch):
    cloud = [((i * 7919) % 1000 / 37.0, (i * 104729) % 1000 / 41.0) for i in range(30000)]
    results = []
    for threads in ("1", "2", "3"):
        monkeypatch.setenv("VANTOR_NUM_THREADS", threads)
        results.append((
            vantor.generate_multiquadratic([2], 17, 2, 20000),
            vantor.generate_multiquadratic_certified([2, 3], 73, 1, 2000),
            [vantor.count_unit_distances(cloud, t) for t in (1e-5, 1e-2, 1.0)],
        ))
    assert results[0] == results[1] == results[2]


def test_other_threads_run_during_a_long_call():
    ticks = []
    worker = threading.Thread(target=vantor.generate_multiquadratic, args=([2], 17, 1, 150000))
    worker.start()
    while worker.is_alive():
        ticks.append(time.perf_counter())
        time.sleep(0.005)
    worker.join()
    # With the lock held for the whole call this thread would not get back
    # in until the call returned.
    assert len(ticks) >= 5


@pytest.mark.skipif(threading.current_thread() is not threading.main_thread(),
                    reason="signals are delivered to the main thread")
def test_sigint_stops_a_long_call_and_leaves_the_module_usable():
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    started = time.perf_counter()
    try:
        with pytest.raises(KeyboardInterrupt):
            # Tens of seconds of work when left to run.
            vantor.generate_multiquadratic([2, 3], 73, 1, 150000)
    finally:
        timer.cancel()
    assert time.perf_counter() - started < 10
    assert vantor.generate_multiquadratic([2], 17, 1, 20) == vantor.generate_multiquadratic([2], 17, 1, 20)
    assert vantor.count_unit_distances(vantor.generate_moser_spindle()) == 11


@pytest.mark.skipif(threading.current_thread() is not threading.main_thread(),
                    reason="signals are delivered to the main thread")
@pytest.mark.parametrize("call, seconds", [
    # Two tight clusters about a unit apart, the window's edge running
    # through their cross pairs: every one of them is tested.
    (lambda: vantor.count_unit_distances([(0.0, i * 1e-11) for i in range(60000)]
                                         + [(1 - 2e-5 + i * 7e-10, 0.0) for i in range(60000)]),
     0.3),
    # The library work is short; building the list of points is the long part.
    (lambda: vantor.generate_triangular_grid(4 * 10**6), 0.4),
])
def test_sigint_stops_counting_and_result_building(call, seconds):
    before = len(gc.get_objects())
    blocks = sys.getallocatedblocks()
    timer = threading.Timer(seconds, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            call()
    finally:
        timer.cancel()
    # A partial list is released in slices between bytecodes; a few
    # thousand of them are more than enough.
    for _ in range(5000):
        time.sleep(0)
    gc.collect()
    # Nothing of the interrupted result is left behind.
    assert len(gc.get_objects()) < before + 1000
    assert sys.getallocatedblocks() < blocks + 20000
    assert vantor.count_unit_distances(vantor.generate_moser_spindle()) == 11
