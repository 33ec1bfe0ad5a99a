#include "game/presentation/script_player.h"

#include <cstring>

#include "engine/app/abstract_app.h"
#include "engine/audio/audio_asset.h"
#include "engine/audio/mixer.h"
#include "engine/core/io_stream.h"
#include "engine/core/strings.h"
#include "engine/core/vfs.h"
#include "engine/core/xml.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "engine/text/format.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/core/pixel_math.h"

namespace {

// NOTE: drawn positions are held within +-2^24 pixels, far off any screen,
// so that adding a glyph's or the scroll's offset to one cannot overflow.
constexpr int64_t kFarOff = int64_t(1) << 24;

int32_t Bounded(int64_t v) { return static_cast<int32_t>(v < -kFarOff ? -kFarOff : v > kFarOff ? kFarOff : v); }

const char* const kScriptFile = "the_end.xml";
const char* const kMusicFile = "music_main_menu.ogg@cache";
const char* const kSplashFile = "gl_piorun_1.wav@buffer";

// Element names by command type (index type - 1).
const char* const kCommandNames[] = {
    "TextSimple",    "TextCenter",   "Gfx",         "Splash",     "Wait",
    "StartMovingUp", "StopMovingUp", "ClearScreen", "StartMusic", "StopMusic",
};

}  // namespace

ScriptPlayer::ScriptPlayer()
    : m_Owner(nullptr),
      m_Active(false),
      m_Elapsed(0.0f),
      m_Scroll(0.0f),
      m_Moving(false),
      m_Speed(0.0f),
      m_First(0),
      m_MusicPlaying(false),
      m_SplashPlayed(false),
      m_Count(0)
{
    for (Command& c : m_Commands) c = Command{0, false, 0, 0, nullptr, nullptr, 0.0f, 0.0f, 0.0f};
}

ScriptPlayer::~ScriptPlayer() = default;

int32_t ScriptPlayer::ScreenWidth() const { return m_Owner ? m_Owner->m_ScreenWidth : kLogicalScreenWidth; }

int32_t ScriptPlayer::ScreenHeight() const { return m_Owner ? m_Owner->m_ScreenHeight : kLogicalScreenHeight; }

void ScriptPlayer::LoadTheEnd()
{
    m_Music = Voke::GetCachedSound(kMusicFile, true);
    m_SplashSound = Voke::GetCachedSound(kSplashFile, true);
    // Only the start times and the end time need an empty record list: the
    // records past the count hold nothing.
    m_Count = 0;
    ReadScript(kScriptFile);
    ComputeStartTimes();
}

bool ScriptPlayer::Load(const char* fileName) { return ReadScript(fileName); }

bool ScriptPlayer::ReadScript(const char* fileName)
{
    if (!fileName) return false;
    {
        Voke::SmartPtr<Voke::File> probe(Voke::Vfs::Open(fileName));
        if (!probe) return false;
    }
    Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Load(fileName));
    if (!document) return false;

    // A position an element leaves out carries over from the element before
    // it; the first element of the file starts from 0.
    int32_t xpos = 0, ypos = 0;
    for (Voke::XmlIt element(document->Root(), nullptr); element; element.Next()) {
        int32_t type = 0;
        for (int32_t t = kTextSimple; t <= kStopMusic; ++t)
            if (StrICmp(element.GetName(), kCommandNames[t - 1]) == 0) {
                type = t;
                break;
            }
        if (type == 0) continue;
        float time = 0.0f, speed = 0.0f;
        element.GetAttribute("time", time);
        switch (type) {
        case kTextSimple:
        case kGfx:
            // A text or a picture at a position.
            element.GetAttribute("xpos", xpos);
            element.GetAttribute("ypos", ypos);
            AddCommand(type, element.GetAttributeRaw(type == kGfx ? "file" : "text"), xpos, ypos, time, 0.0f);
            break;
        case kTextCenter:
            element.GetAttribute("ypos", ypos);
            AddCommand(type, element.GetAttributeRaw("text"), 0, ypos, time, 0.0f);
            break;
        case kStartMovingUp:
        case kStopMovingUp:
            element.GetAttribute("speed", speed);
            AddCommand(type, nullptr, 0, 0, time, speed);
            break;
        default:
            AddCommand(type, nullptr, 0, 0, time, 0.0f);
            break;
        }
    }
    return true;
}

void ScriptPlayer::ComputeStartTimes()
{
    m_Commands[0].start = 0.0f;
    for (int k = 1; k <= m_Count; ++k) m_Commands[k].start = m_Commands[k - 1].start + m_Commands[k - 1].time;
}

void ScriptPlayer::AddCommand(int32_t type, const char* string, int32_t x, int32_t y, float time, float speed)
{
    if (m_Count >= kMaxCommands) return;
    Command& c = m_Commands[m_Count++];
    c.type = type;
    c.time = time;
    c.speed = speed;
    // Script positions are given for the logical screen and scaled to the
    // game's.
    const int32_t W = ScreenWidth(), H = ScreenHeight();
    c.x = Bounded(TruncToPixel(static_cast<float>(W) * (1.0f / kLogicalScreenWidth) * static_cast<float>(x)));
    c.y = Bounded(TruncToPixel(static_cast<float>(H) * (1.0f / kLogicalScreenHeight) * static_cast<float>(y)));
    c.text = nullptr;
    c.picture = nullptr;
    if (!string) return;

    const bool centred = type == kTextCenter;
    if (type == kTextSimple || (centred && std::strcmp(string, "-") != 0)) {
        if (!m_Owner) return;
        Voke::Text::Format format;
        format.fontSet = m_Owner->m_Fonts;
        format.fontName = "default";
        format.color = {255, 255, 255, 255};
        format.alignment = centred ? 2 : 0;
        format.flags = Voke::Text::Format::kFontName | Voke::Text::Format::kColor | Voke::Text::Format::kAlignment;
        // As wide as the screen, as high as the lines need.
        c.text = new Voke::ScreenText(format, Voke::ToWideString(string), Voke::ScreenText::Size{W, 0});
    } else if (type == kGfx) {
        c.picture = Voke::GetCachedSurface(string, false);
    }
}

