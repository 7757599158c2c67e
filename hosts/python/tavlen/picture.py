"""Pictures the Python way: `tavlen.open` a path, bytes or binary file, edit with methods, save under
exactly the name given, and read or write the pixels as numpy arrays. Each Picture drives its own
control (version 2, in a small headless window); failures raise ImageError with the reason."""

import collections.abc
import errno
import importlib
import os
import shutil
import tempfile
import uuid
import weakref

from . import host
from ._environment import PROG_ID
from .automation import Dispatch

__all__ = ["ImageError", "Picture", "open", "from_numpy", "FORMATS", "TIFF_COMPRESSIONS", "TEXT_STYLES", "TAGS"]

# The window only hosts the control; its size does not bound the picture.
_WINDOW_SIZE = (64, 64)

# Format names and the file name suffixes that choose them (in any case).
FORMATS = {"bmp": (".bmp", ".dib"), "gif": (".gif",), "jpeg": (".jpg", ".jpeg", ".jpe"), "png": (".png",),
           "tiff": (".tif", ".tiff"), "webp": (".webp",)}
# The saving method of each format and the suffix it appends to the name it is given.
_SAVERS = {"bmp": ("SaveAsBmp", ".bmp"), "gif": ("SaveAsGif", ".gif"), "jpeg": ("SaveAsJpg", ".jpg"),
           "png": ("SaveAsPng", ".png"), "tiff": ("SaveAsTif", ".tiff"), "webp": ("SaveAsWebp", ".webp")}
# The formats whose quality is the control's JpgQuality (WebP is lossless at 100).
_QUALITY_FORMATS = ("jpeg", "webp")
# The TiffCompression values by name; "ccitt3" and "ccitt4" turn the picture black and white first.
TIFF_COMPRESSIONS = {"lzw": 0, "ccitt3": 1, "ccitt4": 2, "rle": 3, "none": 4, "deflate": 5}
# Text styles: (TextBold, TextItalic).
TEXT_STYLES = {"regular": (False, False), "bold": (True, False), "italic": (False, True),
               "bold italic": (True, True)}
# The descriptive tags, each read and written by GetImage<Tag> / SetImage<Tag>.
TAGS = ("Artist", "Copyright", "DateTime", "Description", "EquipMake", "EquipModel", "Title")
# The suffixes LoadImage accepts; other names are loaded through a link with the suffix of their contents.
_READABLE_SUFFIXES = {".bmp", ".dib", ".gif", ".png", ".jpg", ".jpe", ".jpeg", ".tif", ".tiff", ".wmf", ".emf",
                      ".webp", ".avif", ".avifs", ".heic", ".heif", ".hif", ".jxl"}


class ImageError(OSError):
    """A picture that cannot be opened, decoded or saved; `filename` names the file, `strerror` the reason."""


def _package():
    # picture_pixels and set_picture_pixels are the package's own functions.
    return importlib.import_module(__package__)


def _sniff(header):
    """The suffix for the contents starting with `header`, or None when no format the control reads
    starts that way."""
    if header.startswith(b"\x89PNG\r\n\x1a\n"):
        return ".png"
    if header.startswith(b"\xff\xd8\xff"):
        return ".jpg"
    if header.startswith((b"GIF87a", b"GIF89a")):
        return ".gif"
    if header.startswith(b"BM"):
        return ".bmp"
    if header.startswith((b"II*\0", b"MM\0*")):
        return ".tif"
    if header.startswith((b"\xd7\xcd\xc6\x9a", b"\x01\0\x09\0", b"\x02\0\x09\0")):
        return ".wmf"
    if header[:4] == b"\x01\0\0\0" and header[40:44] == b" EMF":
        return ".emf"
    if header[:4] == b"RIFF" and header[8:12] == b"WEBP":
        return ".webp"
    if header[4:8] == b"ftyp":
        brand = header[8:12]
        if brand in (b"avif", b"avis"):
            return ".avif"
        if brand in (b"heic", b"heix", b"heim", b"heis", b"hevc", b"hevx", b"mif1", b"msf1"):
            return ".heic"
    if header.startswith((b"\xff\x0a", b"\0\0\0\x0cJXL \r\n\x87\n")):
        return ".jxl"
    return None


def _has_palette(header):
    """GIFs, and BMPs and PNGs stored with a palette: the control edits only pictures without one."""
    if header.startswith(b"GIF"):
        return True
    if header.startswith(b"\x89PNG\r\n\x1a\n") and len(header) > 25:
        return header[25] == 3
    if header.startswith(b"BM") and len(header) >= 30:
        return int.from_bytes(header[28:30], "little") <= 8
    return False


