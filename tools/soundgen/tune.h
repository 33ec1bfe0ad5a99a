// Tunes: note patterns written in a small text format of our own, read into
// the arrangement that the tune renderer plays.
//
// A tune file holds, one statement per line (a '#' at the start of a line or
// after a space starts a comment):
//
//   tempo BPM                    beats per minute (once)
//   key TONIC major|minor        the one key every note must belong to (once)
//   meter BEATS                  beats per bar (default 4)
//   room SIZE DAMPING            the shared reverb, 0..1 each
//   echo BEATS FEEDBACK          the shared ping-pong echo
//   level DBFS                   peak level of the finished loop (default -6)
//   instrument NAME key=value... a synth voice (keys in tune.cpp)
//   kit NAME key=value...        a drum kit
//   chord NAME NOTE+NOTE...      a name for a chord used in patterns
//   pattern NAME PART STEPS      a pattern for PART with STEPS steps per bar,
//     ...                        its lines up to "end"
//   end
//   section NAME BARS CHAIN...   CHAIN is a pattern or a comma-separated run
//                                of patterns, repeated to fill BARS bars
//   sequence SECTION...          the order of the loop (once)
//
// An instrument pattern is a run of step tokens: a note ("E2", "F#4",
// "Bb3"), a chord ("E3+G3+B3" or a chord name), "-" to hold the note before,
// "." for a rest; "!" after a note accents it, "?" softens it. "|" marks a
// bar line and must fall on one. A kit pattern has one line per drum,
// "LANE STEPS", each step one of "X" (accent), "x" (hit), "o" (ghost) or ".";
// spaces and "|" are ignored. Lanes: kick snare clap rim hat openhat shaker
// tomlow tomhigh crash.
//
// In a minor key the raised sixth and seventh are in the key too (melodic and
// harmonic minor), so a dominant chord can be major.
#pragma once

#include <string>
#include <vector>

#include "tools/soundgen/envelope.h"

namespace SoundGen {

enum class Wave { Sine, Triangle, Saw, Square, Pulse, Fm };

struct InstrumentSpec {
    std::string name;
    Wave wave = Wave::Saw;
    double width = 0.5;         // pulse width
    double detune = 0;          // cents between two detuned oscillators
    double sub = 0;             // level of a sine an octave below
    double noise = 0;           // level of white noise (breath, scrape)
    double cutoff = 0;          // low-pass cutoff in Hz; 0 leaves the filter out
    double resonance = 0.7071;  // filter Q
    double envmod = 0;          // octaves the filter opens at the note's start
    double fdecay = 0;          // time constant of that opening; 0 = the amp's decay
    Adsr amp;
    double gain = 0.5;
    double pan = 0;     // -1 left .. +1 right
    double reverb = 0;  // send to the shared room
    double echo = 0;    // send to the shared echo
    double vibrato = 0;      // depth in cents, reached 0.25 s into a note
    double vibratoRate = 5;  // Hz
    double ratio = 2;        // FM: modulator frequency / carrier frequency
    double index = 0;        // FM: modulation index at the note's start
    double fmdecay = 0.5;    // FM: time constant of the index
};

enum class DrumLane { Kick, Snare, Clap, Rim, Hat, OpenHat, Shaker, TomLow, TomHigh, Crash, Count };
const char* DrumLaneName(DrumLane lane);

struct KitSpec {
    std::string name;
    double gain = 0.8;
    double pan = 0;
    double reverb = 0;
    double echo = 0;
    double pitch = 1;  // tuning factor of every drum
};

// One note or chord: `beat` from the pattern's start, `beats` held.
struct NoteEvent {
    double beat = 0;
    double beats = 0;
    std::vector<int> notes;  // MIDI note numbers (69 = A4 = 440 Hz)
    double velocity = 0.8;
};

struct DrumHit {
    double beat = 0;
    DrumLane lane = DrumLane::Kick;
    double velocity = 0.8;
};

struct Pattern {
    std::string name;
    bool drums = false;
    int part = 0;  // index into instruments, or into kits for drums
    int bars = 0;
    std::vector<NoteEvent> notes;
    std::vector<DrumHit> hits;
};

struct Section {
    std::string name;
    int bars = 0;
    std::vector<std::vector<int>> chains;  // pattern indices, each run played in turn
};

struct Tune {
    std::string name;
    double tempo = 0;
    int tonic = -1;  // pitch class 0 (C) .. 11
    bool minor = false;
    int meter = 4;
    double roomSize = 0.5, roomDamping = 0.5;
    double echoBeats = 0.75, echoFeedback = 0.3;
    double levelDb = -6;
    std::vector<InstrumentSpec> instruments;
    std::vector<KitSpec> kits;
    std::vector<Pattern> patterns;
    std::vector<Section> sections;
    std::vector<int> sequence;  // section indices

    int TotalBars() const;
    double TotalBeats() const { return double(TotalBars()) * meter; }
    // Frames of one beat (not whole in general) and of the whole loop.
    double BeatFrames() const;
    long long LoopFrames() const;
};

// Reads a tune. `name` is used in messages ("NAME:LINE: what is wrong") and
// becomes the tune's name. False, with `error` set, on anything it does not
// understand: unknown statements, keys, parts or patterns; a note outside the
// key; a bar line off the bar; a pattern that does not fill whole bars; a
// section whose chain does not divide it; a missing tempo, key or sequence.
bool ParseTune(const std::string& text, const std::string& name, Tune& tune, std::string& error);

// The frequency of a MIDI note number in equal temperament, A4 = 440 Hz.
double NoteFrequency(int note);

}  // namespace SoundGen
