"""The module object: its attributes, function objects, docstrings and import behaviour."""

import importlib
import inspect
import subprocess
import sys
import textwrap

import pytest

import vantor

NAMES = [
    "generate_square_grid",
    "generate_triangular_grid",
    "generate_moser_spindle",
    "generate_multiquadratic",
    "generate_multiquadratic_certified",
    "count_unit_distances",
]

POINT_LIST_RESULT = "Returns a list of coordinates (tuples of float)."

FUNCTIONS = [
    (
        "generate_square_grid",
        "(rows, cols)",
        "Generate a square grid of points of size `rows` x `cols`.\n\n" + POINT_LIST_RESULT,
    ),
    (
        "generate_triangular_grid",
        "(n_target)",
        "Generate a triangular grid of points of size `n_target`.\n\n" + POINT_LIST_RESULT,
    ),
    (
        "generate_moser_spindle",
        "()",
        "Generate the Moser spindle (7 points).\n\n" + POINT_LIST_RESULT,
    ),
    (
        "generate_multiquadratic",
        "(generators, split_prime, k, n_target)",
        "Generate a point set with the native finite multiquadratic prototype.\n"
        "\n"
        "* `generators`: List of positive squarefree integers generating the real subfield.\n"
        "* `split_prime`: A prime split completely in K.\n"
        "* `k`: Exponent/depth parameter.\n"
        "* `n_target`: Target number of points.\n"
        "\n" + POINT_LIST_RESULT,
    ),
    (
        "generate_multiquadratic_certified",
        "(generators, split_prime, k, n_target)",
        "Generate the native finite multiquadratic prototype with a machine-checkable "
        "certificate.\n"
        "\n"
        "Returns a dictionary with named point, certificate edge, audit edge, and report fields.",
    ),
    (
        "count_unit_distances",
        "(points, tolerance=1e-5)",
        "Helper to count the number of unit distances in a set of points.\n"
        "\n"
        "* `points`: A list of coordinates (tuples of float).\n"
        "* `tolerance`: The absolute tolerance (e.g. 1e-5).",
    ),
]


def test_all_lists_the_functions_in_registration_order():
    assert vantor.__all__ == NAMES


def test_module_attributes_are_the_functions_and_all():
    public = {name for name in vars(vantor) if not name.startswith("__")}
    assert public == set(NAMES)
    assert "__all__" in vars(vantor)


def test_module_docstring():
    assert vantor.__doc__ == "Python bindings for the vantor library"
    assert vantor.__name__ == "vantor"


@pytest.mark.parametrize("name, text_signature, doc", FUNCTIONS)
def test_function_object(name, text_signature, doc):
    function = getattr(vantor, name)
    assert type(function).__name__ == "builtin_function_or_method"
    assert function.__name__ == name
    assert function.__text_signature__ == text_signature
    assert function.__doc__ == doc
    assert function.__module__ == "vantor"
    assert function.__self__ is vantor


@pytest.mark.parametrize("name, text_signature, doc", FUNCTIONS)
def test_signature_parameters_are_positional_or_keyword(name, text_signature, doc):
    signature = inspect.signature(getattr(vantor, name))
    assert str(signature).replace("1e-05", "1e-5") == text_signature
    kinds = {parameter.kind for parameter in signature.parameters.values()}
    assert kinds <= {inspect.Parameter.POSITIONAL_OR_KEYWORD}


def test_signature_shows_the_tolerance_default():
    parameters = inspect.signature(vantor.count_unit_distances).parameters
    assert parameters["points"].default is inspect.Parameter.empty
    assert parameters["tolerance"].default == 1e-5


def test_reimport_after_removal_returns_the_same_module():
    original = sys.modules.pop("vantor")
    try:
        again = importlib.import_module("vantor")
        assert again is original
        assert again.__all__ == NAMES
    finally:
        sys.modules["vantor"] = original


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: vantor.generate_moser_spindle(1),
         "vantor.generate_moser_spindle() takes no arguments (1 given)"),
        (lambda: vantor.generate_moser_spindle(1, 2),
         "vantor.generate_moser_spindle() takes no arguments (2 given)"),
        (lambda: vantor.generate_moser_spindle(n=1),
         "vantor.generate_moser_spindle() takes no keyword arguments"),
    ],
)
def test_moser_spindle_rejects_arguments_like_the_interpreter(call, message):
    with pytest.raises(TypeError) as raised:
        call()
    assert type(raised.value) is TypeError
    assert str(raised.value) == message


def test_panic_exception_is_not_a_module_attribute():
    assert not hasattr(vantor, "PanicException")
    with pytest.raises(AttributeError):
        vantor.PanicException


def test_second_interpreter_cannot_import_the_module():
    # A legacy sub-interpreter may load single-phase modules, so only the
    # module's own guard stops it once the main interpreter has imported it.
    script = textwrap.dedent(
        f"""
        import sys
        import _xxsubinterpreters as interpreters
        import vantor

        interpreter = interpreters.create(isolated=False)
        interpreters.run_string(interpreter, '''
        import sys
        sys.path[:] = {sys.path!r}
        try:
            import vantor
        except ImportError as error:
            print("ImportError:", error)
        else:
            print("imported")
        sys.stdout.flush()
        ''')
        interpreters.destroy(interpreter)
        print("main still works:", len(vantor.generate_moser_spindle()))
        """
    )
    result = subprocess.run(
        [sys.executable, "-c", script], capture_output=True, text=True, timeout=120
    )
    assert result.returncode == 0, result.stderr
    lines = result.stdout.splitlines()
    assert lines[0].startswith("ImportError: ")
    assert "sub-interpreter" in lines[0]
    assert lines[1] == "main still works: 7"
