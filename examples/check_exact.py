"""Re-checks an exported exact result on its own, in exact arithmetic.

    python examples/check_exact.py FILE.json

Reads FILE.json (format "vantor exact result") and nothing else: vantor is
not imported, every claim is re-derived with the standard library and sympy
(pip install 'vantor[check]' or pip install sympy). No text from the file is evaluated: a coefficient must
read "n" or "n/d" (d > 0) and is parsed with fractions.Fraction.

An element of the field Q(sqrt(g) : g in generators_completed) is its list
of 2^L coefficients over the basis e_m, the product of the square roots of
the generators whose bits are set in m. Products are taken coefficientwise
with e_r * e_c = f(r, c) * e_(r xor c), f(r, c) the product of the
generators in both r and c; conjugation negates the coefficients of the e_m
that hold sqrt(-1). This rule is confirmed with sympy for every pair of
basis elements, and each product is compared with its integer by sympy, on
the sum of its coefficients times the sympy values of the e_m. Floats only
enter where a point is compared with its element.

Checked, in this order:
- the file: a regular file of at most 128 MiB (pipes and devices are
  refused without waiting), UTF-8 JSON without a repeated key, every
  rational's integers at most 309 digits (a larger one is no finite float);
- the format: keys (none missing, none unknown), types, list lengths,
  indices in range, i < j, edge lists sorted and distinct, signs +1 or -1,
  audit_tolerance in [0, 1); up to 6
  generators, distinct, -1 and square-free integers > 1, independent modulo
  squares (so an element has one coefficient list);
- points_sha256 is the SHA-256 of the points (little-endian float64, x then
  y, point by point);
- the call: a function that makes the kind, with its arguments, and a
  result consistent with them (as many points as asked, or at most
  n_target; the generators of the call; the family, norm and shape asked);
- each point (x, y) is sigma(z_k) = X + iY (lattice: sigma(z_k) / sqrt(norm)),
  sigma the embedding sending sqrt(g) to the positive root and sqrt(-1) to i:
  |x - X| and |y - Y| <= 1e-12 * max(1, |X|, |Y|), X and Y being evaluated
  from integer square roots to within 2^-200 and that error counted;
- each point is also the float the format prescribes, bit for bit, every
  operation an IEEE double operation in this order (no fused multiply-add):
  multiquadratic, the coefficients c_m = float(num) / float(den), the basis
  values b_m built from (1, 0) by one complex product per bit of m, lowest
  bit first, by (sqrt(g), 0) or (0, sqrt(-g)); w_m = (b_m.re * c_m,
  b_m.im * c_m), then passes h = 1, 2, 4, ... replacing (w_i, w_(i+h)) by
  (w_i + w_(i+h), w_i - w_(i+h)) for the first h of each block of 2h; the
  point is w_0. Square: (a / s, b / s); eisenstein: ((a + 0.5 * b) / s,
  (b * 0.8660254037844386) / s), s = sqrt(norm); moser, with p = 12a + 6b +
  10c + 5d, u = 6b + 5d, v = 2c + d: ((p - d * 5.744562646538029) / 12,
  (u * 1.7320508075688772 + v * 3.3166247903554) / 12);
- multiquadratic: every translation t has t * conj(t) = 1; every certified
  edge (i, j, t, s) has z_j - z_i = s * translations[t] and its pair is a
  proven unit edge; every proven unit edge has |z_j - z_i|^2 = 1; every near
  miss has |z_j - z_i|^2 != 1 and is no proven edge; the proven edges and
  the near misses together are exactly the pairs (i, j) whose squared float
  distance dy*dy + dx*dx lies in [(1 - t)^2, (t + 1)^2], t = audit_tolerance;
  exact_unit_distances counts the proven edges;
- proof: every element (null for an unrecognised point, and those points
  exactly the ones listed unrecognised) lies within the precision of its
  point: |x - X| <= max(2^-48 max(|x|, 1), 5 * 10^(E - digits),
  5 * 10^(-decimals - 1)), E the decimal exponent of repr(x), a term left
  out when digits or decimals is null; every proven unit edge has
  |z_j - z_i|^2 = 1 and no near miss has; the two lists together are
  exactly the pairs of known points whose squared float distance lies in
  [(1 - t)^2, (t + 1)^2], t = tolerance; exact_unit_distances counts the
  proven edges;
- lattice: the family's generators and basis (1, i for square; 1, w1 for
  eisenstein; 1, w1, w3, w1*w3 for moser, w1 = (1 + sqrt(-3))/2,
  w3 = (5 + sqrt(-11))/6), a shape the family makes, norm 1 for moser; the
  points distinct; every edge has |z_j - z_i|^2 = norm, and no pair at that
  norm is missing: every pair whose float distance is within
  1e-9 * max(1, R) of 1 (R the largest coordinate; a unit pair's float
  distance is far closer, the points being within 1e-12 of their elements)
  is tested exactly; unit_distances counts the edges; a stated
  canonical_graph6 (catalogue entries, and only they) describes a graph
  with the same number of vertices, edges and degrees (not its canonical
  form, which needs nauty).
- unit_lattice (a set of the lattice spanned by generating_units): every
  generating unit has |u|^2 = 1; every basis element lies in the integer
  span of the generating units (echelon form over the integers); each point
  is sigma of its coordinates over the basis, the points distinct; every
  edge has |z_j - z_i|^2 = 1, and no unit pair is missing (the window of
  the lattice check); unit_distances counts the edges; the call is
  vantor_tools.lattice.patch with its n, or UnitLattice.point_set.

Exit status: 0 when every claim holds (a summary on stdout), 1 when one does
not (the first fault, one line on stderr), 2 when the file cannot be read or
is not in the format, or sympy is missing (one line on stderr).
"""

