"""The Tavlen picture control from Python, by late binding.

    import tavlen
    c = tavlen.Dispatch("TAVLEN.TavlenCtrl.1", width=640, height=480)
    c.LoadImage("picture.png")
    c.align = 4                      # properties and methods by name, in any case
    print(c.GetWidth(), tavlen.client_pixel(c, 10, 10))

Every object belongs to the thread that created it. A failing call raises ComError (with .hresult and
.member); a name the object does not know raises AttributeError; a class that is not registered
raises CreationError, an OSError. A file that a decode limit refuses is answered as always (False, or
nothing), with a RefusalWarning that names the limit. The host functions below have the meaning of the `tavlen` command's
Host functions.
"""

import inspect
import keyword
import os
import tempfile
import threading
import weakref

from . import _tavlen
from ._tavlen import ComError, CreationError, RefusalWarning

__all__ = [
    "ComError", "CreationError", "RefusalWarning", "Control", "Dispatch", "pump", "resize", "client_size",
    "client_pixel", "client_pixels", "picture_pixels", "set_picture_pixels", "save_client_area", "mouse_move",
    "mouse_down", "mouse_up", "wheel", "scroll",
    "scroll_bar", "save_properties", "is_modified", "dialog_response", "dialogs", "release",
]

DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_BADPARAMCOUNT = 0x8002000E
MAX_CLIENT_SIDE = 32767

# Automation types as Python sees them, for signatures.
_PYTHON_TYPES = {
    0: None, 24: None, 2: int, 3: int, 16: int, 17: int, 18: int, 19: int, 20: int, 21: int, 22: int, 23: int,
    10: int, 4: float, 5: float, 6: float, 7: float, 8: str, 11: bool, 9: "Control", 13: object, 12: object,
}


class Control:
    """An automation object: its properties are attributes and its methods are calls, by name in any case."""

    __slots__ = ("_tavlen_object", "_handlers", "__weakref__")

    def __init__(self, native):
        object.__setattr__(self, "_tavlen_object", native)
        object.__setattr__(self, "_handlers", {})

    def __getattr__(self, name):
        # Reached only for names the class does not define: other spellings, or undescribed members.
        if name.startswith("__"):
            raise AttributeError(name)
        native = object.__getattribute__(self, "_tavlen_object")
        kind, canonical = native.resolve(name)
        if kind == "method":
            return _Method(self, canonical)
        if kind == "property":
            return _wrap(native.get(canonical))
        try:
            return _wrap(native.get(canonical))
        except ComError as error:
            # Without a description, a member that is no argument-less property is taken for a method.
            if error.hresult in (DISP_E_BADPARAMCOUNT, DISP_E_MEMBERNOTFOUND):
                return _Method(self, canonical)
            raise

    def __setattr__(self, name, value):
        native = self._tavlen_object
        kind, canonical = native.resolve(name)
        native.set(canonical, value)

    def __dir__(self):
        members = [member[0] for member in self._tavlen_object.members()]
        return sorted(set(members) | {"on"})

    def __repr__(self):
        native = self._tavlen_object
        state = " released" if native.released else ""
        return f"<{native.interface_name or 'automation'} object {native.name!r}{state}>"

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        self._tavlen_object.release()

    def on(self, event, handler=None):
        """Calls handler(*args) for the event named `event` (any case), or, given one object, calls its
        On<Event> methods for the events it has methods for. A handler's exception comes out of the call
        that fired the event."""
        native = self._tavlen_object
        native.connect_events(_dispatcher(weakref.ref(self)))
        events = {name.lower(): name for name, _ in native.events()}
        if handler is None:
            targets = [(name, getattr(event, "On" + name)) for name in events.values() if hasattr(event, "On" + name)]
            if not targets:
                raise ValueError(f"the handler has no method for any event of {native.name!r}: "
                                 + ", ".join("On" + name for name in events.values()))
        else:
            if not callable(handler):
                raise TypeError("on(event, handler): handler must be callable")
            if str(event).lower() not in events:
                raise ValueError(f"{native.name!r} has no event {event!r}; it has " + ", ".join(events.values()))
            targets = [(events[str(event).lower()], handler)]
        for name, target in targets:
            self._handlers.setdefault(name.lower(), []).append(target)


