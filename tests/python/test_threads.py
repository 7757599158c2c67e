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


def test_a_control_refuses_calls_from_another_thread(control):
    raised = []

    def call():
        try:
            control.GetWidth()
        except tavlen.ComError as error:
            raised.append(error)

    thread = threading.Thread(target=call)
    thread.start()
    thread.join()
    assert len(raised) == 1 and raised[0].hresult == 0x8001010E  # RPC_E_WRONG_THREAD
    assert control.GetWidth() == 0  # still fine on its own thread
