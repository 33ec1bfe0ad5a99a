#include "tools/soundgen/tune.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "tools/soundgen/signal.h"

namespace SoundGen {

namespace {

const char* const kLaneNames[] = {"kick", "snare", "clap", "rim", "hat", "openhat", "shaker", "tomlow", "tomhigh", "crash"};

// NOTE: limits that keep a typing slip from asking for hours of audio or a
// pattern step finer than a 64th note.
const int kMaxBars = 256;
const int kMaxStepsPerBar = 64;

struct Failure {
    std::string message;
};

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word) words.push_back(word);
    return words;
}

double Number(const std::string& text, const std::string& what)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value)) throw Failure{what + " is not a number: '" + text + "'"};
    return value;
}

double NumberIn(const std::string& text, const std::string& what, double low, double high)
{
    const double value = Number(text, what);
    if (value < low || value > high) {
        std::ostringstream message;
        message << what << " " << text << " is outside " << low << " .. " << high;
        throw Failure{message.str()};
    }
    return value;
}

int WholeIn(const std::string& text, const std::string& what, int low, int high)
{
    const double value = NumberIn(text, what, low, high);
    if (value != std::floor(value)) throw Failure{what + " must be a whole number: '" + text + "'"};
    return static_cast<int>(value);
}

// "C", "F#", "Bb": the pitch class, or -1.
int PitchClass(const std::string& text, size_t& used)
{
    static const int base[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (text.empty() || text[0] < 'A' || text[0] > 'G') return -1;
    int pc = base[text[0] - 'A'];
    used = 1;
    if (text.size() > 1 && text[1] == '#') {
        ++pc;
        used = 2;
    } else if (text.size() > 1 && text[1] == 'b') {
        --pc;
        used = 2;
    }
    return (pc + 12) % 12;
}

// "E2", "F#4", "Bb3" as a MIDI note number; -1 when the text is not a note.
int ParseNote(const std::string& text)
{
    size_t used = 0;
    const int pc = PitchClass(text, used);
    if (pc < 0 || used + 1 != text.size() || text[used] < '0' || text[used] > '8') return -1;
    // The letter decides the octave, so Cb4 is B3 and B#3 is C4.
    size_t letterOnly = 0;
    const int natural = PitchClass(text.substr(0, 1), letterOnly);
    const int shift = pc - natural;
    const int wrapped = shift > 6 ? shift - 12 : (shift < -6 ? shift + 12 : shift);
    return 12 * (text[used] - '0' + 1) + natural + wrapped;
}

class Parser {
public:
    Parser(Tune& tune) : m_tune(tune) {}

    void Line(const std::vector<std::string>& words);
    void Finish();

private:
    void Statement(const std::vector<std::string>& words);
    void Instrument(const std::vector<std::string>& words);
    void Kit(const std::vector<std::string>& words);
    void Chord(const std::vector<std::string>& words);
    void StartPattern(const std::vector<std::string>& words);
    void PatternLine(const std::vector<std::string>& words);
    void EndPattern();
    void SectionLine(const std::vector<std::string>& words);
    void Sequence(const std::vector<std::string>& words);

    void CheckInKey(int note, const std::string& token) const;
    void NewName(const std::string& name, const std::string& what);
    std::vector<int> Notes(const std::string& token) const;

    Tune& m_tune;
    std::map<std::string, std::string> m_names;  // name -> what it names ("a kit")
    std::map<std::string, std::vector<int>> m_chords;
    std::map<std::string, int> m_instrumentIndex, m_kitIndex, m_patternIndex, m_sectionIndex;
    bool m_haveMeter = false, m_haveSequence = false;

    // The pattern being read.
    bool m_inPattern = false;
    Pattern m_pattern;
    int m_stepsPerBar = 0;
    int m_step = 0;
    NoteEvent* m_open = nullptr;  // the note that "-" extends
    bool m_openIsRest = false;
    std::vector<int> m_laneSteps;
};

void Parser::NewName(const std::string& name, const std::string& what)
{
    auto [it, added] = m_names.emplace(name, what);
    if (!added) throw Failure{"'" + name + "' already names " + it->second};
}

void Parser::CheckInKey(int note, const std::string& token) const
{
    if (m_tune.tonic < 0) throw Failure{"'" + token + "' comes before the key"};
    const int degree = ((note % 12) - m_tune.tonic + 12) % 12;
    static const bool major[12] = {1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 1};
    // Natural minor plus the raised sixth and seventh.
    static const bool minor[12] = {1, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1};
    if (!(m_tune.minor ? minor : major)[degree]) throw Failure{"'" + token + "' is outside the key"};
}

std::vector<int> Parser::Notes(const std::string& token) const
{
    auto chord = m_chords.find(token);
    if (chord != m_chords.end()) return chord->second;
    std::vector<int> notes;
    size_t start = 0;
    while (start <= token.size()) {
        const size_t plus = token.find('+', start);
        const std::string part = token.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        const int note = ParseNote(part);
        if (note < 0) throw Failure{"'" + token + "' is neither a note, a chord nor a step mark"};
        CheckInKey(note, part);
        notes.push_back(note);
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    return notes;
}

void Parser::Line(const std::vector<std::string>& words)
{
    if (words.empty()) return;
    if (m_inPattern) {
        if (words.size() == 1 && words[0] == "end")
            EndPattern();
        else
            PatternLine(words);
    } else {
        Statement(words);
    }
}

void Parser::Statement(const std::vector<std::string>& words)
{
    const std::string& verb = words[0];
    auto need = [&](size_t count) {
        if (words.size() != count) throw Failure{"'" + verb + "' takes " + std::to_string(count - 1) + " values"};
    };
    if (verb == "tempo") {
        need(2);
        if (m_tune.tempo > 0) throw Failure{"a tune has one tempo"};
        m_tune.tempo = NumberIn(words[1], "tempo", 30, 300);
    } else if (verb == "key") {
        need(3);
        if (m_tune.tonic >= 0) throw Failure{"a tune has one key"};
        size_t used = 0;
        const int pc = PitchClass(words[1], used);
        if (pc < 0 || used != words[1].size()) throw Failure{"'" + words[1] + "' is not a key note"};
        if (words[2] != "major" && words[2] != "minor") throw Failure{"a key is major or minor, not '" + words[2] + "'"};
        m_tune.tonic = pc;
        m_tune.minor = words[2] == "minor";
    } else if (verb == "meter") {
        need(2);
        if (m_haveMeter || !m_tune.patterns.empty()) throw Failure{"the meter is set once, before any pattern"};
        m_tune.meter = WholeIn(words[1], "meter", 2, 12);
        m_haveMeter = true;
    } else if (verb == "room") {
        need(3);
        m_tune.roomSize = NumberIn(words[1], "room size", 0, 1);
        m_tune.roomDamping = NumberIn(words[2], "room damping", 0, 1);
    } else if (verb == "echo") {
        need(3);
        m_tune.echoBeats = NumberIn(words[1], "echo time", 0.0625, 4);
        m_tune.echoFeedback = NumberIn(words[2], "echo feedback", 0, 0.9);
    } else if (verb == "level") {
        need(2);
        m_tune.levelDb = NumberIn(words[1], "level", -30, -1);
    } else if (verb == "instrument") {
        Instrument(words);
    } else if (verb == "kit") {
        Kit(words);
    } else if (verb == "chord") {
        Chord(words);
    } else if (verb == "pattern") {
        StartPattern(words);
    } else if (verb == "section") {
        SectionLine(words);
    } else if (verb == "sequence") {
        Sequence(words);
    } else if (verb == "end") {
        throw Failure{"'end' outside a pattern"};
    } else {
        throw Failure{"unknown statement '" + verb + "'"};
    }
}

void Parser::Instrument(const std::vector<std::string>& words)
{
    if (words.size() < 2) throw Failure{"an instrument needs a name"};
    InstrumentSpec spec;
    spec.name = words[1];
    NewName(spec.name, "an instrument");
    bool filterDecaySet = false;
    for (size_t i = 2; i < words.size(); ++i) {
        const size_t eq = words[i].find('=');
        if (eq == std::string::npos) throw Failure{"'" + words[i] + "' is not key=value"};
        const std::string key = words[i].substr(0, eq), value = words[i].substr(eq + 1);
        if (key == "wave") {
            static const std::map<std::string, Wave> waves = {{"sine", Wave::Sine}, {"triangle", Wave::Triangle},
                                                              {"saw", Wave::Saw},   {"square", Wave::Square},
                                                              {"pulse", Wave::Pulse}, {"fm", Wave::Fm}};
            auto it = waves.find(value);
            if (it == waves.end()) throw Failure{"unknown wave '" + value + "'"};
            spec.wave = it->second;
        } else if (key == "width") {
            spec.width = NumberIn(value, key, 0.05, 0.95);
        } else if (key == "detune") {
            spec.detune = NumberIn(value, key, 0, 100);
        } else if (key == "sub") {
            spec.sub = NumberIn(value, key, 0, 2);
        } else if (key == "noise") {
            spec.noise = NumberIn(value, key, 0, 2);
        } else if (key == "cutoff") {
            spec.cutoff = NumberIn(value, key, 20, 10000);
        } else if (key == "resonance") {
            spec.resonance = NumberIn(value, key, 0.5, 10);
        } else if (key == "envmod") {
            spec.envmod = NumberIn(value, key, -4, 6);
        } else if (key == "fdecay") {
            spec.fdecay = NumberIn(value, key, 0.001, 10);
            filterDecaySet = true;
        } else if (key == "attack") {
            spec.amp.attack = NumberIn(value, key, 0.001, 10);
        } else if (key == "decay") {
            spec.amp.decay = NumberIn(value, key, 0.001, 10);
        } else if (key == "sustain") {
            spec.amp.sustain = NumberIn(value, key, 0, 1);
        } else if (key == "release") {
            spec.amp.release = NumberIn(value, key, 0.002, 10);
        } else if (key == "gain") {
            spec.gain = NumberIn(value, key, 0, 4);
        } else if (key == "pan") {
            spec.pan = NumberIn(value, key, -1, 1);
        } else if (key == "reverb") {
            spec.reverb = NumberIn(value, key, 0, 2);
        } else if (key == "echo") {
            spec.echo = NumberIn(value, key, 0, 2);
        } else if (key == "vibrato") {
            spec.vibrato = NumberIn(value, key, 0, 100);
        } else if (key == "rate") {
            spec.vibratoRate = NumberIn(value, key, 0.1, 20);
        } else if (key == "ratio") {
            spec.ratio = NumberIn(value, key, 0.25, 16);
        } else if (key == "index") {
            spec.index = NumberIn(value, key, 0, 20);
        } else if (key == "fmdecay") {
            spec.fmdecay = NumberIn(value, key, 0.001, 10);
        } else {
            throw Failure{"unknown instrument key '" + key + "'"};
        }
    }
    if (!filterDecaySet) spec.fdecay = spec.amp.decay;
    m_instrumentIndex[spec.name] = static_cast<int>(m_tune.instruments.size());
    m_tune.instruments.push_back(spec);
}

void Parser::Kit(const std::vector<std::string>& words)
{
    if (words.size() < 2) throw Failure{"a kit needs a name"};
    KitSpec spec;
    spec.name = words[1];
    NewName(spec.name, "a kit");
    for (size_t i = 2; i < words.size(); ++i) {
        const size_t eq = words[i].find('=');
        if (eq == std::string::npos) throw Failure{"'" + words[i] + "' is not key=value"};
        const std::string key = words[i].substr(0, eq), value = words[i].substr(eq + 1);
        if (key == "gain")
            spec.gain = NumberIn(value, key, 0, 4);
        else if (key == "pan")
            spec.pan = NumberIn(value, key, -1, 1);
        else if (key == "reverb")
            spec.reverb = NumberIn(value, key, 0, 2);
        else if (key == "echo")
            spec.echo = NumberIn(value, key, 0, 2);
        else if (key == "pitch")
            spec.pitch = NumberIn(value, key, 0.5, 2);
        else
            throw Failure{"unknown kit key '" + key + "'"};
    }
    m_kitIndex[spec.name] = static_cast<int>(m_tune.kits.size());
    m_tune.kits.push_back(spec);
}

void Parser::Chord(const std::vector<std::string>& words)
{
    if (words.size() != 3) throw Failure{"'chord' takes a name and its notes"};
    const std::string& name = words[1];
    if (ParseNote(name) >= 0 || name == "-" || name == "." || name.find('+') != std::string::npos)
        throw Failure{"'" + name + "' cannot name a chord"};
    NewName(name, "a chord");
    m_chords[name] = Notes(words[2]);
}

void Parser::StartPattern(const std::vector<std::string>& words)
{
    if (words.size() != 4) throw Failure{"'pattern' takes a name, a part and steps per bar"};
    m_pattern = Pattern();
    m_pattern.name = words[1];
    NewName(m_pattern.name, "a pattern");
    auto instrument = m_instrumentIndex.find(words[2]);
    auto kit = m_kitIndex.find(words[2]);
    if (instrument != m_instrumentIndex.end()) {
        m_pattern.part = instrument->second;
    } else if (kit != m_kitIndex.end()) {
        m_pattern.part = kit->second;
        m_pattern.drums = true;
    } else {
        throw Failure{"unknown instrument or kit '" + words[2] + "'"};
    }
    m_stepsPerBar = WholeIn(words[3], "steps per bar", 1, kMaxStepsPerBar);
    m_step = 0;
    m_open = nullptr;
    m_openIsRest = false;
    m_laneSteps.assign(static_cast<size_t>(DrumLane::Count), 0);
    m_inPattern = true;
}

void Parser::PatternLine(const std::vector<std::string>& words)
{
    const double stepBeats = double(m_tune.meter) / m_stepsPerBar;
    if (m_pattern.drums) {
        int lane = -1;
        for (int i = 0; i < static_cast<int>(DrumLane::Count); ++i)
            if (words[0] == kLaneNames[i]) lane = i;
        if (lane < 0) throw Failure{"unknown drum '" + words[0] + "'"};
        int& step = m_laneSteps[static_cast<size_t>(lane)];
        for (size_t w = 1; w < words.size(); ++w) {
            for (char c : words[w]) {
                if (c == '|') continue;
                double velocity;
                if (c == 'X')
                    velocity = 1.0;
                else if (c == 'x')
                    velocity = 0.75;
                else if (c == 'o')
                    velocity = 0.4;
                else if (c == '.')
                    velocity = 0;
                else
                    throw Failure{std::string("'") + c + "' is not a drum step (X x o .)"};
                if (velocity > 0) m_pattern.hits.push_back(DrumHit{step * stepBeats, static_cast<DrumLane>(lane), velocity});
                if (++step > kMaxBars * m_stepsPerBar) throw Failure{"the pattern is too long"};
            }
        }
        return;
    }
    for (const std::string& word : words) {
        if (word == "|") {
            if (m_step % m_stepsPerBar != 0) throw Failure{"a bar line falls inside a bar"};
            continue;
        }
        if (word == "-") {
            if (m_openIsRest || !m_open) throw Failure{"'-' holds nothing"};
            m_open->beats += stepBeats;
        } else if (word == ".") {
            m_open = nullptr;
            m_openIsRest = true;
        } else {
            std::string token = word;
            double velocity = 0.8;
            if (token.size() > 1 && token.back() == '!') {
                velocity = 1.0;
                token.pop_back();
            } else if (token.size() > 1 && token.back() == '?') {
                velocity = 0.55;
                token.pop_back();
            }
            NoteEvent event;
            event.beat = m_step * stepBeats;
            event.beats = stepBeats;
            event.notes = Notes(token);
            event.velocity = velocity;
            m_pattern.notes.push_back(event);
            m_open = &m_pattern.notes.back();
            m_openIsRest = false;
        }
        if (++m_step > kMaxBars * m_stepsPerBar) throw Failure{"the pattern is too long"};
    }
}

void Parser::EndPattern()
{
    int steps = m_step;
    if (m_pattern.drums) {
        steps = 0;
        for (int s : m_laneSteps) steps = s > steps ? s : steps;
        for (int i = 0; i < static_cast<int>(DrumLane::Count); ++i) {
            const int s = m_laneSteps[static_cast<size_t>(i)];
            if (s != 0 && s != steps)
                throw Failure{std::string("the ") + kLaneNames[i] + " line of pattern '" + m_pattern.name +
                              "' is not as long as its longest line"};
        }
    }
    if (steps == 0) throw Failure{"pattern '" + m_pattern.name + "' is empty"};
    if (steps % m_stepsPerBar != 0) throw Failure{"pattern '" + m_pattern.name + "' does not fill whole bars"};
    m_pattern.bars = steps / m_stepsPerBar;
    m_patternIndex[m_pattern.name] = static_cast<int>(m_tune.patterns.size());
    m_tune.patterns.push_back(m_pattern);
    m_open = nullptr;
    m_inPattern = false;
}

void Parser::SectionLine(const std::vector<std::string>& words)
{
    if (words.size() < 4) throw Failure{"'section' takes a name, its bars and at least one pattern"};
    Section section;
    section.name = words[1];
    NewName(section.name, "a section");
    section.bars = WholeIn(words[2], "section bars", 1, kMaxBars);
    for (size_t i = 3; i < words.size(); ++i) {
        std::vector<int> chain;
        int bars = 0;
        std::string rest = words[i] + ",";
        for (size_t start = 0, comma; (comma = rest.find(',', start)) != std::string::npos; start = comma + 1) {
            const std::string name = rest.substr(start, comma - start);
            auto it = m_patternIndex.find(name);
            if (it == m_patternIndex.end()) throw Failure{"unknown pattern '" + name + "'"};
            chain.push_back(it->second);
            bars += m_tune.patterns[static_cast<size_t>(it->second)].bars;
        }
        if (section.bars % bars != 0)
            throw Failure{"'" + words[i] + "' lasts " + std::to_string(bars) + " bars, which does not divide section '" +
                          section.name + "'"};
        section.chains.push_back(chain);
    }
    m_sectionIndex[section.name] = static_cast<int>(m_tune.sections.size());
    m_tune.sections.push_back(section);
}

void Parser::Sequence(const std::vector<std::string>& words)
{
    if (m_haveSequence) throw Failure{"a tune has one sequence"};
    if (words.size() < 2) throw Failure{"the sequence is empty"};
    int bars = 0;
    for (size_t i = 1; i < words.size(); ++i) {
        auto it = m_sectionIndex.find(words[i]);
        if (it == m_sectionIndex.end()) throw Failure{"unknown section '" + words[i] + "'"};
        m_tune.sequence.push_back(it->second);
        bars += m_tune.sections[static_cast<size_t>(it->second)].bars;
    }
    if (bars > kMaxBars) throw Failure{"the sequence is longer than " + std::to_string(kMaxBars) + " bars"};
    m_haveSequence = true;
}

void Parser::Finish()
{
    if (m_inPattern) throw Failure{"pattern '" + m_pattern.name + "' has no 'end'"};
    if (m_tune.tempo <= 0) throw Failure{"the tune has no tempo"};
    if (m_tune.tonic < 0) throw Failure{"the tune has no key"};
    if (!m_haveSequence) throw Failure{"the tune has no sequence"};
}

}  // namespace

const char* DrumLaneName(DrumLane lane)
{
    const int i = static_cast<int>(lane);
    return i >= 0 && i < static_cast<int>(DrumLane::Count) ? kLaneNames[i] : "?";
}

int Tune::TotalBars() const
{
    int bars = 0;
    for (int s : sequence) bars += sections[static_cast<size_t>(s)].bars;
    return bars;
}

double Tune::BeatFrames() const { return tempo > 0 ? kRate * 60.0 / tempo : 0; }

long long Tune::LoopFrames() const { return std::llround(TotalBeats() * BeatFrames()); }

double NoteFrequency(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

bool ParseTune(const std::string& text, const std::string& name, Tune& tune, std::string& error)
{
    tune = Tune();
    tune.name = name;
    Parser parser(tune);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    try {
        while (std::getline(in, line)) {
            ++number;
            // A comment starts with '#' at the start of a line or after a
            // space; the '#' of a sharp ("F#4") follows a letter.
            for (size_t i = 0; i < line.size(); ++i) {
                if (line[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1])))) {
                    line.erase(i);
                    break;
                }
            }
            parser.Line(Split(line));
        }
        // What is missing at the end belongs to no line.
        number = 0;
        parser.Finish();
    } catch (const Failure& failure) {
        error = name + (number > 0 ? ":" + std::to_string(number) : std::string()) + ": " + failure.message;
        tune = Tune();
        return false;
    }
    return true;
}

}  // namespace SoundGen
