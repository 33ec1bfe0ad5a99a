#include "game/app/vxb06_application.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/app/clock.h"
#include "engine/app/display.h"
#include "engine/app/machine_keys.h"
#include "engine/audio/mixer.h"
#include "engine/core/asset_dict.h"
#include "engine/core/maemo_game_save_file.h"
#include "engine/core/registry.h"
#include "engine/core/report.h"
#include "engine/core/text_dict.h"
#include "engine/core/vfs.h"
#include "engine/graphics/maemo_surface.h"
#include "engine/graphics/surface.h"
#include "engine/text/format.h"
#include "engine/text/screen_text.h"

vxb06Application::vxb06Application()
    : Voke::MaemoApplication(0),
      m_FpsTime(0.0f),
      m_FrameCount(0),
      m_Fps(0),
      m_Pressed(false),
      m_FpsShown(-1)
{
}

vxb06Application::~vxb06Application() = default;

void vxb06Application::Initialize()
{
    s_registry = new Voke::Registry;
    Voke::InstallMachineKeys(*s_registry);
    s_assetDict = new Voke::AssetDict;
    if (m_display) m_display->SetOrientation(Voke::Display::kLandscape);
    m_Game.m_ScreenWidth = kLogicalScreenWidth;
    m_Game.m_ScreenHeight = kLogicalScreenHeight;

    // Later mounts are searched first: a plain name in "atlas.pak", then
    // (fall-through) in "data.pak"; a "save/" name in the player's save folder,
    // then in the archives. The game cannot run without either archive: a
    // black screen with nothing to tap would follow. So an archive that is
    // missing from the program's folder, or there but unreadable, is named
    // in one line and the start ends there, before the save folder, the
    // sound server or the game's data are touched; the main loop then ends
    // with a failure.
    Voke::Vfs::Init();
    struct Archive {
        const char* name;
        int flags;
    };
    for (const Archive& archive : {Archive{"data.pak", 0}, Archive{"atlas.pak", Voke::VfsMount::FallThrough}}) {
        if (access(archive.name, F_OK) != 0) {
            char folder[PATH_MAX];
            ExitWithError(kArchiveFailureStatus, "the archive \"%s\" is missing from the folder \"%s\"", archive.name,
                          getcwd(folder, sizeof(folder)) ? folder : "(unknown)");
            return;
        }
        if (Voke::Vfs::MountPak(archive.name, "", archive.flags)) continue;
        ExitWithError(kArchiveFailureStatus, "the archive \"%s\" is damaged and cannot be read", archive.name);
        return;
    }
    Voke::Vfs::MountDirectory(kSaveFolder, kSaveFolder, Voke::VfsMount::FallThrough | Voke::VfsMount::SaveFiles);
    TakeSaveFolder();

    std::srand(static_cast<unsigned>(Voke::GetTime()));

    // NOTE: stereo at 22050 Hz, 4096-byte mixing blocks, at most 10 channels
    // (the game forces its plays past that limit).
    Voke::MixerConfig config;
    config.bufferSize = 4096;
    config.maxChannels = 10;
    s_mixer = new Voke::Mixer(Voke::AudioFormat{2, 22050}, config);

    m_BackBuffer = CreateBackBuffer();

    m_Game.Init();
    m_TouchList.assign(1, TouchPoint{0, 0});
    // Last: the loader fills it with the chosen language's texts.
    s_textDict = new Voke::TextDict;
}

void vxb06Application::TakeSaveFolder()
{
    // Every save fails in silence (the game plays on and keeps nothing), so
    // the player hears of it once, here.
    Voke::NarrowString folder;
    const int error = Voke::MaemoGameSaveFile::CheckWritable(kSaveFolder, folder);
    if (folder.empty()) {
        Voke::ReportError("save: settings and scores will not be kept: HOME is not set, so there is no "
                          "configuration folder");
        return;
    }
    // The folder is named without the trailing slash of the mount's root.
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (error != 0) {
        Voke::ReportError("save: settings and scores will not be kept: the folder \"%s\" cannot be written (%s)",
                          folder.c_str(), std::strerror(error));
        return;
    }
    // A second copy's saves would write its own tables over the first's.
    // Where the folder cannot be locked at all, the game saves as it always
    // has: refusing would keep nothing on such a file system.
    int holder = 0;
    if (Voke::MaemoGameSaveFile::ClaimFolder(kSaveFolder, holder) != Voke::FolderLock::State::kInUse) return;
    char process[32] = "";
    if (holder > 0) std::snprintf(process, sizeof(process), " (process %d)", holder);
    Voke::ReportError("save: settings and scores will not be kept: the folder \"%s\" is in use by another copy of "
                      "the game%s",
                      folder.c_str(), process);
}