import argparse
import decimal
import hashlib
import json
import math
import os
import re
import stat
import struct
import sys
import time
from fractions import Fraction

try:
    import sympy
except ImportError:
    sympy = None

# At most 309 digits each: a larger integer is no finite float, so no point
# rests on it, and Fraction arithmetic on it could run for hours.
RATIONAL = re.compile(r"-?[0-9]{1,309}(/[0-9]{1,309})?")
MAX_BYTES = 128 * 2**20
DIGEST = re.compile(r"[0-9a-f]{64}")
POINT_TOLERANCE = Fraction(1, 10**12)
BITS = 200  # square roots are taken to within 2^-BITS
MAX_GENERATORS = 6
VERSION = re.compile(r"[0-9A-Za-z.+_-]{1,64}")
KEYS = {
    "multiquadratic": {"format", "vantor_version", "call", "kind", "generators_completed",
                       "audit_tolerance", "points", "points_sha256", "elements", "translations",
                       "certified_edges", "proven_unit_edges", "near_misses",
                       "exact_unit_distances"},
    "lattice": {"format", "vantor_version", "call", "kind", "family", "shape", "norm",
                "generators_completed", "basis", "points", "points_sha256", "coordinates",
                "edges", "unit_distances"},
    "proof": {"format", "vantor_version", "call", "kind", "generators_completed", "points",
              "points_sha256", "elements", "proven_unit_edges", "near_misses", "unrecognised",
              "exact_unit_distances", "tolerance", "digits", "decimals"},
    "unit_lattice": {"format", "vantor_version", "call", "kind", "generators_completed",
                     "generating_units", "basis", "points", "points_sha256", "coordinates",
                     "edges", "unit_distances"},
}
OPTIONAL_KEYS = {"multiquadratic": set(), "lattice": {"canonical_graph6"}, "proof": set(),
                 "unit_lattice": set()}
FAMILY_GENERATORS = {"square": [-1], "eisenstein": [3, -1], "moser": [3, 11, -1]}
SHAPES = {"square": {"disk", "square", "diamond", "grown", "union"},
          "eisenstein": {"disk", "hexagon", "turned_hexagon", "grown", "union"},
          "moser": {"search", "atlas", "grown", "union", "catalogue"}}
LATTICE_MODULES = {"vantor_tools.records", "vantor_tools.lattice", "vantor_lattice"}
CERTIFY = "vantor_tools.exact.certify"
PROVE = "vantor_tools.exact.prove"
INT64 = 2**63
# The doubles of the lattices' plane points (correctly rounded square roots).
HALF_SQRT3 = 0.8660254037844386
SQRT3, SQRT11, SQRT33 = 1.7320508075688772, 3.3166247903554, 5.744562646538029


class FormatError(Exception):
    """The file is not an exact result: exit status 2."""


class ClaimFailed(Exception):
    """A claim of the file does not hold: exit status 1."""


def need(condition, message):
    if not condition:
        raise FormatError(message)


def claim(condition, message):
    if not condition:
        raise ClaimFailed(message)


def is_int(value):
    return isinstance(value, int) and not isinstance(value, bool)


def get(document, key, kind, valid=lambda value: True, what=None):
    need(key in document, f"missing key {key!r}")
    value = document[key]
    need(isinstance(value, kind) and not isinstance(value, bool) and valid(value),
         f"{key} = {value!r:.60} is not {what or 'a ' + kind.__name__}")
    return value


def get_list(document, key, count=None):
    values = get(document, key, list)
    need(count is None or len(values) == count, f"{key} has {len(values)} entries, not {count}")
    return values


def rational(text, where):
    need(isinstance(text, str) and RATIONAL.fullmatch(text),
         f"{where} = {ascii(text):.60} is not a rational 'n' or 'n/d' of at most 309 digits each")
    numerator, _, denominator = text.partition("/")
    try:
        return Fraction(int(numerator), int(denominator or "1"))
    except ZeroDivisionError:
        raise FormatError(f"{where} = {text!r}: zero denominator") from None
    except ValueError:  # more digits than int() reads
        raise FormatError(f"{where} = {text!r:.60}: too many digits") from None


def elements(document, key, size, count=None):
    values = get_list(document, key, count)
    for k, value in enumerate(values):
        need(isinstance(value, list) and len(value) == size,
             f"{key}[{k}] is not a list of {size} rationals")
    return [tuple(rational(text, f"{key}[{k}][{m}]") for m, text in enumerate(value))
            for k, value in enumerate(values)]


