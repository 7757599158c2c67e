"""Properties and methods by name, in any case; unknown names; dir() and help() from the type library."""

import inspect
import pydoc

import pytest

import tavlen


class TestByName:
    def test_properties_in_any_case(self, control):
        control.align = 4
        assert control.Align == 4 and control.ALIGN == 4
        control.BORDERWIDTH = 1.5
        assert control.borderWidth == 1.5

    def test_methods_in_any_case(self, control, picture):
        control.loadimage(str(picture))
        assert control.GetWidth() == 200
        assert control.getheight() == 150
        control.ROTATE90()
        assert (control.GetWidth(), control.GetHeight()) == (150, 200)

    def test_strings_travel_as_utf8_both_ways(self, sample):
        sample.Label = "Zürich — 東京"
        assert sample.label == "Zürich — 東京"
        assert sample.Join("ab", "cd") == "abcd"

    def test_results_have_python_types(self, sample):
        assert sample.Add(5) == 5 and sample.add(-2) == 3
        assert sample.Total == 3
        assert sample.Check(True) is False and sample.Check(False) is True
        assert isinstance(sample.Ratio, float)
        assert sample.Scale(2.0, 1) is None

    def test_a_read_only_property_refuses_a_value(self, sample):
        with pytest.raises(tavlen.ComError) as raised:
            sample.Total = 4
        assert raised.value.hresult == 0x80020003  # DISP_E_MEMBERNOTFOUND
        assert raised.value.member == "Total"


def test_an_undescribed_member_is_a_method_by_the_script_hosts_rule():
    from tavlen import _tavlen

    assert _tavlen.is_method_by_property_get(0x8002000E)  # DISP_E_BADPARAMCOUNT
    assert _tavlen.is_method_by_property_get(0x80020003)  # DISP_E_MEMBERNOTFOUND
    assert not _tavlen.is_method_by_property_get(0x80020005)  # DISP_E_TYPEMISMATCH
    assert not _tavlen.is_method_by_property_get(0x80004005)  # E_FAIL


class TestUnknownNames:
    def test_reading_an_unknown_name_is_an_attribute_error(self, control):
        with pytest.raises(AttributeError, match="NoSuchThing"):
            control.NoSuchThing
        assert not hasattr(control, "NoSuchThing")
        assert getattr(control, "NoSuchThing", "default") == "default"

    def test_writing_an_unknown_name_is_an_attribute_error(self, control):
        with pytest.raises(AttributeError):
            control.NoSuchThing = 1

    def test_calling_a_method_as_a_property_put_fails_with_its_hresult(self, control):
        with pytest.raises(tavlen.ComError) as raised:
            control.GetWidth = 3
        assert raised.value.hresult == 0x80020003
        assert "GetWidth" in str(raised.value)


class TestDescription:
    def test_dir_lists_every_member_of_the_interface(self, control):
        names = dir(control)
        for name in ("Align", "BackColor", "LoadImage", "SaveAsPng", "ZoomToFit", "AboutBox", "on"):
            assert name in names
        assert "_tavlen_object" not in names

    def test_signatures_come_from_the_type_library(self, control, sample):
        assert str(inspect.signature(control.DrawText)) == "(X: int, Y: int, Text: str, /) -> None"
        assert str(inspect.signature(control.SaveAsPng)) == "(FilePath: str, /) -> bool"
        assert str(inspect.signature(sample.Add)) == "(Amount: int, /) -> int"
        assert "Adds to the total" in inspect.getdoc(sample.Add)

    def test_help_shows_members_with_their_automation_types(self, control):
        text = pydoc.plain(pydoc.render_doc(control))
        assert "Dispatch interface for Tavlen Control" in text
        assert "LoadImage(self, FilePath: str, /) -> None" in text
        assert "OLE_COLOR BackColor" in text
        assert "ImageAlign Align, DISPID 1" in text

    def test_help_files_settable_properties_as_settable(self, control):
        text = pydoc.plain(pydoc.render_doc(control))
        assert "Readonly properties" not in text  # every property of the control can be set
        assert "settable OLE_COLOR BackColor" in text
        assert type(control).Align.fset is not None

    def test_members_are_named_records(self, control):
        members = {member.name: member for member in control._tavlen_object.members()}
        draw = members["DrawText"]
        assert (draw.kind, draw.dispid, draw.vt) == ("method", 22, 0)
        assert [(param.name, param.type_name) for param in draw.params] == [("X", "short"), ("Y", "short"),
                                                                             ("Text", "BSTR")]
        align = members["Align"]
        assert (align.kind, align.read_only, align.type_name) == ("property", False, "ImageAlign")
        assert isinstance(align, tavlen.Member) and isinstance(draw.params[0], tavlen.Parameter)

    def test_objects_of_one_interface_share_their_class(self, control):
        with tavlen.Dispatch("TAVLEN.TavlenCtrl.1") as other:
            assert type(other) is type(control)
