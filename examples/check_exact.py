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
- the format: keys, types, list lengths, indices in range, i < j, edge lists
  sorted and distinct where the format says so, signs +1 or -1; up to 6
  generators, distinct, -1 and square-free integers > 1, independent modulo
  squares (so an element has one coefficient list);
- points_sha256 is the SHA-256 of the points (little-endian float64, x then
  y, point by point);
- each point (x, y) is sigma(z_k) = X + iY (lattice: sigma(z_k) / sqrt(norm)),
  sigma the embedding sending sqrt(g) to the positive root and sqrt(-1) to i:
  |x - X| and |y - Y| <= 1e-12 * max(1, |X|, |Y|), X and Y being evaluated
  from integer square roots to within 2^-200 and that error counted;
- multiquadratic: every translation t has t * conj(t) = 1; every certified
  edge (i, j, t, s) has z_j - z_i = s * translations[t] and its pair is a
  proven unit edge; every proven unit edge has |z_j - z_i|^2 = 1; every near
  miss has |z_j - z_i|^2 != 1, is no proven edge and its float distance is
  within audit_tolerance of 1; exact_unit_distances counts the proven edges;
- proof: every element (null for an unrecognised point, and those points
  exactly the ones listed unrecognised) lies within the precision of its
  point: |x - X| <= max(2^-48 max(|x|, 1), 5 * 10^(E - digits),
  5 * 10^(-decimals - 1)), E the decimal exponent of repr(x), a term left
  out when digits or decimals is null; every proven unit edge has
  |z_j - z_i|^2 = 1 and no near miss has; every listed pair has a float
  distance within the tolerance of 1, and every pair of known points
  within it is listed; exact_unit_distances counts the proven edges;
- lattice: the basis is the one of the family (1, i for square; 1, w1 for
  eisenstein; 1, w1, w3, w1*w3 for moser, w1 = (1 + sqrt(-3))/2,
  w3 = (5 + sqrt(-11))/6); every edge has |z_j - z_i|^2 = norm; unit_distances
  counts the edges.

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
        # The product and conjugation rules used below, confirmed with sympy.
        for r in range(self.size):
            sign = -1 if r & self.imaginary else 1
            if sympy.conjugate(self.symbolic[r]) != sign * self.symbolic[r] or any(
                    sympy.expand(self.symbolic[r] * self.symbolic[c]
                                 - self.factor[r][c] * self.symbolic[r ^ c]) != 0
                    for c in range(r, self.size)):
                raise RuntimeError(f"the product rule disagrees with sympy at e_{r}")

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


def check_points(field, points, zs, digest, scale=1):
    hashed = hashlib.sha256()
    for x, y in points:
        hashed.update(struct.pack("<dd", x, y))
    claim(hashed.hexdigest() == digest,
          f"points_sha256 is {digest}, the points hash to {hashed.hexdigest()}")
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
    near = pairs(document, "near_misses", n, False)
    count = get(document, "exact_unit_distances", int)
    tolerance = get(document, "audit_tolerance", float, lambda v: 0 < v < 1, "a float in (0, 1)")

    check_points(field, points, zs, digest)
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
        distance = math.dist(points[i], points[j])
        claim(abs(distance - 1) <= tolerance + 1e-12,
              f"near_misses[{k}] ({i}, {j}): distance {distance!r} is not within {tolerance} of 1")
        claim(squared_modulus(field, zs[i], zs[j]) != 1,
              f"near_misses[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = 1 exactly, not a near miss")
    claim(count == len(proven),
          f"exact_unit_distances = {count}, but there are {len(proven)} proven_unit_edges")
    return (f"{len(translations)} translations, {len(certified)} certified edges, "
            f"{len(proven)} proven unit edges, {len(near)} near misses")


def check_lattice(document, field, points, digest):
    n, size = len(points), field.size
    family = get(document, "family", str, lambda v: v in ("square", "eisenstein", "moser"),
                 "'square', 'eisenstein' or 'moser'")
    get(document, "shape", str)
    norm = get(document, "norm", int, lambda v: v > 0, "a positive int")
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
    for k, (i, j) in enumerate(edges):
        value = squared_modulus(field, zs[i], zs[j])
        claim(value == norm, f"edges[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = {value} is not {norm}")
    claim(count == len(edges), f"unit_distances = {count}, but there are {len(edges)} edges")
    return f"{len(edges)} edges at norm {norm} ({family}, {document['shape']})"


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


