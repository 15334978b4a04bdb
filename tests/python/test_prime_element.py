"""Requests whose time used to go into finding the prime element: the
outcome each gives (points or the error of the first failing check), which
the walk gives too where it finishes."""

import hashlib

import pytest

import vantor


def digest(points):
    return hashlib.sha256(repr([(x.hex(), y.hex()) for x, y in points]).encode()).hexdigest()


def test_an_empty_request_still_finds_theta():
    assert vantor.generate_multiquadratic([6, 11, 10], 1013, 1, 0) == []


@pytest.mark.parametrize("call, args, message", [
    (vantor.generate_multiquadratic, ([14, 7, 31, 23], 1409, 2**63, 30),
     "invalid search parameter unit_modulus_combination_count: integer exponentiation overflowed"),
    (vantor.generate_multiquadratic_certified, ([30, 10, 2, 19], 3049, 1, 10),
     "invalid search parameter unit_scale_denominator: integer exponentiation overflowed"),
    (vantor.generate_multiquadratic, ([23, 2, 14, 17], 2129, 1, 1),
     "invalid search parameter unit_scale_denominator: integer exponentiation overflowed"),
    (vantor.generate_multiquadratic, ([2, 3, 5, 7, 11], 2689, 1, 5),
     "invalid search parameter unit_scale_denominator: integer exponentiation overflowed"),
])
def test_large_fields_fail_after_theta_with_the_first_failing_check(call, args, message):
    with pytest.raises(RuntimeError) as raised:
        call(*args)
    assert str(raised.value) == message


def test_a_ten_digit_prime():
    # The digest of the 50 points the walk's version of the library returns.
    points = vantor.generate_multiquadratic([2], 1000000009, 1, 50)
    assert len(points) == 50
    assert digest(points) == "c165c42573bf6d45781b9febc0098439d7b69be59aa77dfe7aecfae1d3d26c83"


@pytest.mark.parametrize("call, generators, p, degree", [
    (vantor.generate_multiquadratic, [2, 3, 5, 7], 1000000009, 32),
    (vantor.generate_multiquadratic_certified, [2, 3, 5, 7, 11], 1000004329, 64),
    (vantor.generate_multiquadratic, [2, 3, 5, 7, 11, 13, 17], 1000000000000009849, 256),
])
def test_a_prime_element_out_of_reach_is_refused_with_its_size(call, generators, p, degree):
    # Each of these searched for hours; the search now stops at its step budget.
    with pytest.raises(RuntimeError) as raised:
        call(generators, p, 1, 10)
    assert str(raised.value) == (
        f"prime element theta for p = {p} in a field of degree {degree} is out of reach: "
        "its search needs more than 5000000 steps")
