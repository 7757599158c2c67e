"""Host functions on a control's headless window and persistence, with the meaning of the `tavlen`
command's Host functions: size, pixels, input, saved properties and dialogs."""

import os

from . import _tavlen
from .automation import Control, _int, _set_dialog_answer, _side

__all__ = [
    "pump", "resize", "client_size", "client_pixel", "client_pixels", "save_client_area", "mouse_move",
    "mouse_down", "mouse_up", "wheel", "scroll", "scroll_bar", "save_properties", "is_modified",
    "dialog_response", "dialogs", "release",
]

def _native(control):
    if not isinstance(control, Control):
        raise TypeError(f"expected a tavlen control, not {type(control).__name__}")
    return control._tavlen_object


def _named(value, names, what):
    numbers = set(names.values())
    if isinstance(value, str):
        try:
            return names[value.lower()]
        except KeyError:
            raise ValueError(f"{what} must be one of {', '.join(names)}, not {value!r}") from None
    if _int(value, what) not in numbers:
        raise ValueError(f"{what} must be one of {', '.join(map(str, sorted(numbers)))}, not {value}")
    return value


def pump():
    """Delivers the pending paints of this thread's controls; how many there were. Every call into a
    control pumps its window already."""
    return _tavlen.pump()


def resize(control, width, height):
    """Resizes the control's window to this client size."""
    _tavlen.resize(_native(control), _side(width, "width"), _side(height, "height"))


def client_size(control):
    """(width, height) of the client area, without the scroll bars."""
    return _tavlen.client_size(_native(control))


def client_pixel(control, x, y):
    """0x00BBGGRR of the window's client pixel, -1 outside the client area."""
    return _tavlen.client_pixel(_native(control), _int(x, "x"), _int(y, "y"))


def client_pixels(control):
    """The client area as a numpy array of shape (height, width, 4), uint8 R, G, B, 255."""
    import numpy  # only this function needs it

    width, height, pixels = _tavlen.client_pixels(_native(control))
    return numpy.frombuffer(pixels, dtype=numpy.uint8).reshape(height, width, 4)


def picture_pixels(control):
    """The working image as a numpy array of shape (height, width, 4), uint8 R, G, B, A; None without a
    picture. Read through the control's pixel interface, not its window."""
    import numpy  # only the pixel functions need it

    found = _tavlen.picture_pixels(_native(control))
    if found is None:
        return None
    width, height, pixels = found
    return numpy.frombuffer(pixels, dtype=numpy.uint8).reshape(height, width, 4)


def set_picture_pixels(control, array):
    """Replaces the working image with a numpy array of shape (height, width, 4), uint8 R, G, B, A, of
    any size: an edit that can be undone (and fires PictureChanged on version 2)."""
    import numpy

    native = _native(control)
    if not isinstance(array, numpy.ndarray):
        raise TypeError(f"expected a numpy array, not {type(array).__name__}")
    if array.dtype != numpy.uint8:
        raise TypeError(f"expected dtype uint8, not {array.dtype}")
    if array.ndim != 3 or array.shape[2] != 4 or array.shape[0] == 0 or array.shape[1] == 0:
        raise ValueError(f"expected shape (height, width, 4) with both sides above 0, not {array.shape}")
    height, width = array.shape[0], array.shape[1]
    _tavlen.set_picture_pixels(native, width, height, numpy.ascontiguousarray(array))


def save_client_area(control, path):
    """Writes the client area as a PNG file."""
    _tavlen.save_client_area(_native(control), os.fspath(path))


def mouse_move(control, x, y, keys=0):
    """Moves the pointer over the window; `keys` holds MK_* flags (4 Shift, 8 Ctrl)."""
    _tavlen.mouse_move(_native(control), _int(x, "x"), _int(y, "y"), _int(keys, "keys"))


_NAMED_VALUES = _tavlen.named_values()
_BUTTONS = _NAMED_VALUES["buttons"]


def mouse_down(control, button, x, y, keys=0):
    """Presses a button ("left", "right", "middle", or 1, 2, 4) over the window."""
    _tavlen.mouse_button(_native(control), _named(button, _BUTTONS, "button"), True, _int(x, "x"),
                         _int(y, "y"), _int(keys, "keys"))


def mouse_up(control, button, x, y, keys=0):
    """Releases a button ("left", "right", "middle", or 1, 2, 4) over the window."""
    _tavlen.mouse_button(_native(control), _named(button, _BUTTONS, "button"), False, _int(x, "x"),
                         _int(y, "y"), _int(keys, "keys"))


def wheel(control, delta, x=None, y=None, keys=0):
    """Turns the wheel by `delta` (120 a notch) with the pointer at (x, y), by default the middle of the
    client area; whether the control handled it."""
    if not -32768 <= _int(delta, "delta") <= 32767:
        raise ValueError(f"delta must fit 16 bits, not {delta}")
    if x is None or y is None:
        width, height = client_size(control)
        x = width // 2 if x is None else x
        y = height // 2 if y is None else y
    return _tavlen.wheel(_native(control), delta, _int(x, "x"), _int(y, "y"), _int(keys, "keys"))


_BARS = _NAMED_VALUES["bars"]
_SCROLL_CODES = _NAMED_VALUES["scroll_codes"]


def scroll(control, bar, code, thumb=0):
    """Scrolls a bar ("horizontal"/"vertical" or 0/1) by a scroll code ("linedown", "pageup", "thumbtrack",
    ... or 0 ... 8); `thumb` is the position for the thumb codes."""
    if _int(thumb, "thumb") < 0:
        raise ValueError("thumb must not be negative")
    _tavlen.scroll(_native(control), _named(bar, _BARS, "bar"),
                   _named(code, _SCROLL_CODES, "code"), thumb)


def scroll_bar(control, bar):
    """The state of a scroll bar: {"shown", "min", "max", "page", "pos"}."""
    return _tavlen.scroll_bar(_native(control), _named(bar, _BARS, "bar"))


def save_properties(control, path):
    """Writes the control's saved properties to `path` (Dispatch's `properties` reads them back) and clears
    its modified flag. The file is written beside its place, flushed and renamed, so a failed write leaves
    an older file whole and the flag set."""
    native = _native(control)
    _tavlen.write_file_atomically(os.fspath(path), _tavlen.save_properties(native, False).encode("utf-8"))
    _tavlen.save_properties(native, True)


def is_modified(control):
    """Whether the control has changes its saved properties do not have."""
    return _tavlen.is_modified(_native(control))


def dialog_response(answer):
    """How every following dialog of the control module is answered: "ok" (the default), "cancel" or
    "escape"."""
    if not isinstance(answer, str) or answer.lower() not in ("ok", "cancel", "escape"):
        raise ValueError(f'the answer must be "ok", "cancel" or "escape", not {answer!r}')
    _set_dialog_answer(answer.lower())
    _tavlen.set_dialog_answer(answer.lower())


def dialogs():
    """The dialogs the control module showed so far: [{"caption", "texts", "result"}]. Once no control is
    left, the list last seen."""
    return _tavlen.shown_dialogs()


def release(control):
    """Disconnects the control's events and lets it go; later calls on it raise ComError."""
    _native(control).release()
