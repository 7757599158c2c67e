"""The registry the package uses. An installed package carries the control module (Tavlen.ocx) and
registers it on first use in a registry file of its own beside it, inside the environment it was
installed into, so nothing needs `tavlen regsvr` or TAVLEN_REGISTRY. A package without the module (a
build tree on PYTHONPATH, `cmake --install`) uses the registry the user set up, as before.

TAVLEN_REGISTRY, when set, always wins, and so does the user's registry where the package folder is
not writable; the packaged module is registered there only when it has no version 2 of the control."""

import os
import threading

from . import _tavlen

# The control the package creates and checks the registration of: version 2.
PROG_ID = "TAVLEN.TavlenCtrl.2"
PACKAGE_FOLDER = os.path.dirname(os.path.abspath(__file__))
PACKAGED_MODULE = os.path.join(PACKAGE_FOLDER, "Tavlen.ocx")
OWN_REGISTRY = os.path.join(PACKAGE_FOLDER, "registry")

_lock = threading.Lock()
_done = False


def register_packaged_module():
    """Points the process at the package's registry and registers the packaged module there when it is not
    yet; once per process. Child processes inherit the registry through the environment."""
    global _done
    if _done:
        return
    with _lock:
        if _done or not os.path.isfile(PACKAGED_MODULE):
            _done = True
            return
        # A package folder that is not writable (a system-wide install used by another user) leaves the
        # user's own registry in use.
        own = not os.environ.get("TAVLEN_REGISTRY") and os.access(PACKAGE_FOLDER, os.W_OK)
        if own:
            os.environ["TAVLEN_REGISTRY"] = OWN_REGISTRY
        registered = _tavlen.registered_module(PROG_ID)
        # The own registry follows the package (a reinstall, a moved environment); another registry keeps
        # what its owner registered there.
        if registered is None or (own and registered != PACKAGED_MODULE):
            _tavlen.register_module(PACKAGED_MODULE)
        _done = True