class _Method:
    """A method of one object by name, as `control.name` gives it for spellings the class does not define."""

    __slots__ = ("_control", "__name__")

    def __init__(self, control, name):
        self._control = control
        self.__name__ = name

    def __call__(self, *args):
        return _wrap(self._control._tavlen_object.call(self.__name__, *args))

    def __repr__(self):
        return f"<method {self.__name__} of {self._control!r}>"


def _dispatcher(control_ref):
    # Holds the control weakly, so that handlers that refer to it do not keep it alive.
    def fire(name, args):
        control = control_ref()
        if control is not None:
            for handler in list(control._handlers.get(name.lower(), ())):
                handler(*args)
    return fire


def _parameter_name(name, index):
    if not name or not name.isidentifier():
        return f"arg{index + 1}"
    return name + "_" if keyword.iskeyword(name) else name


def _annotation(vt):
    return _PYTHON_TYPES.get(vt, object)


def _make_method(name, params, vt, type_name, help_text, dispid):
    def method(self, *args):
        return _wrap(self._tavlen_object.call(name, *args))
    parameters = [inspect.Parameter("self", inspect.Parameter.POSITIONAL_ONLY)]
    parameters += [inspect.Parameter(_parameter_name(p_name, i), inspect.Parameter.POSITIONAL_ONLY,
                                     annotation=_annotation(p_vt)) for i, (p_name, p_vt, _) in enumerate(params)]
    method.__name__ = name
    try:
        method.__signature__ = inspect.Signature(parameters, return_annotation=_annotation(vt))
    except ValueError:
        pass  # two parameters of one name: the docstring still shows them
    declared = ", ".join(f"{p_type} {p_name}" for p_name, _, p_type in params)
    result = "void" if vt in (0, 24) else type_name
    method.__doc__ = (help_text + "\n\n" if help_text else "") + f"{result} {name}({declared}), DISPID {dispid}"
    return method


def _make_property(name, read_only, type_name, help_text, dispid):
    # Values are put through Control.__setattr__, which knows every spelling.
    def get(self):
        return _wrap(self._tavlen_object.get(name))
    access = "read-only " if read_only else ""
    doc = (help_text + "\n\n" if help_text else "") + f"{access}{type_name} {name}, DISPID {dispid}"
    return property(get, doc=doc)


_classes = {}
_classes_lock = threading.Lock()


def _class_for(native):
    """A subclass of Control per described interface, whose attributes document the members for help()."""
    members = tuple((name, kind, dispid, read_only, tuple(map(tuple, params)), vt, type_name, help_text)
                    for name, kind, dispid, read_only, params, vt, type_name, help_text in native.members())
    if not members:
        return Control
    key = (native.interface_name, members)
    with _classes_lock:
        cls = _classes.get(key)
        if cls is None:
            namespace = {"__slots__": (), "__doc__": native.help or f"The automation interface {native.interface_name}."}
            for name, kind, dispid, read_only, params, vt, type_name, help_text in members:
                if name.startswith("_") or hasattr(Control, name):
                    continue  # reached through __getattr__ instead
                if kind == "method":
                    namespace[name] = _make_method(name, params, vt, type_name, help_text, dispid)
                else:
                    namespace[name] = _make_property(name, read_only, type_name, help_text, dispid)
            cls = type(native.interface_name or "Control", (Control,), namespace)
            cls.__module__ = __name__
            _classes[key] = cls
        return cls


def _wrap(value):
    if isinstance(value, _tavlen.Object):
        return _class_for(value)(value)
    return value


def _native(control):
    if not isinstance(control, Control):
        raise TypeError(f"expected a tavlen control, not {type(control).__name__}")
    return control._tavlen_object


def _int(value, what):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} must be an int, not {type(value).__name__}")
    return value


def _side(value, what):
    if not 1 <= _int(value, what) <= MAX_CLIENT_SIDE:
        raise ValueError(f"{what} must be 1 ... {MAX_CLIENT_SIDE} pixels, not {value}")
    return value


def _named(value, names, numbers, what):
    if isinstance(value, str):
        try:
            return names[value.lower()]
        except KeyError:
            raise ValueError(f"{what} must be one of {', '.join(names)}, not {value!r}") from None
    if _int(value, what) not in numbers:
        raise ValueError(f"{what} must be one of {', '.join(map(str, sorted(numbers)))}, not {value}")
    return value


_dialog_answer = "ok"
_last_dialogs = []


