#!/usr/bin/env python3
"""Writes show_math_tables.h: the polynomial coefficients and tables of show_math.cpp, computed
with 50 significant digits by mpmath and rounded once to double. Run it from anywhere:
    python3 math/make_tables.py
The output is committed; the build never runs this."""
import os
from mpmath import mp, mpf, sin, cos, sqrt, pi, chebyfit, polyval, exp, log, atan, ldexp, floor, nint

mp.dps = 50


def hexd(v):
    """A value rounded to the nearest double, as a C hex-float literal."""
    return float(v).hex()


def fit(f, lo, hi, degree):
    """Chebyshev fit (close to the best fit) and its largest error on a fine sample."""
    coeffs = chebyfit(f, [lo, hi], degree + 1)  # Highest power first
    err = max(abs(polyval(coeffs, lo + (hi - lo) * k / 2000) - f(lo + (hi - lo) * k / 2000)) for k in range(2001))
    return list(reversed(coeffs)), err


def series(name, coeffs):
    body = ", ".join(hexd(c) for c in coeffs)
    return "constexpr double %s[%d] = {%s};\n" % (name, len(coeffs), body)


def table(name, values, per_line=4):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append("    " + ", ".join(hexd(v) for v in values[i:i + per_line]) + ",")
    return "constexpr double %s[%d] = {\n%s\n};\n" % (name, len(values), "\n".join(lines))


out = []
log2 = log(2)

# sin r = r + r·t·S(t), cos r = 1 − t/2 + t²·C(t), t = r², |r| ≤ π/4
t_max = (pi / 4) ** 2
sin_rest = lambda t: mpf(-1) / 6 if t == 0 else (sin(sqrt(t)) / sqrt(t) - 1) / t
cos_rest = lambda t: mpf(1) / 24 if t == 0 else (cos(sqrt(t)) - 1 + t / 2) / (t * t)
sin_c, sin_e = fit(sin_rest, 0, t_max, 5)
cos_c, cos_e = fit(cos_rest, 0, t_max, 5)
out.append("// sin r = r + r·t·S(t) and cos r = 1 - t/2 + t²·C(t), t = r², |r| <= pi/4; relative error "
           "below 2^%d and 2^%d\n" % (int(log(sin_e * t_max, 2)), int(log(cos_e * t_max * t_max, 2))))
out.append(series("kSinPoly", sin_c))
out.append(series("kCosPoly", cos_c))

# pi/2 in three parts of 33, 33 and 53 bits: n·part is exact for n < 2^20
half_pi = pi / 2
p1 = ldexp(floor(ldexp(half_pi, 32)), -32)
p2 = ldexp(floor(ldexp(half_pi - p1, 65)), -65)
p3 = half_pi - p1 - p2
out.append("// pi/2 = kHalfPi1 + kHalfPi2 + kHalfPi3; the first two have 33 significant bits\n")
out.append("constexpr double kHalfPi1 = %s;\nconstexpr double kHalfPi2 = %s;\nconstexpr double kHalfPi3 = %s;\n"
           % (hexd(p1), hexd(p2), hexd(p3)))
out.append("constexpr double kTwoOverPi = %s;\n" % hexd(2 / pi))
out.append("constexpr double kHalfPi = %s;\nconstexpr double kPi = %s;\n" % (hexd(pi / 2), hexd(pi)))
# 2/pi as 32-bit words for the reduction of huge arguments: word i holds bits 32i+1 .. 32i+32
with mp.workprec(400):
    bits = int(floor(ldexp(2 / pi, 32 * 8)))
words = [(bits >> (32 * (7 - i))) & 0xFFFFFFFF for i in range(8)]
out.append("// The first 256 bits of 2/pi after the binary point, 32 to a word, most significant first\n")
out.append("constexpr uint32_t kTwoOverPiBits[8] = {%s};\n" % ", ".join("0x%08Xu" % w for w in words))
out.append("constexpr double kHalfPiOver2To64 = %s;  // pi/2 / 2^64\n" % hexd(ldexp(pi / 2, -64)))

