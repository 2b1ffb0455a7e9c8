#!/usr/bin/env python3
"""Synthesises the game's sounds and music and writes the sound index.

Everything is made from sine waves, plucked strings (Karplus-Strong) and
noise: a music-box title theme in F major, a bouncy meadow theme in C major,
a slow harp waltz in D minor for the pond, a brisk march in D major for the
hills at sunrise, and the effects (start chime, jumps, landing, dew-drop
chimes, steps, splash, the dew-bell, the fanfare of a level done, the rustle
of grabbing a vine).
Music is 16 kHz and effects 22.05 kHz, mono, 16-bit PCM. Music tracks are
exactly a whole number of bars long, and the tails of their last notes are
folded back onto their start, so a track that starts over sounds continuous.

    Data/Sounds/*.wav
    Data/Sounds/index.txt   group name / file / file ...
"""

import math
import os
import sys

sys.dont_write_bytecode = True  # regenerating leaves no __pycache__ in the tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from asset_files import Random, write_text, write_wav  # noqa: E402

MUSIC_RATE = 16000
EFFECT_RATE = 22050

NOTE_NAMES = {"C": 0, "C#": 1, "Db": 1, "D": 2, "D#": 3, "Eb": 3, "E": 4, "F": 5, "F#": 6, "Gb": 6,
              "G": 7, "G#": 8, "Ab": 8, "A": 9, "A#": 10, "Bb": 10, "B": 11}


def midi(name):
    """'A4' -> 69, 'Bb3' -> 58."""
    pitch, octave = name[:-1], int(name[-1])
    return 12 * (octave + 1) + NOTE_NAMES[pitch]


def freq(note):
    return 440.0 * 2 ** ((note - 69) / 12.0)


class Track:
    """A float buffer that notes are added into; wraps when asked to."""

    def __init__(self, seconds, rate, wrap=False):
        self.rate = rate
        self.samples = [0.0] * int(round(seconds * rate))
        self.wrap = wrap

    def add(self, start_seconds, values, gain=1.0):
        n = len(self.samples)
        i0 = int(round(start_seconds * self.rate))
        for k, v in enumerate(values):
            i = i0 + k
            if i >= n:
                if not self.wrap:
                    break
                i %= n
            self.samples[i] += v * gain

    def normalized(self, peak=0.85):
        top = max(1e-9, max(abs(s) for s in self.samples))
        return [s * peak / top for s in self.samples]


# --- Instruments (each returns a list of samples) ------------------------------

def envelope(i, rate, attack, decay, length, release=0.03):
    t = i / rate
    a = min(1.0, t / attack) if attack > 0 else 1.0
    d = math.exp(-t / decay) if decay > 0 else 1.0
    r = 1.0
    if length is not None and t > length:
        r = max(0.0, 1.0 - (t - length) / release)
    return a * d * r


def music_box(note, rate, seconds=1.6):
    f = freq(note)
    out = []
    for i in range(int(seconds * rate)):
        t = i / rate
        v = (math.sin(2 * math.pi * f * t) * math.exp(-t / 0.55) +
             0.32 * math.sin(2 * math.pi * f * 2.0 * t) * math.exp(-t / 0.22) +
             0.12 * math.sin(2 * math.pi * f * 3.01 * t) * math.exp(-t / 0.09))
        out.append(v * min(1.0, t / 0.003))
    return out


def soft_pad(notes, rate, seconds):
    """Sustained chord: slightly detuned sines with a slow swell."""
    out = [0.0] * int((seconds + 0.4) * rate)
    for note in notes:
        for detune in (-0.12, 0.12):
            f = freq(note + detune)
            for i in range(len(out)):
                t = i / rate
                out[i] += (math.sin(2 * math.pi * f * t) + 0.18 * math.sin(2 * math.pi * f * 3 * t)) * 0.5
    for i in range(len(out)):
        t = i / rate
        swell = min(1.0, t / 0.45) * (1.0 if t < seconds else max(0.0, 1.0 - (t - seconds) / 0.4))
        out[i] *= swell / max(1, len(notes))
    return out


def round_bass(note, rate, seconds):
    f = freq(note)
    out = []
    for i in range(int((seconds + 0.05) * rate)):
        t = i / rate
        v = math.sin(2 * math.pi * f * t) + 0.3 * math.sin(2 * math.pi * 2 * f * t) * math.exp(-t / 0.08)
        out.append(v * envelope(i, rate, 0.006, 0.45, seconds, 0.05))
    return out


