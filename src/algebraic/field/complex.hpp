#pragma once
// A complex number as two 64-bit floats; the values of basis elements and of
// embeddings. Arithmetic on it is written out where it is used, so that the
// order of every float operation stays visible.

namespace vantor {

struct Complex {
    double re;
    double im;
};

}  // namespace vantor
