"""Arguments are coerced by the runtime's Variant rules; what cannot be coerced fails with its HRESULT."""

import pytest

import tavlen

TYPE_MISMATCH = 0x80020005
OVERFLOW = 0x8002000A
BAD_PARAM_COUNT = 0x8002000E


def failure(call):
    with pytest.raises(tavlen.ComError) as raised:
        call()
    return raised.value


class TestCoercion:
    def test_numeric_text_reaches_a_number(self, sample):
        sample.Count = " 1,234 "
        assert sample.Count == 1234
        sample.Ratio = "2.5"
        assert sample.Ratio == 2.5

    def test_numbers_reach_a_string_and_booleans_a_number(self, sample):
        sample.Label = 42
        assert sample.Label == "42"
        sample.Count = True
        assert sample.Count == -1

    def test_reals_round_half_to_even_into_integers(self, sample):
        sample.Count = 2.5
        assert sample.Count == 2
        sample.Count = 3.5
        assert sample.Count == 4

    def test_an_integral_number_reaches_a_real(self, sample):
        sample.Ratio = 3
        assert sample.Ratio == 3.0 and isinstance(sample.Ratio, float)


class TestCoercionFailures:
    @pytest.mark.parametrize("value", [40000, -40000, 2 ** 40])
    def test_overflow_of_a_short(self, sample, value):
        error = failure(lambda: setattr(sample, "Shade", value))
        assert error.hresult == OVERFLOW
        assert error.member == "Shade"
        assert "Shade" in str(error) and "0x8002000A" in str(error)
        assert sample.Shade == 0  # unchanged

    def test_an_int_beyond_64_bits_overflows_before_the_call(self, sample):
        assert failure(lambda: sample.Add(2 ** 70)).hresult == OVERFLOW
        assert sample.Total == 0

    def test_text_that_is_no_number(self, control):
        error = failure(lambda: setattr(control, "Align", "left"))
        assert error.hresult == TYPE_MISMATCH
        assert control.Align == 2  # unchanged

    def test_a_method_names_the_failing_argument(self, control):
        error = failure(lambda: control.MoveTo(1, "far"))
        assert error.hresult == TYPE_MISMATCH
        assert "MoveTo" in str(error) and "argument 2" in str(error)

    @pytest.mark.parametrize("value", [[1], {"a": 1}, b"bytes", object()])
    def test_python_values_automation_does_not_carry(self, sample, value):
        error = failure(lambda: sample.Add(value))
        assert error.hresult == TYPE_MISMATCH
        assert "argument 1" in str(error) and type(value).__name__ in str(error)

    def test_none_is_a_null_that_converts_to_nothing(self, sample):
        assert failure(lambda: sample.Join(None, "x")).hresult == TYPE_MISMATCH

    @pytest.mark.parametrize("args", [(), (1, 2)])
    def test_a_wrong_argument_count(self, sample, args):
        error = failure(lambda: sample.Add(*args))
        assert error.hresult == BAD_PARAM_COUNT
        assert "Add" in str(error)
