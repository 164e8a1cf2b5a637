#!/usr/bin/env python3
"""Writes codec/g7231/Tables.cpp: the constant tables of the speech coder.

Formula tables are computed here once in double precision; the measured tables (LSP
codebooks, gain tables, lag window...) are read from the plain-number files in the
directory given as the first argument.  Run once by hand; the output is committed.

    python3 tools/g7231/gen_tables.py TABLE_DIR > codec/g7231/Tables.cpp
"""
import math
import os
import sys


def q15_round(x):
    """Nearest integer, halves away from zero."""
    return int(math.floor(abs(x) + 0.5)) * (1 if x >= 0 else -1)


def read_rows(folder, name):
    rows = []
    with open(os.path.join(folder, name)) as f:
        for line in f:
            line = line.strip()
            if line:
                rows.append([int(v) for v in line.split(',') if v.strip()])
    return rows


def fmt(values, per_line=10, indent='    '):
    out = []
    for i in range(0, len(values), per_line):
        out.append(indent + ', '.join(str(v) for v in values[i:i + per_line]) + ',')
    return '\n'.join(out)


def array(ctype, name, values, comment, per_line=10):
    return '// %s\nconst %s %s[%d] = {\n%s\n};\n' % (comment, ctype, name, len(values),
                                                   fmt(values, per_line))


def array2(ctype, name, rows, comment):
    body = '\n'.join('    {' + ', '.join(str(v) for v in r) + '},' for r in rows)
    return '// %s\nconst %s %s[%d][%d] = {\n%s\n};\n' % (comment, ctype, name, len(rows),
                                                       len(rows[0]), body)


def flat(ctype, name, rows, comment):
    width = len(rows[0])
    body = '\n'.join('    ' + ', '.join(str(v) for v in r) + ',' for r in rows)
    return '// %s (%d rows of %d)\nconst %s %s[%d] = {\n%s\n};\n' % (
        comment, len(rows), width, ctype, name, len(rows) * width, body)


def main():
    folder = sys.argv[1]
    parts = []

    hamming = [q15_round(32768.0 * (0.54 - 0.46 * math.cos(2 * math.pi * n / 179)))
               for n in range(180)]
    parts.append(array('Word16', 'HammingWindowTable', hamming,
                       'Analysis window: 32768 * (0.54 - 0.46 cos(2 pi n / 179))'))
    parts.append(array('Word16', 'BinomialWindowTable', read_rows(folder, 'BinomialWindowTable.txt')[0],
                       'Lag window applied to autocorrelations 1..10'))
    parts.append(array('Word16', 'PerFiltZeroTable', [q15_round(32768 * 0.9 ** (i + 1)) for i in range(10)],
                       'Perceptual weighting numerator: 0.9^(i+1) in Q15'))
    parts.append(array('Word16', 'PerFiltPoleTable', [q15_round(32768 * 0.5 ** (i + 1)) for i in range(10)],
                       'Perceptual weighting denominator: 0.5^(i+1) in Q15'))
    parts.append(array('Word16', 'PostFiltZeroTable', [q15_round(32768 * 0.65 ** (i + 1)) for i in range(10)],
                       'Formant postfilter numerator: 0.65^(i+1) in Q15'))
    parts.append(array('Word16', 'PostFiltPoleTable', [q15_round(32768 * 0.75 ** (i + 1)) for i in range(10)],
                       'Formant postfilter denominator: 0.75^(i+1) in Q15 (3280.5 rounds up)'))
    parts.append(array('Word16', 'BandExpTable', [q15_round(32768 * 0.994 ** (i + 1)) for i in range(10)],
                       'Bandwidth expansion before the LSP search: 0.994^(i+1) in Q15'))
    parts.append(array('Word16', 'ShiftTable', [1 << n for n in range(15)] + [0x7FFF],
                       'Powers of two for block normalisation; the last entry saturates', 8))
    cosine = [q15_round(16384 * math.cos(2 * math.pi * i / 512)) for i in range(512)]
    parts.append(array('Word16', 'CosineTable', cosine, '16384 * cos(2 pi i / 512)', 8))
    parts.append(array('Word16', 'LspDcTable', read_rows(folder, 'LspDcTable.txt')[0],
                       'Mean LSP vector'))
    parts.append(flat('Word16', 'Band0Tb8', read_rows(folder, 'Band0Tb8.txt'), 'LSP split codebook, coefficients 0-2'))
    parts.append(flat('Word16', 'Band1Tb8', read_rows(folder, 'Band1Tb8.txt'), 'LSP split codebook, coefficients 3-5'))
    parts.append(flat('Word16', 'Band2Tb8', read_rows(folder, 'Band2Tb8.txt'), 'LSP split codebook, coefficients 6-9'))

    acbk85 = read_rows(folder, 'AcbkGainTable085.txt')
    acbk170 = read_rows(folder, 'AcbkGainTable170.txt')
    parts.append(flat('Word16', 'AcbkGainTable085', acbk85, 'Five-tap pitch gains and their score weights'))
    parts.append(flat('Word16', 'AcbkGainTable170', acbk170, 'Five-tap pitch gains and their score weights'))

    def stand_in(rows):
        return [max(1024, sum(abs(v) for v in r[:5]) // 2) for r in rows]

    parts.append(array('Word16', 'tabgain85', stand_in(acbk85),
                       'STAND-IN taming gains (the measured table is not available): per row of\n'
                       '// AcbkGainTable085, half the sum of the |tap gains| (Q14 -> Q13), at least 1024'))
    parts.append(array('Word16', 'tabgain170', stand_in(acbk170),
                       'STAND-IN taming gains (the measured table is not available): per row of\n'
                       '// AcbkGainTable170, half the sum of the |tap gains| (Q14 -> Q13), at least 1024'))

    parts.append(array('Word16', 'FcbkGainTable', read_rows(folder, 'FcbkGainTable.txt')[0],
                       'Fixed-codebook gain levels', 12))
    parts.append(array('Word16', 'epsi170', read_rows(folder, 'epsi170.txt')[0],
                       'Pitch sharpening lag correction per 170-row gain index (60: off)', 17))
    parts.append(array('Word16', 'gain170', read_rows(folder, 'gain170.txt')[0],
                       'Pitch sharpening gain per 170-row gain index', 17))

    comb = [[math.comb(29 - i, 5 - j) for i in range(30)] for j in range(6)]
    parts.append(array2('Word32', 'CombinatorialTable', comb, 'C(29 - i, 5 - j): pulse position coding'))
    parts.append(array('Word32', 'MaxPosTable', [math.comb(30, 6), math.comb(30, 5)] * 2,
                       'Number of position codes per subframe: C(30, 6), C(30, 5)'))

    print('// Generated once by tools/g7231/gen_tables.py; do not edit by hand.')
    print('#include "codec/g7231/Tables.h"\n')
    print('namespace g7231 {\n')
    print('\n'.join(parts))
    print('}  // namespace g7231')


if __name__ == '__main__':
    main()