def flute(note, rate, seconds):
    f = freq(note)
    out = []
    phase = 0.0
    for i in range(int((seconds + 0.08) * rate)):
        t = i / rate
        vibrato = 1.0 + 0.004 * math.sin(2 * math.pi * 5.2 * t) * min(1.0, max(0.0, (t - 0.12) / 0.2))
        phase += 2 * math.pi * f * vibrato / rate
        v = math.sin(phase) + 0.22 * math.sin(2 * phase) + 0.08 * math.sin(3 * phase)
        out.append(v * envelope(i, rate, 0.018, 2.5, seconds, 0.07))
    return out


def pluck(note, rate, seconds, rng, brightness=0.5):
    """Karplus-Strong string."""
    period = max(2, int(round(rate / freq(note))))
    ring = [rng.uniform(-1, 1) for _ in range(period)]
    out = []
    prev = 0.0
    for i in range(int(seconds * rate)):
        v = ring[i % period]
        nxt = ring[(i + 1) % period]
        ring[i % period] = (v * (0.5 + brightness * 0.5) + nxt * (0.5 - brightness * 0.5)) * 0.996
        prev = prev * 0.3 + v * 0.7
        out.append(prev)
    return out


def kick(rate):
    out = []
    phase = 0.0
    for i in range(int(0.2 * rate)):
        t = i / rate
        f = 48 + 110 * math.exp(-t / 0.03)
        phase += 2 * math.pi * f / rate
        out.append(math.sin(phase) * math.exp(-t / 0.07))
    return out


def noise_hit(rate, rng, seconds, decay, bright):
    out = []
    last = 0.0
    for i in range(int(seconds * rate)):
        n = rng.uniform(-1, 1)
        v = n - last * bright
        last = n
        out.append(v * math.exp(-(i / rate) / decay))
    return out


# --- Music ---------------------------------------------------------------------

def chord_notes(name, octave=4):
    """'F' -> F major triad, 'Am' -> A minor triad, from the given octave."""
    minor = name.endswith("m")
    root = midi(name.rstrip("m") + str(octave))
    return [root, root + (3 if minor else 4), root + 7]


def title_theme():
    bpm = 88
    beat = 60.0 / bpm
    chords = ["F", "Am", "Bb", "C", "F", "Dm", "Bb", "C"]
    melody = [
        [("A5", 1.5), ("G5", 0.5), ("F5", 1), ("C6", 1)],
        [("E6", 1.5), ("D6", 0.5), ("C6", 1), ("A5", 1)],
        [("D6", 1.5), ("C6", 0.5), ("Bb5", 1), ("F5", 1)],
        [("G5", 1), ("A5", 0.5), ("Bb5", 0.5), ("C6", 2)],
        [("A5", 1.5), ("G5", 0.5), ("F5", 1), ("C6", 1)],
        [("F6", 1.5), ("E6", 0.5), ("D6", 1), ("A5", 1)],
        [("Bb5", 1), ("D6", 1), ("C6", 1), ("Bb5", 0.5), ("A5", 0.5)],
        [("G5", 2), ("E5", 1), ("G5", 1)],
    ]
    track = Track(len(chords) * 4 * beat, MUSIC_RATE, wrap=True)
    arpeggio = [0, 1, 2, 3, 4, 3, 2, 1]
    for bar, name in enumerate(chords):
        start = bar * 4 * beat
        triad = chord_notes(name, 4)
        tones = triad + [n + 12 for n in triad]
        for step, index in enumerate(arpeggio):
            track.add(start + step * beat / 2, music_box(tones[index], MUSIC_RATE, 1.2), 0.16)
        track.add(start, soft_pad(chord_notes(name, 3), MUSIC_RATE, 4 * beat - 0.1), 0.22)
        root = chord_notes(name, 2)[0]
        track.add(start, round_bass(root, MUSIC_RATE, 2 * beat - 0.05), 0.34)
        track.add(start + 2 * beat, round_bass(root + 7, MUSIC_RATE, 2 * beat - 0.05), 0.28)
        t = start
        for note, length in melody[bar]:
            track.add(t, music_box(midi(note), MUSIC_RATE, 1.8), 0.42)
            t += length * beat
    return track.normalized(0.8)


