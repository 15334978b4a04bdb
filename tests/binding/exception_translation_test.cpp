// The translation of library errors and C++ exceptions into Python
// exceptions, checked inside an embedded interpreter.

#include <Python.h>
#include <gtest/gtest.h>

#include <expected>
#include <new>
#include <stdexcept>
#include <string>

#include "common/exceptions.hpp"
#include "common/py_ref.hpp"

namespace vantor::python {
namespace {

class EmbeddedInterpreter : public ::testing::Environment {
public:
    void SetUp() override { Py_InitializeEx(0); }
    void TearDown() override { Py_FinalizeEx(); }
};

const auto* const interpreter =
    ::testing::AddGlobalTestEnvironment(new EmbeddedInterpreter);

// The pending exception, taken out of the interpreter.
PyRef take_exception() { return PyRef(PyErr_GetRaisedException()); }

std::string text_of(PyObject* object) {
    PyRef text(PyObject_Str(object));
    if (!text) {
        PyErr_Clear();
        return "<str() failed>";
    }
    const char* utf8 = PyUnicode_AsUTF8(text.get());
    return utf8 == nullptr ? "<not utf-8>" : utf8;
}

bool is_exactly(PyObject* exception, PyObject* type) {
    return reinterpret_cast<PyObject*>(Py_TYPE(exception)) == type;
}

// Runs body through the translation, which must fail, and returns the
// exception it set.
template <class Body>
PyRef translated_failure(Body body) {
    PyObject* result = run_translated(body);
    EXPECT_EQ(result, nullptr);
    Py_XDECREF(result);
    return take_exception();
}

TEST(ExceptionTranslation, SuccessReturnsTheBodysObject) {
    PyObject* result = run_translated([] { return PyRef(PyLong_FromLong(42)); });
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(PyLong_AsLong(result), 42);
    EXPECT_EQ(PyErr_Occurred(), nullptr);
    Py_DECREF(result);
}

TEST(ExceptionTranslation, PythonErrorSetByTheBodyIsKept) {
    PyRef error = translated_failure([] {
        PyErr_SetString(PyExc_ValueError, "from the body");
        return PyRef();
    });
    ASSERT_TRUE(error);
    EXPECT_TRUE(is_exactly(error.get(), PyExc_ValueError));
    EXPECT_EQ(text_of(error.get()), "from the body");
}

TEST(ExceptionTranslation, BadAllocBecomesMemoryError) {
    PyRef error = translated_failure([]() -> PyRef { throw std::bad_alloc(); });
    ASSERT_TRUE(error);
    EXPECT_TRUE(is_exactly(error.get(), PyExc_MemoryError));
}

TEST(ExceptionTranslation, LengthErrorIsACapacityOverflowPanic) {
    PyRef error = translated_failure([]() -> PyRef { throw std::length_error("vector::reserve"); });
    ASSERT_TRUE(error);
    EXPECT_TRUE(is_exactly(error.get(), panic_exception_type()));
    EXPECT_EQ(text_of(error.get()), "capacity overflow");
}

TEST(ExceptionTranslation, OtherStandardExceptionsPanicWithTheirText) {
    PyRef error = translated_failure([]() -> PyRef { throw std::runtime_error("x"); });
    ASSERT_TRUE(error);
    EXPECT_TRUE(is_exactly(error.get(), panic_exception_type()));
    EXPECT_EQ(text_of(error.get()), "x");

    PyRef args(PyObject_GetAttrString(error.get(), "args"));
    ASSERT_TRUE(args);
    ASSERT_EQ(PyTuple_Size(args.get()), 1);
}

TEST(ExceptionTranslation, NonUtf8TextStillPanics) {
    PyRef error = translated_failure([]() -> PyRef { throw std::logic_error("bad \xff byte"); });
    ASSERT_TRUE(error);
    EXPECT_TRUE(is_exactly(error.get(), panic_exception_type()));
    EXPECT_EQ(text_of(error.get()), "bad \xef\xbf\xbd byte");  // U+FFFD in place of the byte
}

TEST(ExceptionTranslation, UnknownThrowPanicsWithAFixedText) {
    PyRef error = translated_failure([]() -> PyRef { throw 42; });
    ASSERT_TRUE(error);
    EXPECT_TRUE(is_exactly(error.get(), panic_exception_type()));
    EXPECT_FALSE(text_of(error.get()).empty());
}

TEST(ExceptionTranslation, UnitDistanceErrorBecomesRuntimeErrorWithItsMessage) {
    PyRef error = translated_failure([]() -> std::expected<PyRef, UnitDistanceError> {
        return fail(DuplicateGenerator{2});
    });
    ASSERT_TRUE(error);
    EXPECT_TRUE(is_exactly(error.get(), PyExc_RuntimeError));
    PyRef args(PyObject_GetAttrString(error.get(), "args"));
    ASSERT_TRUE(args);
    ASSERT_EQ(PyTuple_Size(args.get()), 1);
    EXPECT_EQ(text_of(PyTuple_GetItem(args.get(), 0)), "duplicate generator 2");
}

TEST(ExceptionTranslation, CertificateErrorBecomesRuntimeErrorWithItsMessage) {
    PyRef error = translated_failure([]() -> std::expected<PyRef, LibraryError> {
        return reject(TranslationNotNormOne{2});
    });
    ASSERT_TRUE(error);
    EXPECT_TRUE(is_exactly(error.get(), PyExc_RuntimeError));
    EXPECT_EQ(text_of(error.get()), "translation 2 is not certified as norm-one");
}

TEST(PanicException, DerivesDirectlyFromBaseException) {
    PyObject* type = panic_exception_type();
    ASSERT_NE(type, nullptr);
    ASSERT_TRUE(PyType_Check(type));
    auto* as_type = reinterpret_cast<PyTypeObject*>(type);
    EXPECT_EQ(reinterpret_cast<PyObject*>(as_type->tp_base), PyExc_BaseException);
    EXPECT_TRUE(PyType_IsSubtype(as_type, reinterpret_cast<PyTypeObject*>(PyExc_BaseException)));
    EXPECT_FALSE(PyType_IsSubtype(as_type, reinterpret_cast<PyTypeObject*>(PyExc_Exception)));
}

TEST(PanicException, IsCreatedOnceWithItsNameAndDocstring) {
    PyObject* type = panic_exception_type();
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(panic_exception_type(), type);

    PyRef name(PyObject_GetAttrString(type, "__qualname__"));
    PyRef module(PyObject_GetAttrString(type, "__module__"));
    PyRef doc(PyObject_GetAttrString(type, "__doc__"));
    ASSERT_TRUE(name && module && doc);
    EXPECT_EQ(text_of(name.get()), "PanicException");
    EXPECT_EQ(text_of(module.get()), "vantor");
    const std::string docstring = text_of(doc.get());
    EXPECT_NE(docstring.find("native code panics"), std::string::npos) << docstring;
    EXPECT_NE(docstring.find("SystemExit"), std::string::npos) << docstring;
    EXPECT_NE(docstring.find("BaseException"), std::string::npos) << docstring;
}

TEST(PanicException, EscapesExceptException) {
    // Seen from Python code: a panic passes through `except Exception`.
    PyRef globals(PyDict_New());
    ASSERT_TRUE(globals);
    ASSERT_EQ(PyDict_SetItemString(globals.get(), "__builtins__", PyEval_GetBuiltins()), 0);
    ASSERT_EQ(PyDict_SetItemString(globals.get(), "Panic", panic_exception_type()), 0);
    PyRef result(PyRun_String(
        "def probe():\n"
        "    try:\n"
        "        try:\n"
        "            raise Panic('deep')\n"
        "        except Exception:\n"
        "            return 'caught by except Exception'\n"
        "    except BaseException as error:\n"
        "        return 'escaped: ' + str(error)\n"
        "outcome = probe()\n",
        Py_file_input, globals.get(), globals.get()));
    ASSERT_TRUE(result) << text_of(take_exception().get());
    EXPECT_EQ(text_of(PyDict_GetItemString(globals.get(), "outcome")), "escaped: deep");
}

}  // namespace
}  // namespace vantor::python
