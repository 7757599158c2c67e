"""examples/gray_pictures.py on a few real-world pictures: gray PNGs with the tags of their sources."""

import os
import pathlib
import shutil
import subprocess
import sys

import pytest

import tavlen

PICTURES = ["jpeg/broken_exif_dpi.jpg", "jpeg/ExifTool.jpg", "png/pngsuite-basi2c08.png",
            "bmp/bmpsuite-g-pal8.bmp", "gif/cogs.gif"]
TAGS = ("Artist", "Copyright", "DateTime", "Description", "EquipMake", "EquipModel", "Title")


def shared_pictures():
    folder = pathlib.Path(os.environ.get("TAVLEN_TESTDATA", ""))
    if not (folder / "MANIFEST.tsv").is_file():
        pytest.skip(f"the shared test pictures are not at {folder}")
    return folder


def tags_of(control, path):
    control.LoadImage(str(path))
    return {tag: getattr(control, "GetImage" + tag)() for tag in TAGS}


def test_batch_converts_to_gray_pngs_keeping_tags(tmp_path):
    numpy = pytest.importorskip("numpy")
    source = tmp_path / "source"
    source.mkdir()
    for name in PICTURES:
        if (shared_pictures() / name).is_file():
            shutil.copy(shared_pictures() / name, source)
    (source / "notes.txt").write_text("not a picture: left alone")
    with tavlen.Dispatch("TAVLEN.TavlenCtrl.1", 400, 300) as control:
        destination = tmp_path / "gray"
        script = pathlib.Path(os.environ["TAVLEN_EXAMPLES"]) / "gray_pictures.py"
        run = subprocess.run([sys.executable, str(script), str(source), str(destination)], capture_output=True,
                             text=True)
        assert run.returncode == 0, run.stdout + run.stderr
        written = sorted(path.name for path in destination.iterdir())
        assert written == sorted(pathlib.Path(name).stem + ".png" for name in os.listdir(source)
                                 if not name.endswith(".txt"))
        for original in source.iterdir():
            if original.suffix == ".txt":
                continue
            output = destination / (original.stem + ".png")
            assert tags_of(control, output) == tags_of(control, original), original.name
            control.LoadImage(str(output))
            width, height = control.GetWidth(), control.GetHeight()
            shown = tavlen.client_pixels(control)[:min(height, 300), :min(width, 400), :3].astype(int)
            assert numpy.array_equal(shown[..., 0], shown[..., 1]), original.name
            assert numpy.array_equal(shown[..., 1], shown[..., 2]), original.name