def _color(value, what="color"):
    """OLE_COLOR 0x00BBGGRR of an (r, g, b) tuple or "#rrggbb"."""
    if isinstance(value, str):
        text = value[1:] if value.startswith("#") else ""
        if len(text) != 6 or any(c not in "0123456789abcdefABCDEF" for c in text):
            raise ValueError(f'{what} must be "#rrggbb", not {value!r}')
        red, green, blue = (int(text[i:i + 2], 16) for i in (0, 2, 4))
    else:
        try:
            red, green, blue = value
        except (TypeError, ValueError):
            raise TypeError(f"{what} must be an (r, g, b) tuple or \"#rrggbb\", not {value!r}") from None
        for part in (red, green, blue):
            if isinstance(part, bool) or not isinstance(part, int) or not 0 <= part <= 255:
                raise ValueError(f"{what} parts must be ints 0 ... 255, not {value!r}")
    return red | green << 8 | blue << 16


def _rgb(ole_color):
    return (ole_color & 0xFF, ole_color >> 8 & 0xFF, ole_color >> 16 & 0xFF)


def _int(value, what, low, high):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{what} must be {low} ... {high}, not {value}")
    return value


class _Control:
    """One control with a count of its PictureChanged events, which tells a load that decoded from one
    that left the previous picture in place. Shared by the pictures loaded into it (tavlen.batch)."""

    def __init__(self):
        self.dispatch = Dispatch(PROG_ID, *_WINDOW_SIZE)
        changes = [0]
        self.changes = changes
        self.dispatch.on("PictureChanged", lambda: changes.__setitem__(0, changes[0] + 1))
        d = self.dispatch
        self.text_defaults = (d.TextFont, d.TextSize, d.TextColor, d.TextBold, d.TextItalic)

    def load(self, path, page=None):
        """Loads the file (a page of a TIFF when `page` is given); ImageError when nothing was decoded."""
        before = self.changes[0]
        if page is None:
            self.dispatch.LoadImage(path)
        else:
            self.dispatch.LoadFrame(path, page)
        if self.changes[0] == before or self.dispatch.GetWidth() == 0:
            raise ImageError(errno.EINVAL, "not a picture the control can decode", path)

    def release(self):
        host.release(self.dispatch)


def _check_readable(path):
    """ImageError with the operating system's reason for a path that is no readable regular file."""
    try:
        with builtins_open(path, "rb") as file:
            return file.read(64)
    except IsADirectoryError:
        raise ImageError(errno.EISDIR, "is a folder, not a picture", path) from None
    except OSError as error:
        raise ImageError(error.errno, error.strerror, path) from None


builtins_open = open  # `open` below is tavlen.open