def int_rows(document, key, width, count=None):
    rows = get_list(document, key, count)
    for k, row in enumerate(rows):
        need(isinstance(row, list) and len(row) == width and all(map(is_int, row)),
             f"{key}[{k}] is not a list of {width} integers")
    return [tuple(row) for row in rows]


def pairs(document, key, n, sorted_distinct):
    rows = int_rows(document, key, 2)
    for k, (i, j) in enumerate(rows):
        need(0 <= i < j < n, f"{key}[{k}] ({i}, {j}): not 0 <= i < j < {n}")
        need(not sorted_distinct or k == 0 or rows[k - 1] < rows[k],
             f"{key}[{k}] ({i}, {j}): not after {rows[k - 1]}, the list is not sorted and distinct")
    return rows


def f64(value):
    """A rational as the format converts it: numerator and denominator each
    rounded to the nearest double, then divided."""
    def rounded(integer):
        try:
            return float(integer)
        except OverflowError:
            return math.copysign(math.inf, integer)
    return rounded(value.numerator) / rounded(value.denominator)


def window(points, tolerance):
    """Every pair (i, j), i < j, whose squared float distance dy*dy + dx*dx
    lies in [(1 - t)^2, (t + 1)^2], sorted. Points are put in square cells
    a little wider than the largest such distance, so each pair that can
    pass lies in two neighbouring cells."""
    below, above = 1.0 - tolerance, tolerance + 1.0
    low, high = below * below, above * above
    side = math.sqrt(high) * (1 + 1e-6)
    cells = {}
    for k, (x, y) in enumerate(points):
        cells.setdefault((math.floor(x / side), math.floor(y / side)), []).append(k)
    found = []
    for (cx, cy), members in cells.items():
        for ox in (-1, 0, 1):
            for oy in (-1, 0, 1):
                for j in cells.get((cx + ox, cy + oy), ()):
                    xj, yj = points[j]
                    for i in members:
                        if i < j:
                            dx, dy = xj - points[i][0], yj - points[i][1]
                            if low <= dy * dy + dx * dx <= high:
                                found.append((i, j))
    return sorted(found)


def same_pairs(judged, within, what):
    """The listed pairs (proven and near misses) are exactly those within."""
    if judged != within:
        missing = sorted(set(within) - set(judged))
        extra = sorted(set(judged) - set(within))
        claim(not missing, f"the pair {missing[:1]} lies within {what} but is in "
                           "neither proven_unit_edges nor near_misses")
        claim(False, f"the pair {extra[:1]} is listed but does not lie within {what}")


def graph6_graph(text):
    """The number of vertices and the edges of a graph6 text (n < 258048)."""
    need(isinstance(text, str) and text and all("?" <= c <= "~" for c in text),
         "canonical_graph6 is not graph6 text")
    values = [ord(c) - 63 for c in text]
    if values[0] < 63:
        n, values = values[0], values[1:]
    else:
        need(len(values) >= 4 and values[1] < 63, "canonical_graph6: unsupported size")
        n, values = (values[1] << 12) | (values[2] << 6) | values[3], values[4:]
    pairs_count = n * (n - 1) // 2
    need(len(values) == (pairs_count + 5) // 6,
         f"canonical_graph6: {len(values)} characters after the size, not {(pairs_count + 5) // 6}")
    bits = [(v >> (5 - b)) & 1 for v in values for b in range(6)]
    edges, at = [], 0
    for j in range(1, n):
        for i in range(j):
            if bits[at]:
                edges.append((i, j))
            at += 1
    return n, edges


def read_points(document):
    points = get_list(document, "points")
    for k, point in enumerate(points):
        need(isinstance(point, list) and len(point) == 2
             and all(isinstance(v, float) and math.isfinite(v) for v in point),
             f"points[{k}] is not a pair of finite floats")
    return [tuple(point) for point in points]