def meadow_theme():
    bpm = 126
    beat = 60.0 / bpm
    rng = Random(77)
    chords = ["C", "G", "Am", "F", "C", "G", "F", "G"]
    melody = [
        [("E5", .5), ("G5", .5), ("E5", .5), ("C5", .5), ("D5", .5), ("E5", .5), ("G4", 1)],
        [("D5", .5), ("B4", .5), ("G4", .5), ("B4", .5), ("D5", 1), ("G5", 1)],
        [("C5", .5), ("E5", .5), ("A5", 1), ("G5", .5), ("E5", .5), ("C5", 1)],
        [("A4", .5), ("C5", .5), ("F5", 1), ("E5", .5), ("D5", .5), ("C5", 1)],
        [("E5", .5), ("G5", .5), ("C6", 1), ("B5", .5), ("G5", .5), ("E5", 1)],
        [("D5", .5), ("G5", .5), ("B5", 1), ("A5", .5), ("G5", .5), ("D5", 1)],
        [("C5", .5), ("F5", .5), ("A5", .5), ("G5", .5), ("F5", 1), ("E5", .5), ("D5", .5)],
        [("D5", 1), ("B4", .5), ("C5", .5), ("D5", 1.5), (None, .5)],
    ]
    track = Track(len(chords) * 4 * beat, MUSIC_RATE, wrap=True)
    kick_sound = kick(MUSIC_RATE)
    for bar, name in enumerate(chords):
        start = bar * 4 * beat
        root = chord_notes(name, 2)[0]
        for step in range(8):
            note = root + (12 if step % 2 else 0)
            track.add(start + step * beat / 2, round_bass(note, MUSIC_RATE, beat / 2 - 0.04), 0.26)
        triad = chord_notes(name, 4)
        for b in range(4):
            for k, n in enumerate(triad):
                track.add(start + (b + 0.5) * beat + k * 0.006, pluck(n, MUSIC_RATE, 0.35, rng, 0.3), 0.09)
        for b in (0, 2):
            track.add(start + b * beat, kick_sound, 0.34)
        for b in (1, 3):
            track.add(start + b * beat, noise_hit(MUSIC_RATE, rng, 0.16, 0.05, 0.4), 0.13)
        for step in range(8):
            track.add(start + step * beat / 2, noise_hit(MUSIC_RATE, rng, 0.05, 0.012, 0.95),
                      0.07 if step % 2 else 0.045)
        t = start
        for note, length in melody[bar]:
            if note:
                track.add(t, flute(midi(note), MUSIC_RATE, length * beat * 0.9), 0.27)
            t += length * beat
    return track.normalized(0.8)


def pond_theme():
    """A waltz (three beats a bar): harp arpeggios over a soft pad, a flute above."""
    bpm = 100
    beat = 60.0 / bpm
    rng = Random(88)
    chords = ["Dm", "Bb", "F", "C", "Dm", "Gm", "A", "A", "Dm", "Bb", "F", "C", "Gm", "A", "Dm", "Dm"]
    melody = [
        [("A5", 2), ("F5", 1)], [("D6", 2), ("C6", 1)], [("A5", 1.5), ("G5", .5), ("F5", 1)], [("E5", 2), ("G5", 1)],
        [("F5", 2), ("D5", 1)], [("G5", 1), ("Bb5", 1), ("D6", 1)], [("C#6", 2), ("E6", 1)], [("A5", 3)],
        [("A5", 2), ("F5", 1)], [("D6", 2), ("F6", 1)], [("E6", 1.5), ("D6", .5), ("C6", 1)], [("G5", 2), ("E5", 1)],
        [("Bb5", 1), ("A5", 1), ("G5", 1)], [("E5", 1), ("G5", 1), ("C#6", 1)], [("D6", 3)], [(None, 3)],
    ]
    track = Track(len(chords) * 3 * beat, MUSIC_RATE, wrap=True)
    for bar, name in enumerate(chords):
        start = bar * 3 * beat
        minor = name.endswith("m")
        root = midi(name.rstrip("m") + "3")
        tones = [root, root + (3 if minor else 4), root + 7, root + 12, root + (15 if minor else 16)]
        for step, index in enumerate([0, 2, 3, 4, 3, 2]):
            track.add(start + step * beat / 2, pluck(tones[index] + 12, MUSIC_RATE, 0.9, rng, 0.6), 0.13)
        track.add(start, soft_pad(chord_notes(name, 3), MUSIC_RATE, 3 * beat - 0.1), 0.2)
        track.add(start, round_bass(root - 12, MUSIC_RATE, 2 * beat), 0.3)
        t = start
        for note, length in melody[bar]:
            if note:
                track.add(t, flute(midi(note), MUSIC_RATE, length * beat * 0.92), 0.24)
            t += length * beat
    return track.normalized(0.8)


