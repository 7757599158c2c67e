"""The Pythonic layer: open from every kind of source and its failures, each Picture method against the
automation interface doing the same, save naming and errors, numpy round trips, lifetime."""

import errno
import io
import os
import pathlib
import shutil
import subprocess

import pytest

import tavlen
from conftest import quadrants, write_png

numpy = pytest.importorskip("numpy")


def automation_result(path, *calls):
    """The picture's pixels after the same calls on the automation interface."""
    with tavlen.Dispatch("TAVLEN.TavlenCtrl.2", 64, 64) as control:
        control.LoadImage(str(path))
        for name, *args in calls:
            getattr(control, name)(*args)
        return tavlen.picture_pixels(control)


def tiff_compression(path):
    """The compression tag of a little-endian TIFF's first page."""
    data = path.read_bytes()
    assert data[:4] == b"II*\0"
    at = int.from_bytes(data[4:8], "little")
    for entry in range(int.from_bytes(data[at:at + 2], "little")):
        start = at + 2 + 12 * entry
        if int.from_bytes(data[start:start + 2], "little") == 259:
            return int.from_bytes(data[start + 8:start + 10], "little")
    return None


class TestOpen:
    def test_each_kind_of_source_gives_the_same_picture(self, picture):
        expected = automation_result(picture)
        with open(picture, "rb") as file:
            sources = [str(picture), picture, picture.read_bytes(), bytearray(picture.read_bytes()),
                       io.BytesIO(picture.read_bytes()), file]
            for source in sources:
                with tavlen.open(source) as opened:
                    assert opened.size == (200, 150)
                    assert numpy.array_equal(opened.to_numpy(), expected), type(source)

    def test_a_name_without_a_picture_suffix_is_read_by_its_contents(self, picture, tmp_path):
        renamed = shutil.copy(picture, tmp_path / "quadrants.data")
        with tavlen.open(renamed) as opened:
            assert numpy.array_equal(opened.to_numpy(), automation_result(picture))

    @pytest.mark.parametrize("make, code", [
        (lambda folder: folder / "missing.png", errno.ENOENT),
        (lambda folder: folder, errno.EISDIR),
        (lambda folder: (folder / "text.png").write_text("not a picture") and folder / "text.png", errno.EINVAL),
        (lambda folder: (folder / "notes.txt").write_text("not a picture") and folder / "notes.txt", errno.EINVAL),
    ], ids=["missing", "folder", "undecodable", "unknown-contents"])
    def test_failures_raise_image_error_with_the_reason(self, tmp_path, make, code):
        source = make(tmp_path)
        with pytest.raises(tavlen.ImageError) as raised:
            tavlen.open(source)
        assert isinstance(raised.value, OSError)
        assert raised.value.errno == code and raised.value.filename == str(source)
        assert raised.value.strerror

    def test_damaged_bytes_and_wrong_types(self):
        with pytest.raises(tavlen.ImageError, match="no format"):
            tavlen.open(b"\x00" * 100)
        with pytest.raises(tavlen.ImageError):
            tavlen.open(b"\x89PNG\r\n\x1a\n" + b"\x00" * 40)  # a PNG signature and nothing decodable
        with pytest.raises(TypeError):
            tavlen.open(12)
        with pytest.raises(TypeError):
            tavlen.open(io.StringIO("text"))

    def test_damaged_real_world_files(self):
        folder = pathlib.Path(os.environ.get("TAVLEN_TESTDATA", "")) / "bad"
        damaged = sorted(folder.glob("png-*.png"))[:3] + sorted(folder.glob("jpeg-*.jpg"))[:3]
        if not damaged:
            pytest.skip(f"no damaged pictures at {folder}")
        for path in damaged:
            try:
                with tavlen.open(path) as opened:
                    assert opened.width > 0  # some damage still decodes: then there is a picture
            except tavlen.ImageError as error:
                assert error.filename == str(path)


