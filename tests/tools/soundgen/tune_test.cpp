// The tune format: what a tune says is what the renderer gets, and a slip in
// a tune stops the build with the file, the line and what is wrong.
#include <gtest/gtest.h>

#include <string>

#include "tools/soundgen/catalogue.h"
#include "tools/soundgen/tune.h"

namespace SoundGen {
namespace {

const char* const kSmallTune = R"(# a comment line
tempo 120
key E minor   # comments may follow a statement
meter 4
instrument bass wave=saw cutoff=400 attack=0.01 release=0.1
kit drums gain=0.5
chord Em E3+G3+B3

pattern line bass 4
  E2! - F#2 . | Em - - D#3?
end

pattern beat drums 8
  kick  X...x...
  hat   x.x.o.x.
end

section a 4 line beat,beat
sequence a a
)";

TEST(TuneFormat, ReadsNotesHoldsChordsAndTheArrangement)
{
    Tune tune;
    std::string error;
    ASSERT_TRUE(ParseTune(kSmallTune, "small.tune", tune, error)) << error;
    EXPECT_EQ(tune.tempo, 120);
    EXPECT_EQ(tune.tonic, 4);
    EXPECT_TRUE(tune.minor);
    ASSERT_EQ(tune.instruments.size(), 1u);
    EXPECT_EQ(tune.instruments[0].cutoff, 400);
    // The filter's opening follows the amp's decay when not given.
    EXPECT_EQ(tune.instruments[0].fdecay, tune.instruments[0].amp.decay);

    ASSERT_EQ(tune.patterns.size(), 2u);
    const Pattern& line = tune.patterns[0];
    EXPECT_EQ(line.bars, 2);
    ASSERT_EQ(line.notes.size(), 4u);
    EXPECT_EQ(line.notes[0].notes, std::vector<int>{40});  // E2, held for two steps, accented
    EXPECT_DOUBLE_EQ(line.notes[0].beats, 2.0);
    EXPECT_DOUBLE_EQ(line.notes[0].velocity, 1.0);
    EXPECT_EQ(line.notes[1].notes, std::vector<int>{42});  // F#2: the '#' starts no comment
    EXPECT_DOUBLE_EQ(line.notes[1].beat, 2.0);
    EXPECT_DOUBLE_EQ(line.notes[1].beats, 1.0);
    EXPECT_EQ(line.notes[2].notes, (std::vector<int>{52, 55, 59}));  // the chord Em
    EXPECT_DOUBLE_EQ(line.notes[2].beats, 3.0);
    EXPECT_EQ(line.notes[3].notes, std::vector<int>{51});  // D#3, the raised seventh, soft
    EXPECT_DOUBLE_EQ(line.notes[3].beat, 7.0);
    EXPECT_DOUBLE_EQ(line.notes[3].velocity, 0.55);

    const Pattern& beat = tune.patterns[1];
    EXPECT_EQ(beat.bars, 1);
    ASSERT_EQ(beat.hits.size(), 6u);
    EXPECT_DOUBLE_EQ(beat.hits[1].beat, 2.0);
    EXPECT_EQ(beat.hits[1].lane, DrumLane::Kick);

    ASSERT_EQ(tune.sections.size(), 1u);
    EXPECT_EQ(tune.sections[0].chains[1].size(), 2u);
    EXPECT_EQ(tune.TotalBars(), 8);
    // 32 beats of half a second.
    EXPECT_EQ(tune.LoopFrames(), 16 * 22050);
}

struct BadTune {
    const char* what;
    const char* text;
    const char* message;  // expected in the error, after "bad.tune:LINE: "
};

std::string Base(const std::string& body)
{
    return "tempo 100\nkey A minor\ninstrument lead wave=square\nkit drums\n" + body;
}

TEST(TuneFormat, ReportsWhereAndWhatIsWrong)
{
    const BadTune cases[] = {
        {"a note outside the key", "pattern p lead 4\n A4 Bb4 . .\nend\n", "bad.tune:6: 'Bb4' is outside the key"},
        {"a bar line inside a bar", "pattern p lead 4\n A4 . . | .\nend\n", "bad.tune:6: a bar line falls inside a bar"},
        {"a hold after a rest", "pattern p lead 4\n A4 . - .\nend\n", "bad.tune:6: '-' holds nothing"},
        {"a pattern short of a bar", "pattern p lead 4\n A4 . .\nend\n", "bad.tune:7: pattern 'p' does not fill whole bars"},
        {"an unknown part", "pattern p piano 4\n", "bad.tune:5: unknown instrument or kit 'piano'"},
        {"drum lines of two lengths", "pattern p drums 4\n kick x...\n hat x.x.x.x.\nend\n",
         "bad.tune:8: the kick line of pattern 'p' is not as long as its longest line"},
        {"an unknown drum", "pattern p drums 4\n cowbell x...\nend\n", "bad.tune:6: unknown drum 'cowbell'"},
        {"a chain that does not divide its section", "pattern p lead 4\n A4 . . .\n A4 . . .\nend\nsection s 3 p\n",
         "bad.tune:9: 'p' lasts 2 bars, which does not divide section 's'"},
        {"a second key", "key C major\n", "bad.tune:5: a tune has one key"},
        {"a number that is not one", "instrument pad cutoff=lots\n", "bad.tune:5: cutoff is not a number: 'lots'"},
        {"a value out of range", "instrument pad gain=9\n", "bad.tune:5: gain 9 is outside 0 .. 4"},
        {"an unknown key", "instrument pad colour=blue\n", "bad.tune:5: unknown instrument key 'colour'"},
        {"a name used twice", "instrument lead\n", "bad.tune:5: 'lead' already names an instrument"},
        {"an unknown statement", "repeat 4\n", "bad.tune:5: unknown statement 'repeat'"},
        {"a pattern without end", "pattern p lead 4\n A4 . . .\n", "bad.tune: pattern 'p' has no 'end'"},
        {"no sequence", "", "bad.tune: the tune has no sequence"},
        {"an unknown section", "sequence verse\n", "bad.tune:5: unknown section 'verse'"},
    };
    for (const BadTune& bad : cases) {
        Tune tune;
        std::string error;
        EXPECT_FALSE(ParseTune(Base(bad.text), "bad.tune", tune, error)) << bad.what;
        EXPECT_NE(error.find(bad.message), std::string::npos) << bad.what << ": " << error;
        EXPECT_TRUE(tune.patterns.empty()) << bad.what << ": a failed read leaves no half tune";
    }
    Tune tune;
    std::string error;
    EXPECT_FALSE(ParseTune("key A minor\nsequence\n", "bad.tune", tune, error));
    EXPECT_FALSE(ParseTune("tempo 100\nsequence s\n", "bad.tune", tune, error));
    EXPECT_NE(error.find("unknown section"), std::string::npos) << error;
}

TEST(TuneFormat, TheBuiltInTunesReadAndSuitTheGame)
{
    ASSERT_EQ(Tunes().size(), 2u);
    for (const TuneEntry& entry : Tunes()) {
        Tune tune;
        std::string error;
        ASSERT_TRUE(ParseTune(entry.text, entry.source, tune, error)) << error;
        const double seconds = double(tune.LoopFrames()) / 22050;
        EXPECT_GE(seconds, 30.0) << entry.file;
        EXPECT_LE(seconds, 60.0) << entry.file;
    }
}

TEST(TuneFormat, NotesAreEqualTemperedOnA440)
{
    EXPECT_DOUBLE_EQ(NoteFrequency(69), 440.0);
    EXPECT_NEAR(NoteFrequency(60), 261.6256, 1e-3);
    EXPECT_NEAR(NoteFrequency(40), 82.4069, 1e-3);
}

}  // namespace
}  // namespace SoundGen