def near_unit_pairs(points, tolerance):
    """Every pair (i, j), i < j, whose float distance lies within tolerance of
    1, from a grid of unit cells."""
    cells = {}
    for k, (x, y) in enumerate(points):
        cells.setdefault((math.floor(x), math.floor(y)), []).append(k)
    found = set()
    for (cx, cy), members in cells.items():
        for dx in (-2, -1, 0, 1, 2):
            for dy in (-2, -1, 0, 1, 2):
                for j in cells.get((cx + dx, cy + dy), ()):
                    for i in members:
                        if i < j and abs(math.dist(points[i], points[j]) - 1) <= tolerance:
                            found.add((i, j))
    return found


def check_proof(document, field, points, digest):
    n, size = len(points), field.size
    values = get_list(document, "elements", n)
    zs = [None if value is None else elements({"e": [value]}, "e", size)[0] for value in values]
    unrecognised = get_list(document, "unrecognised")
    claim(unrecognised == [k for k, z in enumerate(zs) if z is None],
          "unrecognised is not the list of the points whose element is null")
    proven = pairs(document, "proven_unit_edges", n, True)
    near = pairs(document, "near_misses", n, True)
    count = get(document, "exact_unit_distances", int)
    tolerance = get(document, "tolerance", float, lambda v: 0 < v < 1, "a float in (0, 1)")
    digits = document.get("digits")
    need(digits is None or is_int(digits) and 1 <= digits <= 17, "digits is not null or 1 to 17")
    decimals = document.get("decimals")
    need(decimals is None or is_int(decimals) and 0 <= decimals <= 30,
         "decimals is not null or 0 to 30")

    hashed = hashlib.sha256()
    for x, y in points:
        hashed.update(struct.pack("<dd", x, y))
    claim(hashed.hexdigest() == digest,
          f"points_sha256 is {digest}, the points hash to {hashed.hexdigest()}")
    for k, ((x, y), z) in enumerate(zip(points, zs)):
        if z is None:
            continue
        big_x, big_y, error = field.approximate(z)
        for coordinate, value in ((x, big_x), (y, big_y)):
            claim(abs(Fraction(coordinate) - value) + error <= precision(coordinate, digits, decimals),
                  f"elements[{k}]: sigma(z_{k}) = ({float(big_x)!r}, {float(big_y)!r}) is not "
                  f"within the precision of points[{k}] ({x!r}, {y!r})")
    listed = set(proven) | set(near)
    claim(len(listed) == len(proven) + len(near), "a pair is both a proven unit edge and a near miss")
    for k, (i, j) in enumerate(proven + near):
        claim(zs[i] is not None and zs[j] is not None,
              f"pair ({i}, {j}) is listed, but an element of it is unknown")
        distance = math.dist(points[i], points[j])
        claim(abs(distance - 1) <= tolerance + 1e-12,
              f"pair ({i}, {j}): distance {distance!r} is not within {tolerance} of 1")
    # Every pair of known points well within the tolerance is listed (the
    # boundary itself is left to the float test of vantor).
    for i, j in sorted(near_unit_pairs(points, tolerance - 1e-12)):
        claim(zs[i] is None or zs[j] is None or (i, j) in listed,
              f"the pair ({i}, {j}) lies within {tolerance} of distance 1 but is not listed")
    for k, (i, j) in enumerate(proven):
        value = squared_modulus(field, zs[i], zs[j])
        claim(value == 1, f"proven_unit_edges[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = {value} is not 1")
    for k, (i, j) in enumerate(near):
        claim(squared_modulus(field, zs[i], zs[j]) != 1,
              f"near_misses[{k}] ({i}, {j}): |z_{j} - z_{i}|^2 = 1 exactly, not a near miss")
    claim(count == len(proven),
          f"exact_unit_distances = {count}, but there are {len(proven)} proven_unit_edges")
    return (f"{len(proven)} proven unit edges, {len(near)} near misses, "
            f"{len(unrecognised)} points unrecognised")


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
    get(document, "vantor_version", str)
    call = get(document, "call", dict)
    need(isinstance(call.get("function"), str) and isinstance(call.get("arguments"), dict),
         "call is not {'function': str, 'arguments': {...}}")
    kind = get(document, "kind", str, lambda v: v in ("multiquadratic", "lattice", "proof"),
               "'multiquadratic', 'lattice' or 'proof'")
    field = Field(get_list(document, "generators_completed"))
    points = read_points(document)
    digest = get(document, "points_sha256", str, DIGEST.fullmatch, "64 lowercase hex digits")
    checker = {"multiquadratic": check_multiquadratic, "lattice": check_lattice,
               "proof": check_proof}[kind]
    counts = checker(document, field, points, digest)
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