Voke::SmartPtr<Voke::Surface> vxb06Application::CreateBackBuffer()
{
    // Four bytes a pixel: drawing into it and stretching it then stay on a
    // software rasteriser's fast path, which a 16-bit target leaves. Its
    // alpha is whatever the blending left there, so it is stretched over the
    // window as opaque, with linear filtering.
    Voke::SmartPtr<Voke::Surface> backBuffer(
        new Voke::Surface(kLogicalScreenWidth, kLogicalScreenHeight, Voke::RGBA8888));
    backBuffer->SetFlags(backBuffer->TestFlags(~0u) | Voke::Surface::kLinear | Voke::Surface::kOpaque);
    return backBuffer;
}

void vxb06Application::Unload() { m_Game.Unload(); }

void vxb06Application::OnKeyDown(unsigned key) { m_Game.OnKeyDown(static_cast<int32_t>(key)); }

void vxb06Application::OnKeyUp(unsigned key) { m_Game.OnKeyUp(static_cast<int32_t>(key)); }

void vxb06Application::OnFocusChanged(bool active) { m_Game.OnFocusChanged(active); }

void vxb06Application::Update(float& seconds)
{
    if (m_display && m_display->GetSurface()) {
        const Voke::Surface* screen = m_display->GetSurface();
        if (screen->GetWidth() > 0 && screen->GetHeight() > 0) {
            m_Game.m_PointerScaleX = float(m_Game.m_ScreenWidth) / float(screen->GetWidth());
            m_Game.m_PointerScaleY = float(m_Game.m_ScreenHeight) / float(screen->GetHeight());
        }
    }

    StepGameTime(seconds, [this](const float& step) { m_Game.Update(step); });

    if (m_Game.TakeMoreGamesRequest()) OpenUrl(Voke::ToWideString(Game::kMoreGamesUrl));

    m_FpsTime += seconds;
    if (m_FpsTime > kFpsPeriod) {
        m_Fps = static_cast<int32_t>(float(m_FrameCount) / m_FpsTime);
        m_FrameCount = 0;
        m_FpsTime = 0.0f;
    }
}

void vxb06Application::Render(Voke::MaemoSurface* surface)
{
    m_Game.Render(m_BackBuffer);
    m_FrameCount += 1;
    if (m_Game.IsRenderFpsEnabled()) DrawFps(m_BackBuffer);
    Voke::Surface::BlitWhole(surface, m_BackBuffer, m_BackBuffer->GetClipRect());
    m_Game.RenderOverlay(surface);
}

void vxb06Application::DrawFps(Voke::Surface* target)
{
    if (!m_FpsText || m_FpsShown != m_Fps) {
        Voke::Text::Format format;
        format.fontSet = m_Game.m_Fonts;
        format.fontName = "fontbig";
        format.color = {255, 255, 255, 255};
        format.flags = Voke::Text::Format::kFontName | Voke::Text::Format::kColor;
        char text[32];
        std::snprintf(text, sizeof(text), "FPS: %i", m_Fps);
        m_FpsText =
            new Voke::ScreenText(format, Voke::ToWideString(text), Voke::ScreenText::Size{kLogicalScreenWidth, 0});
        m_FpsShown = m_Fps;
    }
    m_FpsText->Draw(target, 200, 0);
}

void vxb06Application::StorePoint(int x, int y)
{
    m_TouchList.assign(1, MapPointer(x, y, m_Game.m_PointerScaleX, m_Game.m_PointerScaleY));
}

void vxb06Application::OnPointerDown(int x, int y, int /*id*/)
{
    StorePoint(x, y);
    m_Game.OnPointerDown(m_TouchList);
    m_Pressed = true;
    m_Game.OnPointerPressAt(m_TouchList[0].x, m_TouchList[0].y);
}

void vxb06Application::OnPointerUp(int x, int y, int /*id*/)
{
    StorePoint(x, y);
    m_Game.OnPointerUp(m_TouchList);
    m_Pressed = false;
    m_Game.OnPointerReleaseAt(m_TouchList[0].x, m_TouchList[0].y);
}

void vxb06Application::OnPointerMove(int x, int y, int /*id*/)
{
    StorePoint(x, y);
    m_Game.OnPointerMove(m_TouchList);
    if (m_Pressed) m_Game.OnPointerDragAt(m_TouchList[0].x, m_TouchList[0].y);
}