def Dispatch(prog_id_or_clsid, width=640, height=480, properties=None):
    """Creates the class with this ProgID or "{class identifier}" through the registry; a control is sited
    in a headless window of width x height client pixels and starts from the saved properties file
    `properties` (see save_properties), else from its defaults."""
    if not isinstance(prog_id_or_clsid, str):
        raise TypeError("Dispatch: the ProgID or class identifier must be a str")
    _side(width, "width")
    _side(height, "height")
    text = ""
    if properties is not None:
        with open(properties, encoding="utf-8") as file:
            text = file.read()
    return _wrap(_tavlen.create(prog_id_or_clsid, width, height, text, _dialog_answer))


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


_BUTTONS = {"left": 1, "right": 2, "middle": 4}


def mouse_down(control, button, x, y, keys=0):
    """Presses a button ("left", "right", "middle", or 1, 2, 4) over the window."""
    _tavlen.mouse_button(_native(control), _named(button, _BUTTONS, {1, 2, 4}, "button"), True, _int(x, "x"),
                         _int(y, "y"), _int(keys, "keys"))


def mouse_up(control, button, x, y, keys=0):
    """Releases a button ("left", "right", "middle", or 1, 2, 4) over the window."""
    _tavlen.mouse_button(_native(control), _named(button, _BUTTONS, {1, 2, 4}, "button"), False, _int(x, "x"),
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


_BARS = {"h": 0, "horz": 0, "horizontal": 0, "v": 1, "vert": 1, "vertical": 1}
_SCROLL_CODES = {
    "lineup": 0, "lineleft": 0, "linedown": 1, "lineright": 1, "pageup": 2, "pageleft": 2, "pagedown": 3,
    "pageright": 3, "thumbposition": 4, "thumbtrack": 5, "top": 6, "left": 6, "bottom": 7, "right": 7,
    "endscroll": 8,
}


def scroll(control, bar, code, thumb=0):
    """Scrolls a bar ("horizontal"/"vertical" or 0/1) by a scroll code ("linedown", "pageup", "thumbtrack",
    ... or 0 ... 8); `thumb` is the position for the thumb codes."""
    if _int(thumb, "thumb") < 0:
        raise ValueError("thumb must not be negative")
    _tavlen.scroll(_native(control), _named(bar, _BARS, {0, 1}, "bar"),
                   _named(code, _SCROLL_CODES, set(range(9)), "code"), thumb)


def scroll_bar(control, bar):
    """The state of a scroll bar: {"shown", "min", "max", "page", "pos"}."""
    return _tavlen.scroll_bar(_native(control), _named(bar, _BARS, {0, 1}, "bar"))


def save_properties(control, path):
    """Writes the control's saved properties to `path` (Dispatch's `properties` reads them back) and clears
    its modified flag. The file is written beside its place and renamed, so a failed write leaves an older
    file whole and the flag set."""
    native = _native(control)
    text = _tavlen.save_properties(native, False)
    path = os.fspath(path)
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".tavlen-")
    try:
        with os.fdopen(handle, "w", encoding="utf-8") as file:
            file.write(text)
        # mkstemp makes the file 0600; the saved file keeps the old one's mode, or gets the usual one.
        try:
            mode = os.stat(path).st_mode & 0o7777
        except FileNotFoundError:
            mask = os.umask(0)
            os.umask(mask)
            mode = 0o666 & ~mask
        os.chmod(temporary, mode)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise
    _tavlen.save_properties(native, True)


def is_modified(control):
    """Whether the control has changes its saved properties do not have."""
    return _tavlen.is_modified(_native(control))


def dialog_response(answer):
    """How every following dialog of the control module is answered: "ok" (the default), "cancel" or
    "escape"."""
    global _dialog_answer
    if not isinstance(answer, str) or answer.lower() not in ("ok", "cancel", "escape"):
        raise ValueError(f'the answer must be "ok", "cancel" or "escape", not {answer!r}')
    _dialog_answer = answer.lower()
    _tavlen.set_dialog_answer(_dialog_answer)


def dialogs():
    """The dialogs the control module showed so far: [{"caption", "texts", "result"}]. Once no control is
    left, the list last seen."""
    global _last_dialogs
    shown = _tavlen.shown_dialogs()
    if shown is not None:
        _last_dialogs = shown
    return list(_last_dialogs)


def release(control):
    """Disconnects the control's events and lets it go; later calls on it raise ComError."""
    _native(control).release()
