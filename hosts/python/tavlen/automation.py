"""Automation objects by late binding: Dispatch creates a registered class, Control calls its members by
name. See the package's docstring for the rules."""

import inspect
import keyword
import threading
import weakref

from . import _environment, _tavlen
from ._tavlen import ComError

__all__ = ["Control", "Dispatch"]

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
            if _tavlen.is_method_by_property_get(error.hresult):
                return _Method(self, canonical)
            raise

    def __setattr__(self, name, value):
        native = self._tavlen_object
        kind, canonical = native.resolve(name)
        native.set(canonical, value)

    def __dir__(self):
        members = [member.name for member in self._tavlen_object.members()]
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
        events = {event.name.lower(): event.name for event in native.events()}
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


def _make_method(member):
    name = member.name

    def method(self, *args):
        return _wrap(self._tavlen_object.call(name, *args))
    parameters = [inspect.Parameter("self", inspect.Parameter.POSITIONAL_ONLY)]
    parameters += [inspect.Parameter(_parameter_name(param.name, i), inspect.Parameter.POSITIONAL_ONLY,
                                     annotation=_annotation(param.vt)) for i, param in enumerate(member.params)]
    method.__name__ = name
    try:
        method.__signature__ = inspect.Signature(parameters, return_annotation=_annotation(member.vt))
    except ValueError:
        pass  # two parameters of one name: the docstring still shows them
    declared = ", ".join(f"{param.type_name} {param.name}" for param in member.params)
    result = "void" if member.vt in (0, 24) else member.type_name
    method.__doc__ = _help(member) + f"{result} {name}({declared}), DISPID {member.dispid}"
    return method


def _make_property(member):
    # help() files a property without a setter under "Readonly properties": only read-only members lack one.
    name = member.name

    def get(self):
        return _wrap(self._tavlen_object.get(name))

    def put(self, value):
        self._tavlen_object.set(name, value)
    access = "read-only" if member.read_only else "settable"
    doc = _help(member) + f"{access} {member.type_name} {name}, DISPID {member.dispid}"
    return property(get, None if member.read_only else put, doc=doc)


def _help(member):
    return member.help + "\n\n" if member.help else ""


_classes = {}
_classes_lock = threading.Lock()


def _class_for(native):
    """A subclass of Control per described interface, whose attributes document the members for help()."""
    members = tuple(native.members())
    if not members:
        return Control
    key = (native.interface_name, members)
    with _classes_lock:
        cls = _classes.get(key)
        if cls is None:
            namespace = {"__slots__": (), "__doc__": native.help or f"The automation interface {native.interface_name}."}
            for member in members:
                if member.name.startswith("_") or hasattr(Control, member.name):
                    continue  # reached through __getattr__ instead
                maker = _make_method if member.kind == "method" else _make_property
                namespace[member.name] = maker(member)
            cls = type(native.interface_name or "Control", (Control,), namespace)
            cls.__module__ = __name__
            _classes[key] = cls
        return cls


def _wrap(value):
    if isinstance(value, _tavlen.Object):
        return _class_for(value)(value)
    return value


def _int(value, what):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} must be an int, not {type(value).__name__}")
    return value


def _side(value, what):
    if not 1 <= _int(value, what) <= MAX_CLIENT_SIDE:
        raise ValueError(f"{what} must be 1 ... {MAX_CLIENT_SIDE} pixels, not {value}")
    return value


_dialog_answer = "ok"


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
    _environment.register_packaged_module()
    return _wrap(_tavlen.create(prog_id_or_clsid, width, height, text, _dialog_answer))


def _set_dialog_answer(answer):
    global _dialog_answer
    _dialog_answer = answer
