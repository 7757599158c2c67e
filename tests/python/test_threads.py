"""One control per thread: threads work at once, and a control refuses calls from other threads."""

import threading

import pytest

import tavlen
from conftest import write_png


def test_two_threads_each_with_its_own_control(tmp_path):
    pictures = [write_png(tmp_path / f"p{i}.png", 160 + 40 * i, 120, lambda x, y: (x % 256, y % 256, 9))
                for i in range(2)]
    results = {}
    errors = []

    def work(index):
        try:
            with tavlen.Dispatch("TAVLEN.TavlenCtrl.1", 200, 150) as control:
                sizes = []
                for _ in range(20):
                    control.LoadImage(str(pictures[index]))
                    control.Rotate90()
                    control.Align = index
                    sizes.append((control.GetWidth(), control.GetHeight(), control.Align))
                results[index] = sizes
        except BaseException as error:  # reported by the main thread
            errors.append(error)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert errors == []
    assert results[0] == [(120, 160, 0)] * 20
    assert results[1] == [(120, 200, 1)] * 20


def test_a_control_refuses_calls_and_release_from_another_thread(control):
    raised = []

    def attempt(call):
        try:
            call()
        except tavlen.ComError as error:
            raised.append(error)

    for call in (control.GetWidth, lambda: tavlen.client_size(control), lambda: tavlen.release(control)):
        thread = threading.Thread(target=attempt, args=(call,))
        thread.start()
        thread.join()
    assert [error.hresult for error in raised] == [0x8001010E] * 3  # RPC_E_WRONG_THREAD
    assert control.GetWidth() == 0  # still fine on its own thread


# A control's LoadImage blocks in open() on a FIFO until another thread opens it for writing, which that
# thread can do only while the first does not hold the GIL. Run apart, so that a held GIL is a timeout.
BLOCKED_LOAD = """
import errno, os, sys, threading, time, tavlen
fifo = sys.argv[1]
def load():
    with tavlen.Dispatch("TAVLEN.TavlenCtrl.1", 50, 50) as control:
        control.LoadImage(fifo)
worker = threading.Thread(target=load)
worker.start()
while True:
    try:
        writer = os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)
        break
    except OSError as error:
        if error.errno != errno.ENXIO:
            raise
        time.sleep(0.01)
os.close(writer)
worker.join()
print("loaded")
"""


def test_the_gil_is_released_while_the_control_works(tmp_path):
    import os
    import subprocess
    import sys

    fifo = tmp_path / "blocked.png"
    os.mkfifo(fifo)
    try:
        run = subprocess.run([sys.executable, "-c", BLOCKED_LOAD, str(fifo)], capture_output=True, text=True,
                             timeout=60)
    except subprocess.TimeoutExpired:
        pytest.fail("LoadImage kept the GIL: no other thread ran while it waited")
    assert run.returncode == 0 and run.stdout.strip() == "loaded", run.stderr
