"""Exact numbers as text: integers, rationals and square roots of integers.

``parse("(5 + sqrt(33))/12")`` reads such text into a ``Radicals`` value, a
rational combination of square roots of square-free integers; ``sqrt(-d)``
is i * sqrt(d). ``Radicals.coefficients(generators)`` writes it in the basis
of a multiquadratic field (the basis of ``vantor_tools.exact``: element m
is the product of the square roots of the generators whose bits are set in
m), and ``element_text`` writes such coefficients back as text.

The grammar, with the usual precedence and left to right::

    expression := term (("+" | "-") term)*
    term       := unary (("*" | "/") unary)*
    unary      := ("+" | "-") unary | power
    power      := atom (("^" | "**") integer)?
    atom       := integer | decimal | "sqrt" "(" expression ")" | "i"
                | "(" expression ")"

The text is never evaluated as Python. Text from anywhere is bounded: at
most ``MAX_CHARS`` characters, ``MAX_DIGITS`` digits per number,
``MAX_DEPTH`` nested parentheses, radicands of at most ``MAX_RADICAND``,
powers up to ``MAX_POWER`` and at most ``MAX_TERMS`` square roots in one
value. Each fault raises ``ExpressionError`` (a ValueError) naming the
position.
"""

from __future__ import annotations

import math
import re
from collections.abc import Sequence
from fractions import Fraction

__all__ = ["Radicals", "ExpressionError", "parse", "element_text", "MAX_CHARS"]

MAX_CHARS = 10_000
MAX_DIGITS = 400
MAX_DEPTH = 64
MAX_RADICAND = 10**12
MAX_POWER = 64
MAX_TERMS = 128

_TOKEN = re.compile(r"\s*(?:(\d+(?:\.\d*)?|\.\d+)|(sqrt|i)\b|(\*\*|[-+*/^()]))")


class ExpressionError(ValueError):
    """Text that is not an exact expression of this grammar, or beyond its bounds."""


def _squarefree(n: int) -> tuple[int, int]:
    """(s, d) with n = s*s*d and d square-free, for 0 < n <= MAX_RADICAND."""
    s, d, p = 1, 1, 2
    while p * p <= n:
        while n % (p * p) == 0:
            n //= p * p
            s *= p
        if n % p == 0:
            n //= p
            d *= p
        p += 1 if p == 2 else 2
    return s, d * n


def _primes(d: int) -> list[int]:
    """The prime factors of a square-free d >= 1, with -1 for a negative d."""
    factors = [-1] if d < 0 else []
    d, p = abs(d), 2
    while p * p <= d:
        if d % p == 0:
            factors.append(p)
            d //= p
        p += 1 if p == 2 else 2
    if d > 1:
        factors.append(d)
    return factors