class TestEdits:
    @pytest.mark.parametrize("edit, calls", [
        (lambda p: p.gray(), [("ConvertImageToGrayScaled",)]),
        (lambda p: p.black_white(), [("ConvertImageToBlackWhite",)]),
        (lambda p: p.rotate(90), [("Rotate90",)]),
        (lambda p: p.rotate(180), [("Rotate180",)]),
        (lambda p: p.rotate(270), [("Rotate270",)]),
        (lambda p: p.flip(), [("Flip", True)]),
        (lambda p: p.mirror(), [("Flip", False)]),
        (lambda p: p.resize((90, 40)), [("Resize", 90, 40)]),
        (lambda p: p.gray().rotate(90).mirror(), [("ConvertImageToGrayScaled",), ("Rotate90",), ("Flip", False)]),
    ], ids=["gray", "black_white", "rotate90", "rotate180", "rotate270", "flip", "mirror", "resize", "chain"])
    def test_each_edit_matches_the_automation_call(self, picture, edit, calls):
        with tavlen.open(picture) as opened:
            assert edit(opened) is opened
            assert numpy.array_equal(opened.to_numpy(), automation_result(picture, *calls))

    def test_text_colours_fonts_and_styles(self, picture):
        calls = [("TextColor", 0x0000FF), ("TextSize", 20), ("TextBold", True), ("DrawText", 10, 20, "Hi")]
        with tavlen.Dispatch("TAVLEN.TavlenCtrl.2", 64, 64) as control:
            control.LoadImage(str(picture))
            control.TextColor, control.TextSize, control.TextBold = 0x0000FF, 20, True
            control.DrawText(10, 20, "Hi")
            expected = tavlen.picture_pixels(control)
        for color in [(255, 0, 0), "#ff0000", "#FF0000"]:
            with tavlen.open(picture) as opened:
                opened.text((10, 20), "Hi", size=20, color=color, style="bold")
                assert numpy.array_equal(opened.to_numpy(), expected), calls
        with tavlen.open(picture) as opened:
            for bad in ["red", "#ff00", (255, 0), (256, 0, 0), "#gg0000"]:
                with pytest.raises((ValueError, TypeError)):
                    opened.text((0, 0), "x", color=bad)
            with pytest.raises(ValueError):
                opened.text((0, 0), "x", style="heavy")
            with pytest.raises(ValueError):
                opened.text((40000, 0), "x")

    def test_text_without_options_uses_the_defaults_even_after_other_options(self, picture):
        with tavlen.open(picture) as opened:
            opened.text((5, 5), "A", size=30, color=(0, 0, 255), style="italic")
            opened.undo()
            opened.text((5, 5), "A")
            assert numpy.array_equal(opened.to_numpy(), automation_result(picture, ("DrawText", 5, 5, "A")))

    def test_bad_arguments_change_nothing(self, picture):
        with tavlen.open(picture) as opened:
            before = opened.to_numpy()
            for bad in [45, 0, True, "90"]:
                with pytest.raises(ValueError):
                    opened.rotate(bad)
            for bad in [(0, 10), (10, -1), (70000, 10)]:
                with pytest.raises(ValueError):
                    opened.resize(bad)
            with pytest.raises(TypeError):
                opened.resize(10)
            assert numpy.array_equal(opened.to_numpy(), before)

    def test_undo_and_redo(self, picture):
        with tavlen.open(picture) as opened:
            original = opened.to_numpy()
            opened.gray()
            gray = opened.to_numpy()
            assert numpy.array_equal(opened.undo().to_numpy(), original)
            assert numpy.array_equal(opened.redo().to_numpy(), gray)

    def test_palette_pictures_are_edited_too(self, tmp_path):
        folder = pathlib.Path(os.environ.get("TAVLEN_TESTDATA", ""))
        source = folder / "gif" / "cogs.gif"
        if not source.is_file():
            pytest.skip(f"no {source}")
        with tavlen.open(source) as opened:
            pixels = opened.gray().to_numpy()
            assert (pixels[..., 0] == pixels[..., 1]).all() and (pixels[..., 1] == pixels[..., 2]).all()


