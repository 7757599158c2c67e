"""The host functions on a control's window: size, pixels, input, scroll bars, dialogs."""

import pytest

import tavlen
from conftest import write_png


class TestWindow:
    def test_resize_and_client_size(self, control):
        tavlen.resize(control, 120, 90)
        assert tavlen.client_size(control) == (120, 90)
        with pytest.raises(ValueError):
            tavlen.resize(control, 0, 90)

    def test_client_pixel_shows_the_picture_at_the_top_left(self, control, picture):
        control.LoadImage(str(picture))
        assert tavlen.client_pixel(control, 10, 10) == 0x0000FF       # red as 0x00BBGGRR
        assert tavlen.client_pixel(control, 150, 10) == 0x00FF00
        assert tavlen.client_pixel(control, 10, 100) == 0xFF0000
        assert tavlen.client_pixel(control, 300, 0) == -1             # outside the client area

    def test_client_pixels_agree_with_client_pixel(self, control, picture):
        numpy = pytest.importorskip("numpy")
        control.LoadImage(str(picture))
        pixels = tavlen.client_pixels(control)
        assert pixels.shape == (200, 300, 4) and pixels.dtype == numpy.uint8
        for x, y in [(10, 10), (150, 10), (10, 100), (150, 100), (250, 180)]:
            colour = tavlen.client_pixel(control, x, y)
            assert tuple(pixels[y, x]) == (colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16, 255)

    def test_save_client_area_writes_a_png(self, control, tmp_path):
        path = tmp_path / "window.png"
        tavlen.save_client_area(control, path)
        assert path.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
        with pytest.raises(tavlen.ComError) as raised:
            tavlen.save_client_area(control, tmp_path / "missing" / "window.png")
        assert raised.value.member == "save_client_area"


class TestScrolling:
    def test_scroll_bars_of_a_large_picture(self, control, tmp_path):
        large = write_png(tmp_path / "large.png", 800, 600, lambda x, y: (x % 256, y % 256, 0))
        control.LoadImage(str(large))
        bar = tavlen.scroll_bar(control, "vertical")
        assert bar["shown"] and bar["max"] > bar["page"] > 0 and bar["pos"] == 0
        tavlen.scroll(control, "v", "linedown")
        tavlen.scroll(control, 1, "pagedown")
        assert tavlen.scroll_bar(control, 1)["pos"] > 0
        tavlen.scroll(control, "horizontal", "thumbposition", 40)
        assert tavlen.scroll_bar(control, "h")["pos"] == 40
        assert tavlen.wheel(control, -120) in (True, False)
        tavlen.scroll(control, "vertical", "top")
        assert tavlen.scroll_bar(control, "vertical")["pos"] == 0

    @pytest.mark.parametrize("bar, code", [("diagonal", "top"), (2, 0), ("v", "sideways"), ("v", 9)])
    def test_unknown_bars_and_codes(self, control, bar, code):
        with pytest.raises(ValueError):
            tavlen.scroll(control, bar, code)

    def test_names_come_from_the_script_hosts_tables(self, control):
        with pytest.raises(ValueError, match="^bar must be one of h, horz, horizontal, v, vert, vertical, not 'up'$"):
            tavlen.scroll(control, "up", "top")
        with pytest.raises(ValueError, match=r"^code must be one of 0, 1, 2, 3, 4, 5, 6, 7, 8, not 9$"):
            tavlen.scroll(control, "v", 9)
        with pytest.raises(ValueError, match="^button must be one of left, right, middle, not 'fourth'$"):
            tavlen.mouse_down(control, "fourth", 1, 1)
        tavlen.scroll(control, "VERT", "PageDown")  # names in any case

    def test_unknown_buttons(self, control):
        with pytest.raises(ValueError):
            tavlen.mouse_down(control, "fourth", 1, 1)
        with pytest.raises(ValueError):
            tavlen.mouse_up(control, 3, 1, 1)


class TestDialogs:
    def test_about_box_is_answered_and_listed(self, control):
        tavlen.dialog_response("Cancel")
        try:
            control.AboutBox()
            shown = tavlen.dialogs()
            assert shown and shown[-1]["result"] == "cancel"
            assert isinstance(shown[-1]["caption"], str) and isinstance(shown[-1]["texts"], list)
        finally:
            tavlen.dialog_response("ok")

    def test_dialogs_last_seen_stay_after_the_last_control(self):
        control = tavlen.Dispatch("TAVLEN.TavlenCtrl.1")
        tavlen.dialog_response("escape")
        try:
            control.AboutBox()
            seen = tavlen.dialogs()
            tavlen.release(control)
            assert tavlen.dialogs() == seen and seen[-1]["result"] == "escape"
        finally:
            tavlen.dialog_response("ok")

    def test_unknown_answers(self):
        with pytest.raises(ValueError):
            tavlen.dialog_response("maybe")

    def test_pump_delivers_paints(self, control):
        control.Align = 4  # every call pumps already
        assert tavlen.pump() == 0