# exp: x = k·ln2/64 + r, |r| <= ln2/128; e^r = 1 + r + r²·E(r); 2^(j/64) for j = 0..63
r_max = log2 / 128
exp_rest = lambda r: mpf(1) / 2 if r == 0 else (exp(r) - 1 - r) / (r * r)
exp_c, exp_e = fit(exp_rest, -r_max, r_max, 3)
out.append("// e^r = 1 + r + r²·E(r), |r| <= ln2/128; relative error below 2^%d\n" % int(log(exp_e * r_max ** 2, 2)))
out.append(series("kExpPoly", exp_c))
ln2_64 = log2 / 64
l1 = ldexp(floor(ldexp(ln2_64, 44)), -44)
out.append("// ln2/64 = kLn2Over64Hi + kLn2Over64Lo; the first has 38 significant bits\n")
out.append("constexpr double kLn2Over64Hi = %s;\nconstexpr double kLn2Over64Lo = %s;\n" % (hexd(l1), hexd(ln2_64 - l1)))
out.append("constexpr double k64OverLn2 = %s;\n" % hexd(64 / log2))
out.append("// 2^(j/64)\n")
out.append(table("kExp2Table", [mp.power(2, mpf(j) / 64) for j in range(64)]))

# log: m in [0x3f330000, 0x3fb30000) as float bits, 64 intervals of 2^17 bit patterns. Each has
# c near its middle with 1/c rounded to 20 bits, so that m·(1/c) is exact; the one holding 1 has c = 1.
offset = 0x3F330000
inv_c, log_c = [], []
z_lo, z_hi = mpf(0), mpf(0)


def bits_to_float(b):
    e = ((b >> 23) & 0xFF) - 127
    return ldexp(mpf((b & 0x7FFFFF) | 0x800000), e - 23)


for i in range(64):
    lo = bits_to_float(offset + (i << 17))
    hi = bits_to_float(offset + ((i + 1) << 17))
    if lo <= 1 < hi:
        ic = mpf(1)
    else:
        mid = (lo + hi) / 2
        e = int(floor(log(1 / mid, 2)))
        ic = ldexp(nint(ldexp(1 / mid, 19 - e)), e - 19)
    inv_c.append(ic)
    log_c.append(-log(ic))
    z_lo = min(z_lo, lo * ic - 1)
    z_hi = max(z_hi, hi * ic - 1)
log_rest = lambda z: mpf(-1) / 2 if z == 0 else (log(1 + z) - z) / (z * z)
log_c_poly, log_e = fit(log_rest, z_lo, z_hi, 5)
out.append("// ln(1 + z) = z + z²·L(z), %s <= z <= %s; error below 2^%d\n"
           % (mp.nstr(z_lo, 4), mp.nstr(z_hi, 4), int(log(log_e * max(-z_lo, z_hi) ** 2, 2))))
out.append(series("kLogPoly", log_c_poly))
out.append("constexpr uint32_t kLogOffset = 0x%08Xu;\n" % offset)
out.append("// 1/c, each with at most 20 significant bits, and ln c\n")
out.append(table("kLogInvC", inv_c))
out.append(table("kLogC", [-v for v in [-x for x in log_c]]))
l2 = ldexp(floor(ldexp(log2, 44)), -44)
out.append("constexpr double kLn2Hi = %s;\nconstexpr double kLn2Lo = %s;\n" % (hexd(l2), hexd(log2 - l2)))

# atan: z = c + ..., c = j/16, z' = (z − c)/(1 + z·c), |z'| <= 1/32; atan z' = z' + z'·u·A(u), u = z'²
u_max = mpf(1) / 1024
atan_rest = lambda u: mpf(-1) / 3 if u == 0 else (atan(sqrt(u)) / sqrt(u) - 1) / u
atan_c, atan_e = fit(atan_rest, 0, u_max, 3)
out.append("// atan z = z + z·u·A(u), u = z² <= 1/1024; relative error below 2^%d\n" % int(log(atan_e * u_max, 2)))
out.append(series("kAtanPoly", atan_c))
out.append("// atan(j/16), j = 0..16\n")
out.append(table("kAtanTable", [atan(mpf(j) / 16) for j in range(17)]))

here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, "show_math_tables.h"), "w") as f:
    f.write("// Generated by math/make_tables.py: do not edit.\n#pragma once\n\n#include <cstdint>\n\n")
    f.write("namespace show_math_tables {\n\n")
    f.write("\n".join(out))
    f.write("\n}  // namespace show_math_tables\n")