class TestModeTagsFrames:
    def test_mode_follows_the_pixels(self, picture):
        with tavlen.open(picture) as opened:
            assert opened.mode == "RGB"
            assert opened.gray().mode == "L"
            assert opened.black_white().mode == "1"

    def test_tags_are_a_mapping_of_the_seven_tags_and_survive_saving(self, picture, tmp_path):
        with tavlen.open(picture) as opened:
            assert set(opened.tags) == set(tavlen.picture.TAGS) and len(opened.tags) == 7
            opened.tags["Title"] = "Quarters"
            opened.tags.update(Artist="Me")
            with pytest.raises(TypeError):
                del opened.tags["Artist"]
            assert opened.tags["Title"] == "Quarters" and opened.tags["Artist"] == "Me"
            with pytest.raises(KeyError):
                opened.tags["Camera"]
            with pytest.raises(TypeError):
                opened.tags["Title"] = 5
            opened.save(tmp_path / "tagged.png")
        with tavlen.open(tmp_path / "tagged.png") as reopened:
            assert reopened.tags["Title"] == "Quarters"

    def test_frames_of_a_multi_page_tiff(self, tmp_path):
        convert = shutil.which("convert")
        if not convert:
            pytest.skip("ImageMagick's convert is not installed")
        first = write_png(tmp_path / "a.png", 20, 10, lambda x, y: (255, 0, 0))
        second = write_png(tmp_path / "b.png", 30, 15, lambda x, y: (0, 0, 255))
        subprocess.run([convert, str(first), str(second), str(tmp_path / "pages.tif")], check=True)
        with tavlen.open(tmp_path / "pages.tif") as opened:
            assert len(opened.frames) == 2
            sizes = []
            for frame in opened.frames:
                with frame:
                    sizes.append(frame.size)
            assert sizes == [(20, 10), (30, 15)]
            with opened.frames[-1] as last:
                assert tuple(last.to_numpy()[0, 0]) == (0, 0, 255, 255)
            with pytest.raises(IndexError):
                opened.frames[2]

    def test_a_single_picture_has_one_frame(self, picture):
        with tavlen.open(picture) as opened, opened.frames[0] as frame:
            assert len(opened.frames) == 1
            assert numpy.array_equal(frame.to_numpy(), opened.to_numpy())


class TestSave:
    @pytest.mark.parametrize("name, format, magic", [
        ("out.png", None, b"\x89PNG"), ("OUT.PNG", None, b"\x89PNG"), ("out.jpeg", None, b"\xff\xd8"),
        ("out.jpg", None, b"\xff\xd8"), ("out.tif", None, b"II*\0"), ("out.bmp", None, b"BM"),
        ("out.gif", None, b"GIF8"), ("no-suffix", "png", b"\x89PNG"), ("picture.data", "JPG", b"\xff\xd8"),
        ("out.webp", None, b"RIFF"), ("OUT.WEBP", "webp", b"RIFF"), (".png", "png", b"\x89PNG"),
    ])
    def test_writes_exactly_the_path_given(self, picture, tmp_path, name, format, magic):
        with tavlen.open(picture) as opened:
            opened.save(tmp_path / name, format=format)
        assert sorted(os.listdir(tmp_path)) == sorted({"quadrants.png", name})
        assert (tmp_path / name).read_bytes().startswith(magic)

    def test_saved_png_has_the_pictures_pixels(self, picture, tmp_path):
        with tavlen.open(picture) as opened:
            opened.rotate(90).save(str(tmp_path / "turned.png"))
            expected = opened.to_numpy()
        with tavlen.open(tmp_path / "turned.png") as reopened:
            assert numpy.array_equal(reopened.to_numpy(), expected)

    def test_overwrites_the_file_it_was_opened_from(self, picture, tmp_path):
        with tavlen.open(picture) as opened:
            opened.rotate(90).save(picture)
            expected = opened.to_numpy()
        with tavlen.open(picture) as reopened:
            assert numpy.array_equal(reopened.to_numpy(), expected)
        assert os.listdir(tmp_path) == ["quadrants.png"]

    def test_webp_is_lossless_at_100_and_takes_a_quality(self, picture, tmp_path):
        with tavlen.open(picture) as opened:
            opened.save(tmp_path / "lossless.webp")
            opened.save(tmp_path / "lossy.webp", quality=10)
            expected = opened.to_numpy()
        with tavlen.open(tmp_path / "lossless.webp") as reopened:
            assert numpy.array_equal(reopened.to_numpy(), expected)
        # Bytes are recognised as WebP by their contents.
        with tavlen.open((tmp_path / "lossless.webp").read_bytes()) as from_bytes:
            assert numpy.array_equal(from_bytes.to_numpy(), expected)
        with tavlen.open(tmp_path / "lossy.webp") as reopened:
            assert reopened.size == (expected.shape[1], expected.shape[0])
            assert not numpy.array_equal(reopened.to_numpy(), expected)

    def test_quality_and_compression(self, picture, tmp_path):
        with tavlen.open(picture) as opened:
            opened.save(tmp_path / "low.jpg", quality=5)
            opened.save(tmp_path / "high.jpg", quality=95)
            opened.save(tmp_path / "plain.tif", compression="none")
            opened.save(tmp_path / "packed.tif", compression="lzw")
            opened.save(tmp_path / "zipped.tif", compression="deflate")
            assert opened.to_numpy()[0, 0, 3] == 255
            pixels = opened.to_numpy()
        assert (tmp_path / "low.jpg").stat().st_size < (tmp_path / "high.jpg").stat().st_size
        assert (tmp_path / "packed.tif").stat().st_size < (tmp_path / "plain.tif").stat().st_size
        assert [tiff_compression(tmp_path / name) for name in ("plain.tif", "packed.tif", "zipped.tif")] == [1, 5, 8]
        with tavlen.open(tmp_path / "zipped.tif") as zipped:
            assert numpy.array_equal(zipped.to_numpy(), pixels)

    def test_errors_name_the_reason_and_keep_the_old_file(self, picture, tmp_path):
        kept = tmp_path / "kept.png"
        kept.write_bytes(b"old")
        with tavlen.open(picture) as opened:
            with pytest.raises(tavlen.ImageError) as raised:
                opened.save(tmp_path / "missing" / "a.png")
            assert raised.value.errno == errno.ENOENT
            with pytest.raises(tavlen.ImageError) as raised:
                opened.save(tmp_path, format="png")
            assert raised.value.errno == errno.EISDIR
            for bad in [dict(format="heic"), dict(quality=50), dict(compression="lzw")]:
                with pytest.raises(ValueError):
                    opened.save(kept, **bad)
            with pytest.raises(ValueError):
                opened.save(tmp_path / "a.unknown")
            with pytest.raises(ValueError):
                opened.save(tmp_path / "a.jpg", quality=101)
        assert kept.read_bytes() == b"old"
        assert sorted(os.listdir(tmp_path)) == ["kept.png", "quadrants.png"]