class Radicals:
    """A rational combination of square roots: {d: c} stands for the sum of
    c * sqrt(d) over square-free d (1 for the rational part, -1 for i, -3 for
    i * sqrt(3)). Values are immutable; zero terms are never stored."""

    __slots__ = ("terms",)

    def __init__(self, terms: dict[int, Fraction] | None = None) -> None:
        cleaned = {d: c for d, c in (terms or {}).items() if c}
        if len(cleaned) > MAX_TERMS:
            raise ExpressionError(f"more than {MAX_TERMS} square roots in one value")
        self.terms: dict[int, Fraction] = cleaned

    @classmethod
    def rational(cls, value: Fraction | int) -> Radicals:
        return cls({1: Fraction(value)})

    @classmethod
    def sqrt(cls, value: Radicals) -> Radicals:
        """The principal square root of a rational value."""
        if set(value.terms) - {1}:
            raise ExpressionError("sqrt takes a rational argument")
        q = value.terms.get(1, Fraction(0))
        if q == 0:
            return cls()
        radicand = abs(q.numerator) * q.denominator
        if radicand > MAX_RADICAND:
            raise ExpressionError(f"a radicand beyond {MAX_RADICAND}")
        s, d = _squarefree(radicand)
        return cls({-d if q < 0 else d: Fraction(s, q.denominator)})

    def __add__(self, other: Radicals) -> Radicals:
        terms = dict(self.terms)
        for d, c in other.terms.items():
            terms[d] = terms.get(d, Fraction(0)) + c
        return Radicals(terms)

    def __neg__(self) -> Radicals:
        return Radicals({d: -c for d, c in self.terms.items()})

    def __sub__(self, other: Radicals) -> Radicals:
        return self + (-other)

    def __mul__(self, other: Radicals) -> Radicals:
        terms: dict[int, Fraction] = {}
        for a, c in self.terms.items():
            for b, e in other.terms.items():
                # a and b are square-free: a * b = g^2 * d with g = gcd(a, b).
                s = math.gcd(a, b)
                d = abs(a * b) // (s * s)
                sign = -1 if a < 0 and b < 0 else 1  # i * i
                key = -d if (a < 0) != (b < 0) else d
                terms[key] = terms.get(key, Fraction(0)) + sign * s * c * e
        return Radicals(terms)

    def conjugate_at(self, prime: int) -> Radicals:
        """The automorphism sqrt(prime) -> -sqrt(prime) (i -> -i for -1)."""
        return Radicals({d: (-c if (d < 0 if prime == -1 else d % prime == 0) else c)
                         for d, c in self.terms.items()})

    def inverse(self) -> Radicals:
        """1 / self: self times its conjugates at every prime is rational."""
        if not self.terms:
            raise ExpressionError("division by zero")
        factor, value = Radicals.rational(1), self
        for prime in sorted({p for d in self.terms for p in _primes(d)}):
            conjugate = value.conjugate_at(prime)
            factor, value = factor * conjugate, value * conjugate
        norm = value.terms.get(1, Fraction(0))
        if set(value.terms) - {1} or norm == 0:
            raise ExpressionError("division by zero")
        return factor * Radicals.rational(1 / norm)

    def is_real(self) -> bool:
        return all(d > 0 for d in self.terms)

    def __float__(self) -> float:
        """The value of a real combination, each term rounded once and summed
        in increasing order of the radicand."""
        if not self.is_real():
            raise ExpressionError("an imaginary value where a real one belongs")
        return math.fsum(float(c) * math.sqrt(d) for d, c in sorted(self.terms.items()))

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Radicals) and self.terms == other.terms

    def __hash__(self) -> int:
        return hash(frozenset(self.terms.items()))

    def __repr__(self) -> str:
        return f"Radicals({self.terms!r})"

    def coefficients(self, generators: Sequence[int]) -> tuple[Fraction, ...]:
        """The coefficients in the basis of the field of ``generators``
        (with -1 among them); ValueError when a root lies outside it."""
        basis = _basis_roots(tuple(generators))
        coefficients = [Fraction(0)] * len(basis[1])
        for d, c in self.terms.items():
            if d not in basis[0]:
                root = "i" if d == -1 else f"sqrt({d})"
                raise ExpressionError(f"{root} is not in the field of generators "
                                      f"{list(generators)}")
            m, s = basis[0][d]
            coefficients[m] += c / s
        return tuple(coefficients)

    @classmethod
    def from_coefficients(cls, coefficients: Sequence[Fraction | int | str],
                          generators: Sequence[int]) -> Radicals:
        """The value of coefficients in the basis of the field of ``generators``."""
        roots = _basis_roots(tuple(generators))[1]
        if len(coefficients) != len(roots):
            raise ExpressionError(f"{len(coefficients)} coefficients for a field of degree "
                                  f"{len(roots)}")
        terms: dict[int, Fraction] = {}
        for c, (d, s) in zip(coefficients, roots):
            terms[d] = terms.get(d, Fraction(0)) + Fraction(c) * s
        return cls(terms)


_BASES: dict[tuple[int, ...], tuple[dict[int, tuple[int, int]], list[tuple[int, int]]]] = {}


def _basis_roots(generators: tuple[int, ...]) -> tuple[dict[int, tuple[int, int]],
                                                       list[tuple[int, int]]]:
    """For the field of ``generators``: basis element m is s_m * sqrt(d_m);
    returns ({d_m: (m, s_m)}, [(d_m, s_m) for each m])."""
    if generators not in _BASES:
        roots: list[tuple[int, int]] = []
        for m in range(1 << len(generators)):
            value = Radicals.rational(1)
            for bit, g in enumerate(generators):
                if m >> bit & 1:
                    value = value * Radicals({-1 if g == -1 else g: Fraction(1)})
            ((d, s),) = value.terms.items()
            roots.append((d, int(s)))
        _BASES[generators] = ({d: (m, s) for m, (d, s) in enumerate(roots)}, roots)
    return _BASES[generators]


