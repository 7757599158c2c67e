"""Creating controls: by ProgID and class identifier, the failures, saved properties, release."""

import os
import subprocess
import sys

import pytest

import tavlen
from conftest import write_png

def registered_clsid(registry, prog_id):
    # The registry file names each ProgID's class under "[<ProgID>\CLSID]" as its default value.
    lines = registry.read_text().splitlines()
    key = f"[{prog_id}\\CLSID]".lower()
    for index, line in enumerate(lines):
        if line.strip().lower() == key:
            return lines[index + 1].split("=", 1)[1].strip().strip('"')
    raise AssertionError(f"{prog_id} has no CLSID in the registry")


class TestCreation:
    def test_by_prog_id_gives_a_sited_control_of_the_asked_size(self):
        with tavlen.Dispatch("TAVLEN.TavlenCtrl.1", width=321, height=123) as control:
            assert tavlen.client_size(control) == (321, 123)
            assert type(control).__name__ == "_DTavlen"

    def test_by_class_identifier(self, registry):
        clsid = registered_clsid(registry, "TAVLEN.TavlenCtrl.1")
        assert clsid.startswith("{")
        with tavlen.Dispatch(clsid) as control:
            assert tavlen.client_size(control) == (640, 480)

    @pytest.mark.parametrize("name, hresult", [
        ("Nobody.Registered.1", 0x80040154),                        # REGDB_E_CLASSNOTREG
        ("{00000000-0000-0000-0000-00000000000X}", 0x800401F3),     # CO_E_CLASSSTRING
        ("{12345678-1234-1234-1234-123456789ABC}", 0x80040154),
    ])
    def test_an_unknown_class_is_an_os_error_with_its_hresult(self, name, hresult):
        with pytest.raises(OSError) as raised:
            tavlen.Dispatch(name)
        assert isinstance(raised.value, tavlen.CreationError)
        assert isinstance(raised.value, tavlen.ComError)
        assert raised.value.hresult == hresult
        assert name in str(raised.value)

    @pytest.mark.parametrize("width, height", [(0, 10), (10, 0), (32768, 10), (-1, -1)])
    def test_a_window_size_outside_the_range_is_refused(self, width, height):
        with pytest.raises(ValueError):
            tavlen.Dispatch("TAVLEN.TavlenCtrl.1", width, height)

    def test_wrong_argument_types(self):
        with pytest.raises(TypeError):
            tavlen.Dispatch(42)
        with pytest.raises(TypeError):
            tavlen.Dispatch("TAVLEN.TavlenCtrl.1", width=10.5)


class TestSavedProperties:
    def test_saved_properties_come_back_in_a_new_control(self, control, tmp_path):
        control.Align = 4
        control.BorderWidth = 2.5
        assert tavlen.is_modified(control)
        saved = tmp_path / "saved.properties"
        tavlen.save_properties(control, saved)
        assert not tavlen.is_modified(control)
        with tavlen.Dispatch("TAVLEN.TavlenCtrl.1", properties=saved) as restored:
            assert restored.Align == 4
            assert restored.BorderWidth == 2.5

    def test_a_missing_properties_file_is_an_os_error(self, tmp_path):
        with pytest.raises(FileNotFoundError):
            tavlen.Dispatch("TAVLEN.TavlenCtrl.1", properties=tmp_path / "missing")

    def test_saving_again_replaces_the_file_and_keeps_its_mode(self, control, tmp_path):
        saved = tmp_path / "saved.properties"
        saved.write_text("older")
        saved.chmod(0o640)
        control.Align = 1
        tavlen.save_properties(control, saved)
        assert saved.read_text() != "older"
        assert saved.stat().st_mode & 0o777 == 0o640
        assert [path.name for path in tmp_path.iterdir()] == ["saved.properties"]

    def test_an_unwritable_path_keeps_the_old_file_and_the_modified_flag(self, control, tmp_path):
        control.Align = 3
        with pytest.raises(OSError):
            tavlen.save_properties(control, tmp_path / "no-such-folder" / "saved.properties")
        assert tavlen.is_modified(control)
        assert list(tmp_path.iterdir()) == []


class TestRelease:
    def test_a_released_control_refuses_calls(self):
        control = tavlen.Dispatch("TAVLEN.TavlenCtrl.1")
        tavlen.release(control)
        tavlen.release(control)  # twice is harmless
        for call in (lambda: control.Align, lambda: control.GetWidth(), lambda: tavlen.client_size(control)):
            with pytest.raises(tavlen.ComError) as raised:
                call()
            assert raised.value.hresult == 0x80010108  # RPC_E_DISCONNECTED
        assert "released" in repr(control)

    def test_objects_without_a_window_refuse_the_window_functions(self, sample):
        with pytest.raises(tavlen.ComError) as raised:
            tavlen.client_size(sample)
        assert raised.value.hresult == 0x80004002  # E_NOINTERFACE
        assert raised.value.member == "client_size"


def test_a_control_made_after_the_last_one_went_still_draws_text(tmp_path):
    # The module is dropped with its last object; the libraries it brought must survive that, or the
    # next control hangs in its first text. A process of its own, so that no other control is alive.
    picture = write_png(tmp_path / "p.png", 64, 48, lambda x, y: (200, 200, 200))
    script = (
        "import sys, tavlen\n"
        "for i in range(3):\n"
        "    c = tavlen.Dispatch('TAVLEN.TavlenCtrl.1', 100, 100)\n"
        "    c.LoadImage(sys.argv[1])\n"
        "    c.DrawText(2, 2, 'text %d' % i)\n"
        "    tavlen.release(c)\n"
        "    del c\n"
        "print('done')\n"
    )
    result = subprocess.run([sys.executable, "-c", script, str(picture)], capture_output=True, text=True,
                            timeout=60, env=dict(os.environ))
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() == "done"
