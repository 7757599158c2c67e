"""The Tavlen picture control from Python: a Pillow-like layer over pictures, batch work on Dask, and the
automation interface by late binding.

    import tavlen
    with tavlen.open("photo.jpg") as picture:       # a path, bytes or a binary file
        picture.gray().resize((800, 600)).save("small.png")
        array = picture.to_numpy()                   # (height, width, 4) uint8 RGBA

    c = tavlen.Dispatch("TAVLEN.TavlenCtrl.2", width=640, height=480)
    c.LoadImage("picture.png")
    c.align = 4                      # properties and methods by name, in any case
    print(c.GetWidth(), tavlen.client_pixel(c, 10, 10))

`open` and `Picture` raise ImageError (an OSError) with the reason. On the automation interface, every
object belongs to the thread that created it; a failing call raises ComError (with .hresult and
.member); a name the object does not know raises AttributeError; a class that is not registered raises
CreationError, an OSError. A file that a decode limit refuses is answered as always (False, or
nothing), with a RefusalWarning that names the limit. The host functions have the meaning of the `tavlen` command's Host functions.
`tavlen.batch` runs a job over many files on a Dask cluster.
"""

from ._tavlen import ComError, CreationError, Event, Member, Parameter, RefusalWarning
from .automation import Control, Dispatch
from .host import (client_pixel, client_pixels, client_size, dialog_response, dialogs, is_modified, mouse_down,
                   mouse_move, mouse_up, picture_pixels, pump, release, resize, save_client_area, save_properties, scroll,
                   scroll_bar, set_picture_pixels, wheel)
from .picture import ImageError, Picture, from_numpy, open

__all__ = [
    "open", "Picture", "ImageError", "from_numpy",
    "ComError", "CreationError", "RefusalWarning", "Control", "Dispatch", "Member", "Parameter", "Event",
    "pump", "resize", "client_size", "client_pixel", "client_pixels", "picture_pixels", "set_picture_pixels", "save_client_area", "mouse_move",
    "mouse_down", "mouse_up", "wheel", "scroll", "scroll_bar", "save_properties", "is_modified",
    "dialog_response", "dialogs", "release",
]