class Picture:
    """A picture held by a control. Edits change it in place and return it, so they chain:
    `picture.gray().rotate(90).save("out.png")`. Close it (or use `with`) to release the control."""

    def __init__(self, _control, _source=None, _scratch=None, _owned=True):
        self._control = _control
        self._source = _source  # the loaded file, for frames
        self._palette = False
        self._owned = _owned
        self._closer = weakref.finalize(self, _close, _control if _owned else None, _scratch)

    # -- opening ----------------------------------------------------------------------------------------

    @classmethod
    def _load(cls, control, path, page=None, owned=True, scratch=None):
        """Loads `path` into `control`; the picture takes the control (released on close when `owned`)
        and the scratch folder, also when loading fails."""
        picture = cls(control, path, scratch, owned)
        try:
            header = _check_readable(path)
            if os.path.splitext(path)[1].lower() not in _READABLE_SUFFIXES:
                suffix = _sniff(header)
                if suffix is None:
                    raise ImageError(errno.EINVAL, "not a picture: the contents are of no format the control "
                                     "reads", path)
                link_folder = tempfile.mkdtemp(prefix="tavlen-")
                weakref.finalize(picture, shutil.rmtree, link_folder, True)
                picture._source = os.path.join(link_folder, "picture" + suffix)
                os.symlink(os.path.abspath(path), picture._source)
            control.load(picture._source, page)
        except ImageError as error:
            picture.close()
            raise ImageError(error.errno, error.strerror, path) from None
        except BaseException:
            picture.close()
            raise
        picture._palette = _has_palette(header)
        return picture

    # -- what it is -------------------------------------------------------------------------------------

    @property
    def width(self) -> int:
        """Width in pixels (read-only)."""
        return self._dispatch.GetWidth()

    @property
    def height(self) -> int:
        """Height in pixels (read-only)."""
        return self._dispatch.GetHeight()

    @property
    def size(self) -> tuple:
        """(width, height) in pixels (read-only)."""
        return (self.width, self.height)

    @property
    def mode(self) -> str:
        """What the pixels hold (read-only): "1" only black and white, "L" only grays, "RGBA" some
        transparency, else "RGB"."""
        pixels = self.to_numpy()
        if (pixels[..., 3] != 255).any():
            return "RGBA"
        red, green, blue = pixels[..., 0], pixels[..., 1], pixels[..., 2]
        if (red == green).all() and (green == blue).all():
            return "1" if ((red == 0) | (red == 255)).all() else "L"
        return "RGB"

    @property
    def frames(self):
        """The pages of a multi-page TIFF as a sequence of new Pictures (index or iterate; close each);
        any other file has one frame, a copy of the picture as loaded."""
        return _Frames(self)

    @property
    def tags(self):
        """The seven descriptive tags as a mutable mapping: Artist, Copyright, DateTime, Description,
        EquipMake, EquipModel, Title; "" where a tag is unset. Tags are set, never removed."""
        return _Tags(self._dispatch)

    @property
    def _dispatch(self):
        if not self._closer.alive:
            raise ValueError("the picture is closed")
        return self._control.dispatch

    def __repr__(self):
        if not self._closer.alive:
            return "<tavlen.Picture closed>"
        return f"<tavlen.Picture {self.width}x{self.height}>"

    # -- edits ------------------------------------------------------------------------------------------

    def _editable(self):
        # The control edits only pictures without a palette; leaving it is lossless for them.
        dispatch = self._dispatch
        if self._palette:
            dispatch.ConvertFrom1bpp()
            self._palette = False
        return dispatch

    def gray(self):
        """Converts the picture to shades of gray."""
        self._editable().ConvertImageToGrayScaled()
        return self

    def black_white(self):
        """Converts the picture to black and white."""
        self._editable().ConvertImageToBlackWhite()
        return self

    def rotate(self, angle):
        """Turns the picture clockwise by `angle`: 90, 180 or 270 degrees (Pillow's rotate turns the other
        way)."""
        methods = {90: "Rotate90", 180: "Rotate180", 270: "Rotate270"}
        if isinstance(angle, bool) or angle not in methods:
            raise ValueError(f"angle must be 90, 180 or 270, not {angle!r}")
        getattr(self._editable(), methods[angle])()
        return self

    def flip(self):
        """Turns the picture upside down (top to bottom)."""
        self._editable().Flip(True)
        return self

    def mirror(self):
        """Mirrors the picture left to right."""
        self._editable().Flip(False)
        return self

    def resize(self, size):
        """Scales the picture to size = (width, height) pixels, each 1 ... 65535."""
        try:
            width, height = size
        except (TypeError, ValueError):
            raise TypeError(f"size must be a (width, height) pair, not {size!r}") from None
        self._editable().Resize(_int(width, "width", 1, 65535), _int(height, "height", 1, 65535))
        return self

    def text(self, xy, text, font=None, size=None, color=None, style=None):
        """Draws `text` with its top left corner at xy = (x, y) pixels (each -32768 ... 32767). font: a
        font family name; size: points, 1 ... 32767; color: (r, g, b) or "#rrggbb"; style: "regular",
        "bold", "italic" or "bold italic". What is not given is the control's default."""
        try:
            x, y = xy
        except (TypeError, ValueError):
            raise TypeError(f"xy must be an (x, y) pair, not {xy!r}") from None
        x, y = _int(x, "x", -32768, 32767), _int(y, "y", -32768, 32767)
        if not isinstance(text, str):
            raise TypeError(f"text must be a str, not {type(text).__name__}")
        default_font, default_size, default_color, default_bold, default_italic = self._control.text_defaults
        if font is not None and not isinstance(font, str):
            raise TypeError(f"font must be a str, not {type(font).__name__}")
        if style is not None and style not in TEXT_STYLES:
            raise ValueError(f"style must be one of {', '.join(map(repr, TEXT_STYLES))}, not {style!r}")
        dispatch = self._editable()
        dispatch.TextFont = default_font if font is None else font
        dispatch.TextSize = default_size if size is None else _int(size, "size", 1, 32767)
        dispatch.TextColor = default_color if color is None else _color(color)
        dispatch.TextBold, dispatch.TextItalic = (default_bold, default_italic) if style is None else TEXT_STYLES[style]
        dispatch.DrawText(x, y, text)
        return self

    def undo(self):
        """Takes back the last edit; nothing happens when there is none."""
        self._dispatch.Undo()
        return self

    def redo(self):
        """Makes the last edit taken back again; nothing happens when there is none."""
        self._dispatch.Redo()
        return self

    # -- pixels -----------------------------------------------------------------------------------------

    def to_numpy(self):
        """The pixels as a numpy array of shape (height, width, 4), uint8 R, G, B, A."""
        return _package().picture_pixels(self._dispatch)

    # -- saving -----------------------------------------------------------------------------------------

    def save(self, path, format=None, quality=None, compression=None):
        """Writes the picture to exactly `path` (str or os.PathLike), replacing it whole or not at all.
        format: "bmp", "gif", "jpeg", "png", "tiff" or "webp", else the one of the path's suffix (.bmp .dib
        .gif .jpg .jpeg .jpe .png .tif .tiff .webp). quality: JPEG and WebP only, 0 ... 100 (default: the
        control's JpgQuality, 100; WebP at 100 is lossless). compression: TIFF only, "lzw" (the default),
        "deflate", "ccitt3", "ccitt4", "rle" or "none"; the CCITT ones make the picture black and white
        first. ImageError with the reason when
        the file cannot be written."""
        path = os.fspath(path)
        if not isinstance(path, str):
            path = os.fsdecode(path)
        format = _format_of(path, format)
        settings = {}
        if quality is not None:
            if format not in _QUALITY_FORMATS:
                raise ValueError("quality applies to JPEG and WebP only")
            settings["JpgQuality"] = _int(quality, "quality", 0, 100)
        if compression is not None:
            if format != "tiff":
                raise ValueError("compression applies to TIFF only")
            if compression not in TIFF_COMPRESSIONS:
                raise ValueError(f"compression must be one of {', '.join(TIFF_COMPRESSIONS)}, not {compression!r}")
            settings["TiffCompression"] = TIFF_COMPRESSIONS[compression]
        folder = os.path.dirname(os.path.abspath(path))
        if os.path.isdir(path):
            raise ImageError(errno.EISDIR, "is a folder", path)
        if not os.path.isdir(folder):
            raise ImageError(errno.ENOENT, "the folder does not exist", path)
        if not os.access(folder, os.W_OK):
            raise ImageError(errno.EACCES, "the folder is not writable", path)
        method, appended = _SAVERS[format]
        name = os.path.basename(path)
        # The control appends its suffix to the name it gets and writes through a temporary file it
        # flushes and renames into place: given the path less that suffix, it writes exactly the path.
        # Any other name: it writes a hidden name in the same folder, which is renamed onto the path, so
        # the path holds the old file or the whole new one.
        exact = name.endswith(appended) and len(name) > len(appended)
        base = os.path.join(folder, name[:-len(appended)] if exact else f".{name}.{uuid.uuid4().hex}")
        if not self._write(method, settings, base):
            raise ImageError(errno.EIO, f"the picture cannot be written as {format.upper()}", path)
        if exact:
            return
        try:
            os.replace(base + appended, path)
        except OSError as error:
            os.unlink(base + appended)
            raise ImageError(error.errno, error.strerror, path) from None

    def _write(self, method, settings, base):
        """Calls the control's save `method` on `base` with `settings` set for that call only."""
        dispatch = self._dispatch
        saved = {name: getattr(dispatch, name) for name in settings}
        try:
            for name, value in settings.items():
                setattr(dispatch, name, value)
            return getattr(dispatch, method)(base)
        finally:
            for name, value in saved.items():
                setattr(dispatch, name, value)

    # -- lifetime ---------------------------------------------------------------------------------------

    def copy(self):
        """A new Picture with this one's pixels and tags (without its undo history)."""
        duplicate = from_numpy(self.to_numpy())
        duplicate.tags.update(self.tags)
        return duplicate

    def close(self):
        """Releases the control (when the picture has its own) and scratch files; again is harmless."""
        self._closer()

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        self.close()