def hills_theme():
    """A march for the climb: music box and flute over a bass that strides, drums."""
    bpm = 138
    beat = 60.0 / bpm
    rng = Random(99)
    chords = ["D", "A", "Bm", "G", "D", "G", "A", "A", "G", "D", "Em", "A", "D", "G", "A", "D"]
    melody = [
        [("F#5", .5), ("A5", .5), ("D6", 1), ("C#6", .5), ("B5", .5), ("A5", 1)],
        [("E5", .5), ("A5", .5), ("C#6", 1), ("B5", .5), ("A5", .5), ("E5", 1)],
        [("F#5", 1), ("B5", 1), ("D6", 1), ("B5", 1)],
        [("G5", .5), ("B5", .5), ("D6", 1), ("E6", 1), ("D6", 1)],
        [("F#6", 1.5), ("E6", .5), ("D6", 1), ("A5", 1)],
        [("B5", 1), ("D6", .5), ("B5", .5), ("G5", 1), ("B5", 1)],
        [("A5", .5), ("B5", .5), ("C#6", .5), ("D6", .5), ("E6", 1), ("C#6", 1)],
        [("A5", 2), (None, 1), ("A5", .5), ("C#6", .5)],
        [("D6", 1), ("B5", 1), ("G5", 1), ("B5", 1)],
        [("A5", 1), ("F#5", 1), ("D5", 1), ("F#5", 1)],
        [("G5", .5), ("F#5", .5), ("E5", 1), ("B5", 1), ("G5", 1)],
        [("A5", 1), ("C#6", 1), ("E6", 1), ("A6", 1)],
        [("F#6", 1), ("D6", 1), ("A5", 1), ("D6", 1)],
        [("B5", 1), ("G5", .5), ("B5", .5), ("D6", 1), ("G6", 1)],
        [("E6", 1), ("C#6", 1), ("A5", .5), ("B5", .5), ("C#6", 1)],
        [("D6", 2), ("A5", 1), ("D5", 1)],
    ]
    track = Track(len(chords) * 4 * beat, MUSIC_RATE, wrap=True)
    kick_sound = kick(MUSIC_RATE)
    for bar, name in enumerate(chords):
        start = bar * 4 * beat
        root = chord_notes(name, 2)[0]
        for b, offset in enumerate((0, 7, 12, 7)):
            track.add(start + b * beat, round_bass(root + offset, MUSIC_RATE, beat - 0.06), 0.28)
        triad = chord_notes(name, 4)
        for step in range(8):
            track.add(start + step * beat / 2, music_box(triad[step % 3] + (12 if step >= 4 else 0), MUSIC_RATE, 0.6),
                      0.1)
        for b in (0, 2):
            track.add(start + b * beat, kick_sound, 0.32)
        for b in (1, 3):
            track.add(start + b * beat, noise_hit(MUSIC_RATE, rng, 0.18, 0.06, 0.3), 0.15)
            track.add(start + (b + 0.75) * beat, noise_hit(MUSIC_RATE, rng, 0.08, 0.02, 0.5), 0.06)
        t = start
        for note, length in melody[bar]:
            if note:
                track.add(t, flute(midi(note), MUSIC_RATE, length * beat * 0.85), 0.26)
            t += length * beat
    return track.normalized(0.8)


# --- Effects -------------------------------------------------------------------

def effect(seconds):
    return Track(seconds, EFFECT_RATE)


def sweep(f0, f1, seconds, rate, shape="square", decay=0.1):
    out = []
    phase = 0.0
    for i in range(int(seconds * rate)):
        t = i / rate
        f = f0 * (f1 / f0) ** (t / seconds)
        phase += f / rate
        if shape == "square":
            v = 0.6 * math.sin(2 * math.pi * phase) + 0.2 * math.sin(6 * math.pi * phase)
        else:
            v = math.sin(2 * math.pi * phase)
        out.append(v * min(1.0, t / 0.004) * math.exp(-t / decay))
    return out


def bell(note, rate, seconds=0.8):
    f = freq(note)
    out = []
    for i in range(int(seconds * rate)):
        t = i / rate
        v = (math.sin(2 * math.pi * f * t) * math.exp(-t / 0.35) +
             0.5 * math.sin(2 * math.pi * f * 2.76 * t) * math.exp(-t / 0.12) +
             0.25 * math.sin(2 * math.pi * f * 5.4 * t) * math.exp(-t / 0.05))
        out.append(v * min(1.0, t / 0.002))
    return out