class _Parser:
    def __init__(self, text: str) -> None:
        if len(text) > MAX_CHARS:
            raise ExpressionError(f"an expression longer than {MAX_CHARS} characters")
        self.text = text
        self.tokens: list[tuple[int, str]] = []
        position = 0
        while position < len(text):
            match = _TOKEN.match(text, position)
            if match is None:
                if text[position:].strip() == "":
                    break
                at = len(text) - len(text[position:].lstrip())
                raise ExpressionError(f"unexpected {text[at]!r} at character {at + 1}")
            group = match.lastindex or 0
            self.tokens.append((match.start(group) + 1, match.group(group)))
            position = match.end()
        self.next = 0
        self.depth = 0

    def peek(self) -> str | None:
        return self.tokens[self.next][1] if self.next < len(self.tokens) else None

    def where(self) -> str:
        if self.next < len(self.tokens):
            return f"at character {self.tokens[self.next][0]}"
        return "at the end"

    def take(self, expected: str | None = None) -> str:
        token = self.peek()
        if token is None or (expected is not None and token != expected):
            wanted = f"{expected!r}" if expected else "more"
            raise ExpressionError(f"expected {wanted} {self.where()}")
        self.next += 1
        return token

    def expression(self) -> Radicals:
        self.depth += 1
        if self.depth > MAX_DEPTH:
            raise ExpressionError(f"more than {MAX_DEPTH} nested parentheses")
        value = self.term()
        while self.peek() in ("+", "-"):
            value = value + self.term() if self.take() == "+" else value - self.term()
        self.depth -= 1
        return value

    def term(self) -> Radicals:
        value = self.unary()
        while self.peek() in ("*", "/"):
            value = value * self.unary() if self.take() == "*" else value * self.unary().inverse()
        return value

    def unary(self) -> Radicals:
        if self.peek() in ("+", "-"):
            self.depth += 1
            if self.depth > MAX_DEPTH:
                raise ExpressionError(f"more than {MAX_DEPTH} nested signs")
            value = -self.unary() if self.take() == "-" else self.unary()
            self.depth -= 1
            return value
        return self.power()

    def power(self) -> Radicals:
        value = self.atom()
        if self.peek() in ("^", "**"):
            self.take()
            negative = self.peek() == "-" and bool(self.take())
            token = self.take()
            if not token.isdigit() or int(token) > MAX_POWER:
                raise ExpressionError(f"a power must be an integer of at most {MAX_POWER}")
            result = Radicals.rational(1)
            for _ in range(int(token)):
                result = result * value
            value = result.inverse() if negative else result
        return value

    def atom(self) -> Radicals:
        where = self.where()
        token = self.take()
        if token == "(":
            value = self.expression()
            self.take(")")
            return value
        if token == "sqrt":
            self.take("(")
            value = Radicals.sqrt(self.expression())
            self.take(")")
            return value
        if token == "i":
            return Radicals({-1: Fraction(1)})
        if token[0].isdigit() or token[0] == ".":
            if len(token) > MAX_DIGITS:
                raise ExpressionError(f"a number of more than {MAX_DIGITS} digits {where}")
            return Radicals.rational(Fraction(token))
        raise ExpressionError(f"unexpected {token!r} {where}")


def parse(text: str) -> Radicals:
    """The exact value of ``text`` (see the module's grammar)."""
    if not isinstance(text, str):
        raise TypeError(f"an expression must be str, not {type(text).__name__}")
    parser = _Parser(text)
    if not parser.tokens:
        raise ExpressionError("an empty expression")
    value = parser.expression()
    if parser.peek() is not None:
        raise ExpressionError(f"unexpected {parser.peek()!r} {parser.where()}")
    return value


def _real_text(value: Radicals) -> str:
    if not value.terms:
        return "0"
    denominator = math.lcm(*(c.denominator for c in value.terms.values()))
    parts = []
    for d, c in sorted(value.terms.items()):
        n = c.numerator * (denominator // c.denominator)
        magnitude = abs(n)
        root = "" if d == 1 else f"sqrt({d})"
        body = str(magnitude) if not root else (root if magnitude == 1 else f"{magnitude}*{root}")
        parts.append(("-" if n < 0 else "+", body))
    text = ("-" if parts[0][0] == "-" else "") + parts[0][1]
    text += "".join(f" {sign} {body}" for sign, body in parts[1:])
    if denominator == 1:
        return text
    if len(parts) > 1:
        text = f"({text})"
    return f"{text}/{denominator}"


def element_text(coefficients: Sequence[Fraction | int | str],
                 generators: Sequence[int]) -> tuple[str, str]:
    """The coordinates (x, y) of a field element as exact text that ``parse``
    reads back: for example ("(5 + sqrt(33))/12", "-sqrt(3)/2")."""
    value = Radicals.from_coefficients(coefficients, generators)
    real = Radicals({d: c for d, c in value.terms.items() if d > 0})
    imaginary = Radicals({-d: c for d, c in value.terms.items() if d < 0})
    return _real_text(real), _real_text(imaginary)