class Field:
    """Q adjoined the square roots of the generators, in the basis of products of roots."""

    def __init__(self, generators):
        need(all(map(is_int, generators)) and -1 in generators
             and len(set(generators)) == len(generators) <= MAX_GENERATORS,
             f"generators_completed = {generators!r:.60} are not up to {MAX_GENERATORS} "
             "distinct integers including -1")
        positive = [g for g in generators if g != -1]
        for g in positive:
            need(g > 1 and max(sympy.factorint(g).values()) == 1,
                 f"generators_completed: {g} is not a square-free integer > 1")
        for subset in range(1, 1 << len(positive)):
            product = math.prod(g for k, g in enumerate(positive) if subset >> k & 1)
            need(math.isqrt(product) ** 2 != product,
                 f"generators_completed: {product} is a square, the roots are dependent")
        self.generators = generators
        self.size = 1 << len(generators)
        self.imaginary = 1 << generators.index(-1)
        chosen = [[g for k, g in enumerate(generators) if m >> k & 1] for m in range(self.size)]
        self.factor = [[math.prod(chosen[r & c]) for c in range(self.size)] for r in range(self.size)]
        self.symbolic = [math.prod((sympy.I if g == -1 else sympy.sqrt(g) for g in chosen[m]),
                                   start=sympy.Integer(1)) for m in range(self.size)]
        # |e_m| = sqrt(P), P the product of the positive generators in m, from below.
        self.magnitude = [Fraction(math.isqrt(abs(math.prod(chosen[m])) << 2 * BITS), 1 << BITS)
                          for m in range(self.size)]
        # The basis values in floats: one complex product per bit, lowest first.
        self.basis_floats = [(1.0, 0.0)]
        for m in range(1, self.size):
            top = m.bit_length() - 1
            g = generators[top]
            c = math.sqrt(float(g)) if g > 0 else 0.0
            d = 0.0 if g > 0 else math.sqrt(float(-g))
            b_re, b_im = self.basis_floats[m ^ (1 << top)]
            self.basis_floats.append((c * b_re - d * b_im, c * b_im + d * b_re))
        # The product and conjugation rules used below, confirmed with sympy.
        for r in range(self.size):
            sign = -1 if r & self.imaginary else 1
            if sympy.conjugate(self.symbolic[r]) != sign * self.symbolic[r] or any(
                    sympy.expand(self.symbolic[r] * self.symbolic[c]
                                 - self.factor[r][c] * self.symbolic[r ^ c]) != 0
                    for c in range(r, self.size)):
                raise RuntimeError(f"the product rule disagrees with sympy at e_{r}")

    def principal_point(self, a):
        """The float point of an element, as the format prescribes."""
        weights = []
        for (re_part, im_part), value in zip(self.basis_floats, map(f64, a)):
            weights.append((re_part * value, im_part * value))
        h = 1
        while h < self.size:
            for block in range(0, self.size, 2 * h):
                for i in range(block, block + h):
                    (ar, ai), (br, bi) = weights[i], weights[i + h]
                    weights[i], weights[i + h] = (ar + br, ai + bi), (ar - br, ai - bi)
            h *= 2
        return weights[0]

    def multiply(self, a, b):
        product = [Fraction(0)] * self.size
        for r, x in enumerate(a):
            if x:
                for c, y in enumerate(b):
                    if y:
                        product[r ^ c] += self.factor[r][c] * x * y
        return product

    def squared_modulus(self, a):
        conjugate = [-x if m & self.imaginary else x for m, x in enumerate(a)]
        return self.multiply(a, conjugate)

    def value(self, a):
        return sympy.Add(*(sympy.Rational(x.numerator, x.denominator) * self.symbolic[m]
                           for m, x in enumerate(a) if x))

    def approximate(self, a, scale=1):
        """X, Y and a bound on the error of each, for sigma(a) / sqrt(scale) = X + iY."""
        parts = [Fraction(0), Fraction(0)]
        for m, x in enumerate(a):
            parts[bool(m & self.imaginary)] += x * self.magnitude[m]
        error = sum(map(abs, a)) / (1 << BITS)
        if scale != 1:
            # 1/sqrt(scale) from below, to within 2^(1 - BITS).
            inverse_root = Fraction(math.isqrt((1 << 2 * BITS) // scale), 1 << BITS)
            error += max(map(abs, parts)) * 2 / (1 << BITS)
            parts = [part * inverse_root for part in parts]
        return parts[0], parts[1], error


def difference(a, b):
    return tuple(y - x for x, y in zip(a, b))


def squared_modulus(field, a, b):
    """|sigma(b - a)|^2 as a sympy number, from the exact product in the field."""
    return field.value(field.squared_modulus(difference(a, b)))


def check_digest(points, digest):
    hashed = hashlib.sha256()
    for x, y in points:
        hashed.update(struct.pack("<dd", x, y))
    claim(hashed.hexdigest() == digest,
          f"points_sha256 is {digest}, the points hash to {hashed.hexdigest()}")


def check_points(field, points, zs, digest, scale=1):
    check_digest(points, digest)
    for k, ((x, y), z) in enumerate(zip(points, zs)):
        big_x, big_y, error = field.approximate(z, scale)
        bound = POINT_TOLERANCE * max(1, abs(big_x) - error, abs(big_y) - error)
        claim(max(abs(Fraction(x) - big_x), abs(Fraction(y) - big_y)) + error <= bound,
              f"points[{k}] ({x!r}, {y!r}) is not within 1e-12 of sigma(z_{k})"
              f"{' / sqrt(norm)' if scale != 1 else ''} = ({float(big_x)!r}, {float(big_y)!r})")


def lattice_basis(family):
    w1 = (1 + sympy.sqrt(3) * sympy.I) / 2
    w3 = (5 + sympy.sqrt(11) * sympy.I) / 6
    return {"square": [1, sympy.I], "eisenstein": [1, w1], "moser": [1, w1, w3, w1 * w3]}[family]


def check_multiquadratic(document, field, points, digest):
    n, size = len(points), field.size
    zs = elements(document, "elements", size, n)
    translations = elements(document, "translations", size)
    certified = int_rows(document, "certified_edges", 4)
    for k, (i, j, t, s) in enumerate(certified):
        need(0 <= i < j < n and 0 <= t < len(translations) and s in (1, -1),
             f"certified_edges[{k}] ({i}, {j}, {t}, {s}): not i < j < {n}, "
             f"t < {len(translations)}, s = +1 or -1")
    proven = pairs(document, "proven_unit_edges", n, True)
    near = pairs(document, "near_misses", n, True)
    count = get(document, "exact_unit_distances", int)
    tolerance = get(document, "audit_tolerance", float, lambda v: 0 <= v < 1,
                    "a float in [0, 1)")

    check_points(field, points, zs, digest)
    for k, ((x, y), z) in enumerate(zip(points, zs)):
        principal = field.principal_point(z)
        claim(struct.pack("<dd", x, y) == struct.pack("<dd", *principal),
              f"points[{k}] ({x!r}, {y!r}) is not the float of elements[{k}], "
              f"{principal!r}, bit for bit")
    for k, t in enumerate(translations):
        value = field.value(field.squared_modulus(t))
        claim(value == 1, f"translations[{k}]: |t|^2 = {value} is not 1")
    proven_pairs = set(proven)
    for k, (i, j, t, s) in enumerate(certified):
        claim(difference(zs[i], zs[j]) == tuple(s * x for x in translations[t]),
              f"certified_edges[{k}] ({i}, {j}, {t}, {s}): z_{j} - z_{i} is not "
              f"{s} * translations[{t}]")
        claim((i, j) in proven_pairs, f"certified_edges[{k}] ({i}, {j}): not a proven unit edge")
    for k, (i, j) in enumerate(proven):
        value = squared_modulus(field, zs[i], zs[j])
        claim(value == 1, f"proven_unit_edges[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = {value} is not 1")
    for k, (i, j) in enumerate(near):
        claim((i, j) not in proven_pairs, f"near_misses[{k}] ({i}, {j}): also a proven unit edge")
        claim(squared_modulus(field, zs[i], zs[j]) != 1,
              f"near_misses[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = 1 exactly, not a near miss")
    same_pairs(sorted(proven + near), window(points, tolerance), "the audit tolerance")
    claim(count == len(proven),
          f"exact_unit_distances = {count}, but there are {len(proven)} proven_unit_edges")
    return (f"{len(translations)} translations, {len(certified)} certified edges, "
            f"{len(proven)} proven unit edges, {len(near)} near misses")


def check_lattice(document, field, points, digest):
    n, size = len(points), field.size
    family = get(document, "family", str, lambda v: v in ("square", "eisenstein", "moser"),
                 "'square', 'eisenstein' or 'moser'")
    need(json.dumps(field.generators) == json.dumps(FAMILY_GENERATORS[family]),
         f"generators_completed: the {family} field has generators {FAMILY_GENERATORS[family]}")
    get(document, "shape", str, lambda v: v in SHAPES[family], f"a shape of the {family} family")
    norm = get(document, "norm", int, lambda v: 0 < v <= 2**53, "an int in [1, 2^53]")
    claim(family != "moser" or norm == 1,
          f"norm = {norm}, but the unit distances of a Moser set have norm 1")
    basis = elements(document, "basis", size, len(lattice_basis(family)))
    coordinates = int_rows(document, "coordinates", len(basis), n)
    edges = pairs(document, "edges", n, True)
    count = get(document, "unit_distances", int)

    for c, (column, expected) in enumerate(zip(basis, lattice_basis(family))):
        value = field.value(column)
        claim(sympy.expand(value - expected) == 0,
              f"basis[{c}] = {value} is not {expected} of the {family} lattice")
    zs = [tuple(sum(a * column[m] for a, column in zip(row, basis)) for m in range(size))
          for row in coordinates]
    check_points(field, points, zs, digest, norm)
    claim(len(set(coordinates)) == n, "coordinates: two points are the same lattice point")
    for k, ((x, y), row) in enumerate(zip(points, coordinates)):
        expected = lattice_point(family, row, norm)
        claim(struct.pack("<dd", x, y) == struct.pack("<dd", *expected),
              f"points[{k}] ({x!r}, {y!r}) is not the float of coordinates[{k}], "
              f"{expected!r}, bit for bit")
    for k, (i, j) in enumerate(edges):
        value = squared_modulus(field, zs[i], zs[j])
        claim(value == norm, f"edges[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = {value} is not {norm}")
    # Completeness: a pair at the norm lies far within this margin of 1.
    largest = max((abs(v) for point in points for v in point), default=0.0)
    listed = set(edges)
    for i, j in window(points, min(0.5, 1e-9 * max(1.0, largest))):
        if (i, j) not in listed:
            value = squared_modulus(field, zs[i], zs[j])
            claim(value != norm, f"the pair ({i}, {j}) has |z_{j} - z_{i}|^2 = {norm} but is "
                                 "not among the edges")
    claim(count == len(edges), f"unit_distances = {count}, but there are {len(edges)} edges")
    if "canonical_graph6" in document:
        vertices, stated = graph6_graph(document["canonical_graph6"])

        def degrees(edge_list):
            tally = [0] * vertices
            for i, j in edge_list:
                tally[i] += 1
                tally[j] += 1
            return sorted(tally)

        claim(vertices == n and len(stated) == len(edges)
              and degrees(stated) == degrees(edges),
              "canonical_graph6 does not describe the unit-distance graph of the points "
              "(vertices, edges or degrees differ)")
    return f"{len(edges)} edges at norm {norm} ({family}, {document['shape']})"


def integer_echelon(rows):
    """Integer rows brought to echelon form by Euclid on each column: the
    nonzero rows are a basis of their integer span."""
    rows = [list(row) for row in rows]
    echelon, width = [], len(rows[0]) if rows else 0
    for column in range(width):
        while True:
            live = [row for row in rows if row[column]]
            if len(live) <= 1:
                break
            pivot = min(live, key=lambda row: abs(row[column]))
            for row in live:
                if row is not pivot:
                    q = row[column] // pivot[column]
                    row[:] = [a - q * b for a, b in zip(row, pivot)]
        live = [row for row in rows if row[column]]
        if live:
            echelon.append((column, live[0]))
            rows = [row for row in rows if row is not live[0]]
    return echelon


def in_integer_span(echelon, vector):
    vector = list(vector)
    for column, row in echelon:
        if vector[column] % row[column]:
            return False
        q = vector[column] // row[column]
        vector = [a - q * b for a, b in zip(vector, row)]
    return not any(vector)


def check_unit_lattice(document, field, points, digest):
    n, size = len(points), field.size
    units = elements(document, "generating_units", size)
    basis = elements(document, "basis", size)
    need(units and basis, "generating_units and basis must not be empty")
    coordinates = int_rows(document, "coordinates", len(basis), n)
    edges = pairs(document, "edges", n, True)
    count = get(document, "unit_distances", int)
    zero = (Fraction(0),) * size
    for k, unit in enumerate(units):
        value = squared_modulus(field, zero, unit)
        claim(value == 1, f"generating_units[{k}]: |u|^2 = {value} is not 1")
    scale = math.lcm(*(x.denominator for element in units + basis for x in element))
    echelon = integer_echelon([[int(x * scale) for x in unit] for unit in units])
    for c, column in enumerate(basis):
        claim(in_integer_span(echelon, [int(x * scale) for x in column]),
              f"basis[{c}] is not in the integer span of the generating units")
    zs = [tuple(sum(a * column[m] for a, column in zip(row, basis)) for m in range(size))
          for row in coordinates]
    check_points(field, points, zs, digest)
    claim(len(set(coordinates)) == n, "coordinates: two points are the same lattice point")
    for k, (i, j) in enumerate(edges):
        value = squared_modulus(field, zs[i], zs[j])
        claim(value == 1, f"edges[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = {value} is not 1")
    # Completeness: a unit pair lies far within this margin of 1.
    largest = max((abs(v) for point in points for v in point), default=0.0)
    listed = set(edges)
    for i, j in window(points, min(0.5, 1e-9 * max(1.0, largest))):
        if (i, j) not in listed:
            value = squared_modulus(field, zs[i], zs[j])
            claim(value != 1, f"the pair ({i}, {j}) has |z_{j} - z_{i}|^2 = 1 but is not "
                              "among the edges")
    claim(count == len(edges), f"unit_distances = {count}, but there are {len(edges)} edges")
    return f"{len(edges)} unit edges (lattice of {len(units)} generating units, rank {len(basis)})"


def precision(x, digits, decimals):
    """The precision of a coordinate as vantor_tools.exact.prove reads it: the
    largest of 2^-48 max(|x|, 1), 5 * 10^(E - digits) (E the decimal exponent
    of the shortest decimal of x) and 5 * 10^(-decimals - 1)."""
    eps = max(abs(Fraction(x)), Fraction(1)) / 2**48
    if decimals is not None:
        eps = max(eps, Fraction(5, 10 ** (decimals + 1)))
    if digits is not None and x != 0:
        exponent = decimal.Decimal(repr(float(x))).adjusted()
        eps = max(eps, Fraction(5) * Fraction(10) ** (exponent - digits))
    return eps


def check_proof(document, field, points, digest):
    n, size = len(points), field.size
    values = get_list(document, "elements", n)
    zs = [None if value is None else elements({"e": [value]}, "e", size)[0] for value in values]
    unrecognised = get_list(document, "unrecognised")
    proven = pairs(document, "proven_unit_edges", n, True)
    near = pairs(document, "near_misses", n, True)
    count = get(document, "exact_unit_distances", int)
    tolerance = get(document, "tolerance", float, lambda v: 0 < v < 1, "a float in (0, 1)")
    digits = document["digits"]
    need(digits is None or is_int(digits) and 1 <= digits <= 17, "digits is not null or 1 to 17")
    decimals = document["decimals"]
    need(decimals is None or is_int(decimals) and 0 <= decimals <= 30,
         "decimals is not null or 0 to 30")

    check_digest(points, digest)
    claim(unrecognised == [k for k, z in enumerate(zs) if z is None],
          "unrecognised is not the list of the points whose element is null")
    for k, ((x, y), z) in enumerate(zip(points, zs)):
        if z is None:
            continue
        big_x, big_y, error = field.approximate(z)
        for coordinate, value in ((x, big_x), (y, big_y)):
            claim(abs(Fraction(coordinate) - value) + error
                  <= precision(coordinate, digits, decimals),
                  f"elements[{k}]: sigma(z_{k}) = ({float(big_x)!r}, {float(big_y)!r}) is not "
                  f"within the precision of points[{k}] ({x!r}, {y!r})")
    proven_pairs = set(proven)
    for k, (i, j) in enumerate(proven):
        claim(zs[i] is not None and zs[j] is not None,
              f"proven_unit_edges[{k}] ({i}, {j}): an element of the pair is unknown")
        value = squared_modulus(field, zs[i], zs[j])
        claim(value == 1, f"proven_unit_edges[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = {value} is not 1")
    for k, (i, j) in enumerate(near):
        claim((i, j) not in proven_pairs, f"near_misses[{k}] ({i}, {j}): also a proven unit edge")
        claim(zs[i] is not None and zs[j] is not None,
              f"near_misses[{k}] ({i}, {j}): an element of the pair is unknown")
        claim(squared_modulus(field, zs[i], zs[j]) != 1,
              f"near_misses[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = 1 exactly, not a near miss")
    # The pairs of known points within the tolerance.
    same_pairs(sorted(proven + near), [(i, j) for i, j in window(points, tolerance)
                                       if zs[i] is not None and zs[j] is not None],
               "the tolerance")
    claim(count == len(proven),
          f"exact_unit_distances = {count}, but there are {len(proven)} proven_unit_edges")
    return (f"{len(proven)} proven unit edges, {len(near)} near misses, "
            f"{len(unrecognised)} points unrecognised")


def lattice_point(family, row, norm):
    """The float point of lattice coordinates, as the format prescribes."""
    if family == "moser":
        a, b, c, d = row
        p, u, v = float(12 * a + 6 * b + 10 * c + 5 * d), float(6 * b + 5 * d), float(2 * c + d)
        return (p - float(d) * SQRT33) / 12.0, (u * SQRT3 + v * SQRT11) / 12.0
    scale = math.sqrt(float(norm))
    a, b = float(row[0]), float(row[1])
    if family == "square":
        return a / scale, b / scale
    return (a + 0.5 * b) / scale, (b * HALF_SQRT3) / scale


def check_call(document, kind, n):
    """The call names a function that makes this kind, with its arguments,
    and the result agrees with them (the call is not run)."""
    function, arguments = document["call"]["function"], document["call"]["arguments"]
    need(re.fullmatch(r"[A-Za-z_][A-Za-z0-9_.]{0,127}", function) is not None,
         f"call.function {function!r:.60} is not a function name")
    if function == PROVE or kind == "proof":
        need(function == PROVE and kind == "proof", f"call: {PROVE}, and only it, makes proofs")
        need(set(arguments) == {"field", "tolerance", "digits", "decimals"},
             f"call.arguments of {PROVE} must be field, tolerance, digits, decimals")
        field = arguments["field"]
        need(field is None or isinstance(field, list) and len(field) <= 64
             and all(map(is_int, field)), "call.arguments.field is not null or a list of ints")
        claim(field is None or document["generators_completed"] == field + (
            [] if -1 in field else [-1]), "generators_completed: not the field of the call")
        for key in ("tolerance", "digits", "decimals"):
            claim(json.dumps(arguments[key]) == json.dumps(document[key]),
                  f"{key}: {document[key]} stated, the call asked for {arguments[key]}")
        return
    if kind == "unit_lattice":
        if function == "vantor_tools.lattice.UnitLattice.point_set":
            need(not arguments, f"call.arguments of {function} must be empty")
            return
        need(function == "vantor_tools.lattice.patch",
             f"call: {function!r} makes no unit lattice sets")
        need(set(arguments) == {"n"} and is_int(arguments["n"]) and 0 <= arguments["n"] < INT64,
             f"call.arguments of {function} must be ['n'], an integer in [0, 2^63)")
        claim(n == arguments["n"], f"points: {n} points, the call asked for {arguments['n']}")
        return
    if function == CERTIFY:
        need(kind == "multiquadratic", f"call: {CERTIFY} makes multiquadratic results")
        need(set(arguments) == {"generators", "split_prime", "k", "n_target"},
             f"call.arguments of {CERTIFY} must be generators, split_prime, k, n_target")
        generators = arguments["generators"]
        need(isinstance(generators, list) and len(generators) <= 64
             and all(map(is_int, generators)), "call.arguments.generators is not a list of ints")
        need(all(is_int(arguments[key]) and -INT64 <= arguments[key] < INT64
                 for key in ("split_prime", "k", "n_target")),
             "call.arguments: split_prime, k and n_target must be integers")
        completed = generators + ([] if -1 in generators else [-1])
        claim(document["generators_completed"] == completed,
              f"generators_completed: not the generators of the call {completed}")
        claim(n <= arguments["n_target"],
              f"points: {n} points, more than the call's n_target {arguments['n_target']}")
        return
    module, _, name = function.rpartition(".")
    need(kind == "lattice" and module in LATTICE_MODULES, f"call: unknown function {function!r}")
    family, shape = document["family"], document["shape"]

    def integer_argument(key, optional=False):
        value = arguments.get(key)
        need(value is None and optional or is_int(value) and 0 <= value < INT64,
             f"call.arguments.{key} must be an integer in [0, 2^63)")

    if name in ("best", "moser_atlas", "catalogue"):
        need(set(arguments) == {"n"}, f"call.arguments of {function} must be ['n']")
        integer_argument("n")
        claim(name != "moser_atlas" or (family, shape) == ("moser", "atlas"),
              "family, shape: moser_atlas makes Moser sets of shape 'atlas'")
        claim((name == "catalogue") == ("canonical_graph6" in document) and (
            name != "catalogue" or (family, shape) == ("moser", "catalogue")),
            "family, shape, canonical_graph6: catalogue entries, and only they, are Moser "
            "sets of shape 'catalogue' with a canonical graph6")
    elif name in ("square_lattice", "eisenstein_lattice"):
        need({"n"} <= set(arguments) <= {"n", "m", "shape"},
             f"call.arguments of {function} must be among ['m', 'n', 'shape']")
        integer_argument("n")
        integer_argument("m", optional=True)
        need(arguments.get("shape") is None or isinstance(arguments["shape"], str),
             "call.arguments.shape must be a name")
        claim(family == name.removesuffix("_lattice"),
              f"family: {name} makes {name.removesuffix('_lattice')} patches")
        claim(arguments.get("m") is None or arguments["m"] == document["norm"],
              f"norm: {document['norm']} stated, the call asked for {arguments.get('m')}")
        claim(arguments.get("shape") is None or arguments["shape"] == shape,
              f"shape: {shape!r} stated, the call asked for {arguments.get('shape')!r}")
    else:
        need(False, f"call: unknown function {function!r}")
    claim(n == arguments["n"], f"points: {n} points, the call asked for {arguments['n']}")


def load(path):
    """The JSON object of a regular file of at most MAX_BYTES, without duplicate keys."""
    def reject(constant):
        raise FormatError(f"{constant} is not a number")

    def no_duplicates(pairs):
        need(len({key for key, _ in pairs}) == len(pairs), "a key appears twice in one object")
        return dict(pairs)

    try:
        # O_NONBLOCK: a pipe with no writer is refused, not waited on.
        descriptor = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
        with os.fdopen(descriptor, "rb") as file:
            status = os.fstat(file.fileno())
            need(stat.S_ISREG(status.st_mode), "not a regular file")
            need(status.st_size <= MAX_BYTES, f"larger than {MAX_BYTES} bytes")
            text = file.read(MAX_BYTES + 1).decode("utf-8")
        need(len(text) <= MAX_BYTES, f"larger than {MAX_BYTES} bytes")
        document = json.loads(text, parse_constant=reject, object_pairs_hook=no_duplicates)
    except (OSError, UnicodeDecodeError, ValueError, RecursionError) as error:
        raise FormatError(f"cannot read: {str(error).splitlines()[0] if str(error) else error!r}")
    need(isinstance(document, dict), "not a JSON object")
    return document


def check(path):
    document = load(path)
    need(document.get("format") == "vantor exact result", "format is not 'vantor exact result'")
    kind = get(document, "kind", str, lambda v: v in KEYS,
               "'multiquadratic', 'lattice', 'proof' or 'unit_lattice'")
    missing = KEYS[kind] - set(document)
    need(not missing, f"missing key {min(missing, default='')!r}")
    unknown = set(document) - KEYS[kind] - OPTIONAL_KEYS[kind]
    need(not unknown, f"unknown key {min(unknown, default='')!r}")
    get(document, "vantor_version", str, VERSION.fullmatch, "a version name")
    call = get(document, "call", dict)
    need(set(call) == {"function", "arguments"} and isinstance(call["function"], str)
         and isinstance(call["arguments"], dict),
         "call is not {'function': str, 'arguments': {...}}")
    field = Field(get_list(document, "generators_completed"))
    points = read_points(document)
    digest = get(document, "points_sha256", str, DIGEST.fullmatch, "64 lowercase hex digits")
    checker = {"multiquadratic": check_multiquadratic, "lattice": check_lattice,
               "proof": check_proof, "unit_lattice": check_unit_lattice}[kind]
    counts = checker(document, field, points, digest)
    check_call(document, kind, len(points))
    within = ("every known point within its precision" if kind == "proof"
              else "every point within 1e-12 of its element")
    return (f"{kind} {call['function']}: {len(points)} points in "
            f"Q(sqrt {field.generators}) of degree {field.size}; exactly checked: {counts}; "
            f"{within}")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("file", metavar="FILE.json")
    args = parser.parse_args()
    if sympy is None:
        print("check_exact: needs sympy (pip install 'vantor[check]' or pip install sympy)", file=sys.stderr)
        return 2
    started = time.perf_counter()
    try:
        summary = check(args.file)
    except FormatError as error:
        print(f"{args.file}: not an exact result: {error}", file=sys.stderr)
        return 2
    except ClaimFailed as error:
        print(f"{args.file}: {error}", file=sys.stderr)
        return 1
    print(f"{summary}; {time.perf_counter() - started:.2f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