class TestPixelsAndLifetime:
    def test_numpy_round_trip(self):
        array = numpy.zeros((30, 50, 4), numpy.uint8)
        array[..., 0] = numpy.arange(50, dtype=numpy.uint8)
        array[..., 1] = numpy.arange(30, dtype=numpy.uint8)[:, None]
        array[..., 3] = 255
        with tavlen.from_numpy(array) as made:
            assert made.size == (50, 30)
            assert numpy.array_equal(made.to_numpy(), array)
        with tavlen.from_numpy(array[..., :3]) as rgb:
            assert numpy.array_equal(rgb.to_numpy(), array)
        for bad, error in [(numpy.zeros((3, 3, 4), numpy.float32), TypeError),
                           (numpy.zeros((3, 3, 5), numpy.uint8), ValueError)]:
            with pytest.raises(error):
                tavlen.from_numpy(bad)

    def test_copy_is_independent(self, picture):
        with tavlen.open(picture) as opened:
            opened.tags["Title"] = "original"
            with opened.copy() as duplicate:
                duplicate.gray()
                assert duplicate.tags["Title"] == "original"
                assert not numpy.array_equal(duplicate.to_numpy(), opened.to_numpy())
            assert opened.mode == "RGB"

    def test_closing_releases_the_control(self, picture):
        with tavlen.open(picture) as opened:
            control = opened._control.dispatch
        assert "closed" in repr(opened)
        with pytest.raises(ValueError):
            opened.size
        with pytest.raises(tavlen.ComError):
            control.GetWidth()
        opened.close()  # again: harmless

    def test_help_tells_settable_properties_from_read_only_ones(self):
        with tavlen.Dispatch("TAVLEN.TavlenCtrl.2", 64, 64) as control:
            cls = type(control)
            assert cls.TextSize.fset is not None and "settable" in cls.TextSize.__doc__
        assert tavlen.Picture.width.fset is None and "read-only" in tavlen.Picture.width.__doc__


def test_quadrants_helper_matches_the_file(picture):
    # The expected colours above come from this helper; a wrong helper would make every test vacuous.
    with tavlen.open(picture) as opened:
        pixels = opened.to_numpy()
    assert tuple(pixels[10, 10, :3]) == quadrants(10, 10) and tuple(pixels[140, 190, :3]) == quadrants(190, 140)
