#!/usr/bin/env python3
"""Reads the twelve pieces back and prints what tells them apart: form, length, tempo,
lead instrument and register, the hook, and how much of each drum part another shares.

usage: report.py <music folder>

The measures match tests/tools/check_music_data.cpp:
  hook     the two-bar lead passage, from a bar line, heard most often: its onsets at a
           sixteenth's resolution and the steps between its pitches (so a lifted repeat
           counts), at least four notes.
  overlap  drum hits as (place in the bar, rounded to a twelfth of a beat; GM note) over
           the whole piece; shared = the multiset intersection over the smaller count.
"""
import collections
import os
import struct
import sys


def read_smf(path):
    data = open(path, 'rb').read()
    _, _, tracks, division = struct.unpack('>4sIHH', data[:12]) + ()
    tracks, division = struct.unpack('>HH', data[10:14])
    at = 14
    piece = {'division': division, 'tempo': [], 'markers': [], 'notes': [], 'programs': {},
             'beats': 4, 'end': 0}
    for _ in range(tracks):
        size = struct.unpack('>I', data[at + 4:at + 8])[0]
        body, at = data[at + 8:at + 8 + size], at + 8 + size
        i, tick, running, held = 0, 0, 0, {}
        while i < len(body):
            delta = 0
            while True:
                b = body[i]; i += 1
                delta = delta << 7 | (b & 0x7F)
                if not b & 0x80:
                    break
            tick += delta
            status = body[i]
            if status < 0x80:
                status = running
            else:
                i += 1
            if status == 0xFF:
                kind = body[i]; i += 1
                size = 0
                while True:
                    b = body[i]; i += 1
                    size = size << 7 | (b & 0x7F)
                    if not b & 0x80:
                        break
                payload = body[i:i + size]; i += size
                if kind == 0x51:
                    piece['tempo'].append((tick, int.from_bytes(payload, 'big')))
                elif kind == 0x58:
                    piece['beats'] = payload[0]
                elif kind == 0x06:
                    piece['markers'].append((tick, payload.decode()))
                elif kind == 0x2F:
                    piece['end'] = max(piece['end'], tick)
                continue
            running = status
            kind, ch = status >> 4, status & 15
            if kind in (0xC, 0xD):
                d1 = body[i]; i += 1
                if kind == 0xC:
                    piece['programs'][ch] = d1
                continue
            d1, d2 = body[i], body[i + 1]; i += 2
            if kind == 0x9 and d2 > 0:
                held.setdefault((ch, d1), []).append((tick, d2))
            elif kind in (0x8, 0x9) and held.get((ch, d1)):
                on, vel = held[(ch, d1)].pop(0)
                piece['notes'].append((ch, d1, on, tick, vel))
    piece['notes'].sort(key=lambda n: (n[2], n[0], n[1]))
    return piece


def seconds(piece, tick):
    tempo = sorted(piece['tempo']) or [(0, 500000)]
    s, at, per = 0.0, 0, 500000 / piece['division']
    for t, micros in tempo:
        if t >= tick:
            break
        s += (t - at) * per / 1e6
        at, per = t, micros / piece['division']
    return s + (tick - at) * per / 1e6


def bar_ticks(piece):
    return piece['beats'] * piece['division']


def form(piece):
    bar = bar_ticks(piece)
    marks = piece['markers'] + [(piece['end'], None)]
    parts = []
    for (t, name), (t2, _) in zip(marks, marks[1:]):
        bars = (t2 - t + bar - 1) // bar
        parts.append('%s %d' % (name.split(' ')[0], bars))
    return ', '.join(parts)


def hook(piece):
    """The most often heard two-bar lead passage and how many times it is heard."""
    bar, step = bar_ticks(piece), piece['division'] // 4
    per_bar = bar // step
    lead = [(round(n[2] / step), n[1]) for n in piece['notes'] if n[0] == 0]
    bars = collections.defaultdict(list)
    for at, pitch in lead:
        bars[at // per_bar].append((at, pitch))
    count = collections.Counter()
    for b in sorted(bars):
        window = bars[b] + bars.get(b + 1, [])
        if len(window) < 4:
            continue
        onsets = tuple(n[0] - b * per_bar for n in window)
        steps = tuple(window[k + 1][1] - window[k][1] for k in range(len(window) - 1))
        count[(onsets, steps)] += 1
    return max(count.values()) if count else 0


def bar_rhythms(piece):
    """How many different one-bar rhythms the lead plays."""
    bar, step = bar_ticks(piece), piece['division'] // 4
    per_bar = bar // step
    bars = collections.defaultdict(list)
    for n in piece['notes']:
        if n[0] == 0:
            at = round(n[2] / step)
            bars[at // per_bar].append(at % per_bar)
    return len(set(tuple(v) for v in bars.values()))


def drum_hits(piece):
    bar, grid = bar_ticks(piece), piece['division'] // 12
    hits = collections.Counter()
    for ch, pitch, on, _, _ in piece['notes']:
        if ch == 9:
            hits[((on % bar + grid // 2) // grid % (12 * piece['beats']), pitch)] += 1
    return hits


def shared(a, b):
    common = sum((a & b).values())
    return common / max(1, min(sum(a.values()), sum(b.values())))


def main():
    folder = sys.argv[1]
    pieces = [read_smf(os.path.join(folder, 'theme%d.mid' % i)) for i in range(1, 13)]
    total = 0
    print('piece  length  tempo  lead  register  hook  rhythms  tail  form')
    for i, p in enumerate(pieces, 1):
        lead = [n[1] for n in p['notes'] if n[0] == 0]
        last_off = max(n[3] for n in p['notes'])
        length = seconds(p, p['end'])
        total += length
        bpm = 60e6 / sorted(p['tempo'])[0][1]
        print('%5d  %6.1f  %5.0f  %4d  %3d-%3d  %4d  %7d  %4d  %s' % (
            i, length, bpm, p['programs'].get(0, -1), min(lead), max(lead), hook(p), bar_rhythms(p),
            p['end'] - last_off, form(p)))
    print('cycle %.1f s (%.1f min)' % (total, total / 60))
    hits = [drum_hits(p) for p in pieces]
    print('drum hits shared (percent of the smaller part)')
    print('    ' + ''.join('%4d' % j for j in range(1, 13)) + '  worst')
    for i in range(12):
        row = [shared(hits[i], hits[j]) for j in range(12)]
        worst = max((row[j], j + 1) for j in range(12) if j != i)
        print('%3d ' % (i + 1) + ''.join('   -' if i == j else '%4d' % round(100 * row[j])
                                         for j in range(12)) + '  %d (%d)' % (worst[1], round(100 * worst[0])))


if __name__ == '__main__':
    main()
