#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Derives YUMA and SEM almanacs from the GPS broadcast ephemerides of a RINEX 2
navigation file: see README.md beside this script for the derivation."""
import math
import sys

GM = 3.986005e14
WEEK = 604800.0


def fields(text, start, n):
    out = []
    for i in range(n):
        f = text[start + 19 * i:start + 19 * (i + 1)].strip().replace('D', 'E').replace('d', 'e')
        out.append(float(f) if f else 0.0)
    return out


def read_nav(path):
    lines = open(path).read().splitlines()
    i = next(k for k, l in enumerate(lines) if 'END OF HEADER' in l) + 1
    ephs = []
    while i + 8 <= len(lines):
        rec = lines[i:i + 8]
        i += 8
        prn = int(rec[0][0:2])
        yy, mo, dd, hh, mi = (int(x) for x in rec[0][2:17].split())
        ss = float(rec[0][17:22])
        af0, af1, af2 = fields(rec[0], 22, 3)
        # The spare fields after the fit interval hold junk in some files.
        o = [fields(l, 3, 4) for l in rec[1:7]] + [fields(rec[7], 3, 2)]
        e = dict(prn=prn, af0=af0, af1=af1, iode=o[0][0], crs=o[0][1], dn=o[0][2], m0=o[0][3],
                 e=o[1][1], sqrta=o[1][3], toe=o[2][0], omega0=o[2][2], i0=o[3][0], omega=o[3][2],
                 omegadot=o[3][3], idot=o[4][0], week=int(o[4][2]), health=int(o[5][1]),
                 toc=((yy, mo, dd, hh, mi, ss)))
        ephs.append(e)
    return ephs


def almanac(ephs, week, toa):
    out = []
    for prn in sorted({e['prn'] for e in ephs}):
        cands = [e for e in ephs if e['prn'] == prn and e['health'] == 0]
        if not cands:
            continue
        e = min(cands, key=lambda e: abs((e['week'] - week) * WEEK + e['toe'] - toa))
        dt = (week - e['week']) * WEEK + toa - e['toe']
        n0 = math.sqrt(GM / e['sqrta'] ** 6)
        n = n0 + e['dn']
        # The almanac's mean motion is sqrt(GM / A^3): the axis that gives the
        # broadcast corrected mean motion.
        a = (GM / (n * n)) ** (1.0 / 3.0)
        out.append(dict(prn=prn, health=e['health'], e=e['e'], toa=toa,
                        i=e['i0'] + e['idot'] * dt, omegadot=e['omegadot'],
                        sqrta=math.sqrt(a), omega0=e['omega0'] + e['omegadot'] * dt,
                        omega=e['omega'], m0=math.remainder(e['m0'] + n * dt, 2 * math.pi),
                        af0=e['af0'] + e['af1'] * dt, af1=e['af1'], week=week % 1024))
    return out


def yuma(alm):
    s = []
    for a in alm:
        s.append('******** Week %4d almanac for PRN-%02d ********' % (a['week'], a['prn']))
        s.append('ID:                         %02d' % a['prn'])
        s.append('Health:                     %03d' % a['health'])
        s.append('Eccentricity:               %.10E' % a['e'])
        s.append('Time of Applicability(s):  %.4f' % a['toa'])
        s.append('Orbital Inclination(rad):   %.10f' % a['i'])
        s.append('Rate of Right Ascen(r/s):  %.10E' % a['omegadot'])
        s.append('SQRT(A)  (m 1/2):           %.6f' % a['sqrta'])
        s.append('Right Ascen at Week(rad):  %.10E' % math.remainder(a['omega0'], 2 * math.pi))
        s.append('Argument of Perigee(rad):   %.9f' % math.remainder(a['omega'], 2 * math.pi))
        s.append('Mean Anom(rad):            %.10E' % a['m0'])
        s.append('Af0(s):                     %.10E' % a['af0'])
        s.append('Af1(s/s):                   %.10E' % a['af1'])
        s.append('week:                        %d' % a['week'])
        s.append('')
    return '\n'.join(s) + '\n'


def sem(alm, week, toa):
    s = ['%d CURRENT.ALM' % len(alm), '%d %d' % (week % 1024, toa), '']
    pi = math.pi
    for a in alm:
        s.append('%d' % a['prn'])
        s.append('0')  # SVN: not in the navigation message
        s.append('0')
        s.append(' %.12E %.12E %.12E' % (a['e'], a['i'] / pi - 0.3, a['omegadot'] / pi))
        s.append(' %.12E %.12E %.12E' % (a['sqrta'], math.remainder(a['omega0'], 2 * pi) / pi,
                                         math.remainder(a['omega'], 2 * pi) / pi))
        s.append(' %.12E %.12E %.12E' % (a['m0'] / pi, a['af0'], a['af1']))
        s.append('%d' % a['health'])
        s.append('0')
        s.append('')
    return '\n'.join(s) + '\n'


if __name__ == '__main__':
    nav, week, toa, out = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
    alm = almanac(read_nav(nav), week, toa)
    open(out + '.alm', 'w').write(yuma(alm))
    open(out + '.al3', 'w').write(sem(alm, week, toa))
