"""Events reach Python callables: by name with on(), or a handler object's On<Event> methods."""

import gc
import weakref

import pytest

import tavlen


class TestEvents:
    def test_stock_mouse_events_with_their_arguments(self, control):
        seen = []
        control.on("MouseDown", lambda *args: seen.append(("MouseDown",) + args))
        control.on("mouseup", lambda *args: seen.append(("MouseUp",) + args))
        control.on("Click", lambda: seen.append(("Click",)))
        tavlen.mouse_down(control, "left", 30, 40)
        tavlen.mouse_up(control, 1, 30, 40)
        assert seen == [("MouseDown", 1, 0, 30, 40), ("MouseUp", 1, 0, 30, 40), ("Click",)]
        seen.clear()
        tavlen.mouse_down(control, "right", 5, 6, keys=8)  # MK_CONTROL
        assert seen == [("MouseDown", 2, 2, 5, 6)]

    def test_a_handler_object(self, control):
        class Handler:
            def __init__(self):
                self.moves = []

            def OnMouseMove(self, button, shift, x, y):
                self.moves.append((button, shift, x, y))

        handler = Handler()
        control.on(handler)
        tavlen.mouse_move(control, 10, 20, keys=4)  # MK_SHIFT
        assert handler.moves == [(0, 1, 10, 20)]

    def test_events_of_a_method_call(self, sample):
        pinged = []
        sample.on("Pinged", pinged.append)
        sample.Ping(42)
        assert pinged == [42]

    def test_a_handlers_exception_comes_out_of_the_call_that_fired_it(self, control):
        def refuse(*args):
            raise KeyError("handler refused")

        control.on("MouseMove", refuse)
        with pytest.raises(KeyError, match="handler refused"):
            tavlen.mouse_move(control, 1, 1)
        tavlen.mouse_down(control, "left", 1, 1)  # the control still works

    def test_unknown_events_and_handlers(self, control):
        with pytest.raises(ValueError, match="Click"):
            control.on("NoSuchEvent", print)
        with pytest.raises(TypeError):
            control.on("Click", "not callable")
        with pytest.raises(ValueError):
            control.on(object())

    def test_handlers_that_refer_to_the_control_do_not_keep_it_alive(self):
        control = tavlen.Dispatch("TAVLEN.TavlenCtrl.1")
        control.on("Click", lambda: control.GetWidth())
        alive = weakref.ref(control)
        del control
        gc.collect()
        assert alive() is None
