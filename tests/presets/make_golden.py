#!/usr/bin/env python3
"""Writes fixtures/golden.qth, the hand-checked preset file of the preset tests, from the byte layout alone
(independent of the C++ writer): the factory keys 1 to 6, a white-noise key 7 with a non-ASCII name
and a driver name, and a looping sweep in key 32. The tests compare the C++ writer and reader
against its output."""
import os
import struct

# Factory gains: 10^(dB/20) rounded to single precision, as doubles.
G3, G6, G10, G15 = 0.7079457640647888, 0.5011872053146362, 0.3162277638912201, 0.17782793939113617


def slot(freq=0.0, stop=0.0, gain=0.0, param=0.0, flag=0):
    return struct.pack('<ddddi', freq, stop, gain, param, flag)


def output(slots=(), count=0, kind=0):
    body = b''.join(slots) + slot() * (10 - len(slots))
    return body + struct.pack('<BB', count, kind)


def string(text):
    data = text.encode('utf-8')
    return struct.pack('<i', len(data)) + data


def key(master=0.0, driver='', rate=0, outputs=(), count=0, name='', tag=0):
    outs = b''.join(outputs) + output() * (32 - len(outputs))
    return (struct.pack('<d', master) + string(driver) + struct.pack('<i', rate) + outs
            + struct.pack('<B', count) + string(name) + struct.pack('<i', tag))


smpte = output([slot(60, gain=G3), slot(7000, gain=G15)], 2, 1)
dfd = output([slot(12460, gain=G10), slot(12540, gain=G10)], 2, 1)
square = output([slot(1000, gain=G3, param=0.5)], 1, 2)
keys = [
    key(0.5, outputs=[output([slot(1000, gain=G3)], 1, 1), output([slot(2000, gain=G6)])], count=2, name='1k & 2k'),
    key(0.5, outputs=[smpte, smpte], count=2, name='SMPTE'),
    key(0.5, outputs=[dfd, dfd], count=2, name='DFD'),
    key(0.5, outputs=[square, square], count=2, name='1k Mid'),
    key(0.5, outputs=[output([slot(20, 20000, G3, 5)], 1, 3)], count=2, name='20-20k high'),
    key(0.5, outputs=[output([slot(50, gain=G3)], 1, 1), output([slot(50, gain=G3)])], count=2, name='50Hz Cal'),
    key(0.25, 'JACK Audio', 48000, [output([slot(gain=0.125)], 1, 5)], 0, 'Rauschen \u00fc\u2013\u20ac', -2),
]
keys += [key() for _ in range(24)]
keys.append(key(1.0, 'ALSA default', 96000, [output([slot(10, 24000, 0.5, 12.5)], 1, 3)], 0, 'Sweep loop', 1))

with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'fixtures', 'golden.qth'), 'wb') as f:
    f.write(b'PV1\x01' + b''.join(keys))