def make_effects():
    rng = Random(99)
    sounds = {}

    start = effect(1.2)
    for k, note in enumerate(["C5", "E5", "G5", "C6", "E6"]):
        start.add(k * 0.07, bell(midi(note), EFFECT_RATE, 1.0), 0.5)
    sounds["start.wav"] = start.normalized(0.7)

    for k, (f0, f1) in enumerate(((320, 760), (300, 700))):
        jump = effect(0.2)
        jump.add(0, sweep(f0, f1, 0.18, EFFECT_RATE, "square", 0.12))
        sounds["jump%d.wav" % (k + 1)] = jump.normalized(0.5)

    land = effect(0.2)
    land.add(0, sweep(140, 55, 0.16, EFFECT_RATE, "sine", 0.05))
    land.add(0, noise_hit(EFFECT_RATE, rng, 0.08, 0.02, 0.2), 0.4)
    sounds["land.wav"] = land.normalized(0.55)

    for k, (a, b) in enumerate((("E6", "B6"), ("G6", "D7"))):
        chime = effect(0.7)
        chime.add(0, bell(midi(a), EFFECT_RATE, 0.6), 0.6)
        chime.add(0.07, bell(midi(b), EFFECT_RATE, 0.6), 0.5)
        sounds["collect%d.wav" % (k + 1)] = chime.normalized(0.6)

    for k in range(2):
        step = effect(0.06)
        step.add(0, noise_hit(EFFECT_RATE, rng, 0.05, 0.008, 0.7 + 0.2 * k))
        sounds["step%d.wav" % (k + 1)] = step.normalized(0.3)

    splash = effect(0.6)
    splash.add(0, noise_hit(EFFECT_RATE, rng, 0.55, 0.14, -0.6), 0.8)
    for k in range(5):
        splash.add(0.05 + k * 0.04, sweep(900 + 300 * k, 1800 + 200 * k, 0.05, EFFECT_RATE, "sine", 0.02), 0.2)
    sounds["splash.wav"] = splash.normalized(0.5)

    # The dew-bell: a slow peal up the major chord, rung at the meadow's end.
    peal = effect(2.4)
    for k, note in enumerate(["G5", "C6", "E6", "G6", "C7"]):
        peal.add(k * 0.16, bell(midi(note), EFFECT_RATE, 1.6), 0.55)
    sounds["dewbell.wav"] = peal.normalized(0.7)

    # A level done: a quick run up the chord, then the chord rung together.
    fanfare = effect(2.0)
    for k, note in enumerate(["C5", "E5", "G5", "C6"]):
        fanfare.add(k * 0.09, bell(midi(note), EFFECT_RATE, 0.5), 0.45)
    for note in ["C6", "E6", "G6"]:
        fanfare.add(0.42, bell(midi(note), EFFECT_RATE, 1.5), 0.4)
    sounds["fanfare.wav"] = fanfare.normalized(0.7)

    # Grabbing a vine: a leafy rustle with a soft creak under it.
    grab = effect(0.3)
    grab.add(0, noise_hit(EFFECT_RATE, rng, 0.25, 0.06, -0.3), 0.5)
    grab.add(0.02, sweep(220, 160, 0.2, EFFECT_RATE, "sine", 0.08), 0.4)
    sounds["grab.wav"] = grab.normalized(0.45)
    return sounds


INDEX = """# Dewdrop Dell: sound groups, one a line: name/file/file...
# (files are under Data/Sounds/; playing a group picks one of its files)
music_title/music_title.wav
music_meadow/music_meadow.wav
start/start.wav
jump/jump1.wav/jump2.wav
land/land.wav
collect/collect1.wav/collect2.wav
step/step1.wav/step2.wav
splash/splash.wav
dewbell/dewbell.wav
music_pond/music_pond.wav
music_hills/music_hills.wav
fanfare/fanfare.wav
grab/grab.wav
"""


def generate(data_dir):
    folder = os.path.join(data_dir, "Sounds")
    write_wav(os.path.join(folder, "music_title.wav"), title_theme(), MUSIC_RATE)
    write_wav(os.path.join(folder, "music_meadow.wav"), meadow_theme(), MUSIC_RATE)
    write_wav(os.path.join(folder, "music_pond.wav"), pond_theme(), MUSIC_RATE)
    write_wav(os.path.join(folder, "music_hills.wav"), hills_theme(), MUSIC_RATE)
    for name, samples in make_effects().items():
        write_wav(os.path.join(folder, name), samples, EFFECT_RATE)
    write_text(os.path.join(folder, "index.txt"), INDEX)


if __name__ == "__main__":
    generate(sys.argv[1] if len(sys.argv) > 1 else "Data")
