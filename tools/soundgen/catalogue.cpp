#include "tools/soundgen/catalogue.h"

#include <algorithm>

#include "tools/soundgen/recipes.h"
#include "tools/soundgen/tunes_embedded.h"

namespace SoundGen {

const std::vector<SoundEntry>& WaveSounds()
{
    static const std::vector<SoundEntry> sounds = {
        {"gl_kroki_nowe_8_a.wav", SoundKind::Effect, &FootstepA},
        {"gl_kroki_nowe_8_b.wav", SoundKind::Effect, &FootstepB},
        {"gl_podskok_1.wav", SoundKind::Effect, &Jump},
        {"gl_wslizg_1.wav", SoundKind::Effect, &Slide},
        {"gl_new_uderzenie_nowe_2.wav", SoundKind::Effect, &Impact},
        {"gl_helikopter_1_przelot.wav", SoundKind::Pass, &HelicopterPass},
        {"gl_metro_2_tory_syrena.wav", SoundKind::Pass, &MetroPass},
        {"gl_samolot_przelot_1.wav", SoundKind::Pass, &AeroplanePass},
        {"gl_alarm_5_syrena_puls_malejacy_sredni.wav", SoundKind::Cue, &AlarmSiren},
        {"gl_new_kanaly_5.wav", SoundKind::Cue, &Sewers},
        {"gl_budowa_loop_3.wav", SoundKind::Cue, &Construction},
        {"gl_new_suburbs_2.wav", SoundKind::Cue, &Suburbs},
        {"gl_fajerwerki_1.wav", SoundKind::Cue, &Fireworks},
        {"gl_piorun_1.wav", SoundKind::Cue, &ThunderNear},
        {"gl_piorun_5.wav", SoundKind::Cue, &ThunderFar},
        {"gl_new_skladanie_napisu_2.wav", SoundKind::Jingle, &CaptionJingle},
    };
    return sounds;
}

const std::vector<TuneEntry>& Tunes()
{
    static const std::vector<TuneEntry> tunes = [] {
        std::vector<TuneEntry> list;
        for (int i = 0; i < kEmbeddedTuneCount; ++i) {
            const EmbeddedTune& tune = kEmbeddedTunes[i];
            list.push_back(TuneEntry{std::string(tune.stem) + ".ogg", std::string(tune.stem) + ".tune",
                                     std::string(reinterpret_cast<const char*>(tune.data), tune.size)});
        }
        std::sort(list.begin(), list.end(), [](const TuneEntry& a, const TuneEntry& b) { return a.file < b.file; });
        return list;
    }();
    return tunes;
}

}  // namespace SoundGen
