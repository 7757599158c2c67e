"""Version 2 from Python: the working image's own pixels as numpy arrays, and PictureChanged."""

import pytest

import tavlen
from conftest import quadrants

numpy = pytest.importorskip("numpy")


@pytest.fixture
def control2():
    with tavlen.Dispatch("TAVLEN.TavlenCtrl", 300, 200) as created:
        yield created


class TestPicturePixels:
    def test_none_without_a_picture(self, control2):
        assert tavlen.picture_pixels(control2) is None

    def test_the_picture_at_its_own_size_in_rgba(self, control2, picture):
        control2.LoadImage(str(picture))
        pixels = tavlen.picture_pixels(control2)
        assert pixels.shape == (150, 200, 4) and pixels.dtype == numpy.uint8
        for x, y in [(0, 0), (150, 10), (10, 100), (199, 149)]:
            assert tuple(pixels[y, x]) == quadrants(x, y) + (255,)

    def test_set_pixels_of_another_size_is_an_edit_that_undo_takes_back(self, control2, picture):
        control2.LoadImage(str(picture))
        changes = []
        control2.on("PictureChanged", lambda: changes.append(1))
        array = numpy.zeros((30, 40, 4), numpy.uint8)
        array[..., 2] = 200            # blue
        array[..., 3] = 255
        array[0, 0] = (1, 2, 3, 128)   # a translucent corner comes back as it went in
        tavlen.set_picture_pixels(control2, array)
        assert (control2.GetWidth(), control2.GetHeight()) == (40, 30)
        assert numpy.array_equal(tavlen.picture_pixels(control2), array)
        assert control2.GetUndo() == 1 and changes == [1]
        control2.Undo()
        assert control2.GetWidth() == 200 and control2.GetRedo() == 1
        control2.Redo()
        assert numpy.array_equal(tavlen.picture_pixels(control2), array)
        assert len(changes) == 3

    def test_non_contiguous_arrays_are_taken_as_they_look(self, control2):
        array = numpy.arange(6 * 5 * 4, dtype=numpy.uint8).reshape(6, 5, 4)
        view = array[::2, ::-1]
        tavlen.set_picture_pixels(control2, view)
        assert numpy.array_equal(tavlen.picture_pixels(control2), view)

    def test_version1_hands_out_its_pixels_too(self, control, picture):
        control.LoadImage(str(picture))
        assert tavlen.picture_pixels(control).shape == (150, 200, 4)

    @pytest.mark.parametrize("bad, error", [
        ([[[0, 0, 0, 0]]], TypeError),
        (numpy.zeros((4, 4, 4), numpy.float32), TypeError),
        (numpy.zeros((4, 4, 4), numpy.uint16), TypeError),
        (numpy.zeros((4, 4, 3), numpy.uint8), ValueError),
        (numpy.zeros((4, 4), numpy.uint8), ValueError),
        (numpy.zeros((0, 4, 4), numpy.uint8), ValueError),
    ])
    def test_wrong_arrays_raise_and_keep_the_picture(self, control2, picture, bad, error):
        control2.LoadImage(str(picture))
        with pytest.raises(error):
            tavlen.set_picture_pixels(control2, bad)
        assert control2.GetWidth() == 200 and control2.GetUndo() == 0

    def test_not_a_control(self):
        with pytest.raises(TypeError):
            tavlen.picture_pixels(object())