def _close(control, scratch):
    if control is not None:
        control.release()
    if scratch:
        shutil.rmtree(scratch, ignore_errors=True)


def _format_of(path, format):
    if format is not None:
        key = str(format).lower()
        key = {"jpg": "jpeg", "tif": "tiff"}.get(key, key)
        if key not in FORMATS:
            raise ValueError(f"format must be one of {', '.join(FORMATS)}, not {format!r}")
        return key
    suffix = os.path.splitext(path)[1].lower()
    for key, suffixes in FORMATS.items():
        if suffix in suffixes:
            return key
    raise ValueError(f"no format given and the suffix {suffix!r} names none: pass format= one of {', '.join(FORMATS)}")


class _Frames(collections.abc.Sequence):
    def __init__(self, picture):
        self._picture = picture
        source = picture._source
        count = picture._dispatch.GetFrameCount(source) if source else 0
        self._paged = source is not None and os.path.splitext(source)[1].lower() in (".tif", ".tiff") and count > 1
        self._count = count if self._paged else 1

    def __len__(self):
        return self._count

    def __getitem__(self, index):
        if isinstance(index, slice):
            return [self[i] for i in range(*index.indices(self._count))]
        if index < 0:
            index += self._count
        if not 0 <= index < self._count:
            raise IndexError(f"frame {index} of {self._count}")
        if not self._paged:
            return self._picture.copy()
        return Picture._load(_Control(), self._picture._source, page=index + 1)