void ScriptPlayer::Reset()
{
    StopMusic();
    m_Elapsed = m_Scroll = 0.0f;
    m_First = 0;
    m_Active = m_Moving = m_MusicPlaying = m_SplashPlayed = false;
    m_Speed = 1.0f;
    for (Command& c : m_Commands) c.fired = false;
}

void ScriptPlayer::Start()
{
    m_Active = true;
    m_Elapsed = 0.0f;
    m_Scroll = 0.0f;
}

void ScriptPlayer::Stop()
{
    m_Active = false;
    StopMusic();
}

bool ScriptPlayer::IsFinished() const { return m_Active && m_Elapsed >= m_Commands[m_Count].start; }

void ScriptPlayer::Update(float dt)
{
    if (!m_Active) return;
    m_Elapsed += dt;
    // Several commands may be due in one frame; they fire in script order.
    for (int k = m_First; k < m_Count; ++k) {
        Command& c = m_Commands[k];
        if (c.fired || !(c.start <= m_Elapsed)) continue;
        c.fired = true;
        Fire(k);
    }
    if (m_Moving) m_Scroll += dt * m_Speed;
}

void ScriptPlayer::Fire(int k)
{
    const Command& c = m_Commands[k];
    switch (c.type) {
    case kStartMovingUp:
        m_Moving = true;
        m_Speed = c.speed;
        break;
    case kStopMovingUp:
        m_Moving = false;
        m_Scroll = 0.0f;
        break;
    case kClearScreen:
        m_First = k;
        break;
    case kSplash:
        if (m_SplashPlayed) break;
        m_SplashPlayed = true;
        if (m_SplashSound && m_Owner && m_Owner->m_SoundOn) {
            // The mixer gives the play a read position of its own: the
            // thunder shares this sound and may be sounding it. The channel
            // is left to end by itself.
            if (Voke::Mixer* mixer = Voke::AbstractApp::s_mixer) mixer->Play(m_SplashSound, true);
        }
        break;
    case kStartMusic:
        StartMusic();
        break;
    case kStopMusic:
        StopMusic();
        break;
    default:
        break;
    }
}

void ScriptPlayer::StartMusic()
{
    if (m_MusicPlaying || !m_Music) return;
    Voke::Mixer* mixer = Voke::AbstractApp::s_mixer;
    if (!mixer) return;
    // From the music's beginning on a position of its own, looping from
    // before it is heard. The music does not follow the sound switch.
    m_MusicChannel = mixer->Play(m_Music, true, true);
    m_MusicPlaying = true;
}

void ScriptPlayer::StopMusic()
{
    if (!m_MusicPlaying) return;
    if (Voke::Mixer* mixer = Voke::AbstractApp::s_mixer)
        if (m_MusicChannel.Get()) mixer->StopChannel(m_MusicChannel);
    m_MusicChannel = nullptr;
    m_MusicPlaying = false;
}

void ScriptPlayer::Draw(Voke::Surface* target)
{
    if (!m_Active || !target) return;
    const int32_t W = ScreenWidth(), H = ScreenHeight();
    const int32_t scroll = TruncToPixel(m_Scroll);
    for (int k = m_First; k < m_Count; ++k) {
        const Command& c = m_Commands[k];
        if (!(c.start <= m_Elapsed)) continue;
        // The script's position and speed are data: the scrolled position is
        // taken wide and held far off the screen.
        const int32_t y = Bounded(int64_t(c.y) - scroll);
        switch (c.type) {
        case kTextSimple:
            if (c.text) c.text->Draw(target, c.x, y);
            break;
        case kTextCenter:
            // Laid out as wide as the screen, so the block lands at the left
            // edge and its lines are centred by their alignment.
            if (c.text) c.text->Draw(target, W / 2 - c.text->width / 2, y);
            break;
        case kGfx:
            if (c.picture) Voke::Surface::Blit(target, c.x, y, c.picture, c.picture->GetClipRect());
            break;
        case kSplash: {
            // Opaque at the flash, transparent one second later.
            const int32_t a = TruncToPixel((m_Elapsed - c.start) * 256.0f);
            const int32_t alpha = a < 0 ? 255 : a < 256 ? 255 - a : 0;
            const Voke::Color white = Voke::MakeColor(255, 255, 255, static_cast<uint8_t>(alpha));
            Voke::Surface::FillRect(target, 0, 0, W, H, &white);
            break;
        }
        default:
            break;
        }
    }
}

void ScriptPlayer::Release()
{
    StopMusic();
    m_Music = nullptr;
    m_SplashSound = nullptr;
    for (Command& c : m_Commands) c = Command{0, false, 0, 0, nullptr, nullptr, 0.0f, 0.0f, 0.0f};
    m_Count = 0;
}
