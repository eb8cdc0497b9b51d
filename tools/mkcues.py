#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the rise and set cues, data/sound2.wav (rising two-tone) and data/sound3.wav (falling)."""
import math
import os
import struct
import wave

RATE = 22050


def tone(freq, seconds, volume=0.5):
    n = int(RATE * seconds)
    fade = int(RATE * 0.01)
    out = []
    for i in range(n):
        env = min(1.0, i / fade, (n - i) / fade)
        out.append(volume * env * math.sin(2 * math.pi * freq * i / RATE))
    return out


def write(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(s * 32767)) for s in samples))


here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
write(os.path.join(here, "sound2.wav"), tone(660, 0.15) + tone(880, 0.15) + tone(1320, 0.25))
write(os.path.join(here, "sound3.wav"), tone(1320, 0.15) + tone(880, 0.15) + tone(660, 0.25))