class _Tags(collections.abc.MutableMapping):
    def __init__(self, dispatch):
        self._dispatch = dispatch

    def _name(self, key):
        if key not in TAGS:
            raise KeyError(f"{key!r}: the tags are {', '.join(TAGS)}")
        return key

    def __getitem__(self, key):
        return getattr(self._dispatch, "GetImage" + self._name(key))()

    def __setitem__(self, key, value):
        if not isinstance(value, str):
            raise TypeError(f"a tag is a str, not {type(value).__name__}")
        getattr(self._dispatch, "SetImage" + self._name(key))(value)

    def __delitem__(self, key):
        raise TypeError(f"the seven tags are always there: set {self._name(key)!r} to a new text instead")

    def __iter__(self):
        return iter(TAGS)

    def __len__(self):
        return len(TAGS)

    def __repr__(self):
        return repr(dict(self))


def open(source):
    """Opens a picture from a path (str or os.PathLike), bytes, or a binary file object. ImageError (an
    OSError) with the reason when the source is missing, unreadable or not a picture the control decodes."""
    if isinstance(source, (bytes, bytearray, memoryview)):
        return _open_bytes(bytes(source), "<bytes>")
    if hasattr(source, "read"):
        data = source.read()
        if not isinstance(data, bytes):
            raise TypeError("open: the file object must be opened in binary mode")
        return _open_bytes(data, getattr(source, "name", "<file>"))
    try:
        path = os.fspath(source)
    except TypeError:
        raise TypeError(f"open: expected a path, bytes or a binary file, not {type(source).__name__}") from None
    return Picture._load(_Control(), os.fsdecode(path))


def _open_bytes(data, name):
    suffix = _sniff(data[:64])
    if suffix is None:
        raise ImageError(errno.EINVAL, "not a picture: the contents are of no format the control reads", name)
    scratch = tempfile.mkdtemp(prefix="tavlen-")
    path = os.path.join(scratch, "picture" + suffix)
    with builtins_open(path, "wb") as file:
        file.write(data)
    try:
        return Picture._load(_Control(), path, scratch=scratch)
    except ImageError as error:
        raise ImageError(error.errno, error.strerror, name) from None


def from_numpy(array):
    """A new Picture of an array of shape (height, width, 4) uint8 R, G, B, A; (height, width, 3) RGB and
    (height, width) gray arrays get an opaque alpha. ValueError or TypeError for other shapes and types."""
    import numpy  # only the pixel functions need it

    array = numpy.asarray(array)
    if array.dtype != numpy.uint8:
        raise TypeError(f"the array must be uint8, not {array.dtype}")
    if array.ndim == 2:
        array = numpy.repeat(array[..., None], 3, axis=2)
    if array.ndim == 3 and array.shape[2] == 3:
        array = numpy.concatenate([array, numpy.full(array.shape[:2] + (1,), 255, numpy.uint8)], axis=2)
    control = _Control()
    picture = Picture(control)
    try:
        _package().set_picture_pixels(control.dispatch, numpy.ascontiguousarray(array))
    except BaseException:
        picture.close()
        raise
    return picture
