#include "game/menus/loading_screen.h"

#include "engine/core/io_stream.h"
#include "engine/core/key_codes.h"
#include "engine/core/vfs.h"
#include "engine/graphics/surface.h"
#include "game/menus/menu_support.h"

namespace {
// NOTE: the prompt's top edge on the target.
constexpr int32_t kPromptY = 210;
// The page's error pages: 4 after a short read, 5 after a failed write.
constexpr int32_t kShortReadState = 4;
constexpr int32_t kWriteFailedState = 5;
const Voke::Color kShade = Voke::MakeColor(0, 0, 0, 192);
}  // namespace

LoadingScreen::LoadingScreen(int32_t mode) : m_ReadTable(), m_WriteTable(), m_State(kStart), m_Mode(mode), m_Done(false)
{
    const char* const names[3] = {"loading/load1.png", "loading/load2.png", "loading/load3.png"};
    for (int i = 0; i < 3; ++i) m_Pictures[i] = MenuSupport::LoadImage(names[i], false, false);
    m_Prompt = MenuSupport::LoadImage("loading/yesno.png", false, false);
}

LoadingScreen::~LoadingScreen() = default;

void LoadingScreen::Step()
{
    if (m_State == kStart) {
        m_State = kDue;
        return;
    }
    if (m_State != kDue || m_Done) return;
    if (m_Mode == kRead)
        ReadFile();
    else
        WriteFile();
}

void LoadingScreen::ReadFile()
{
    // A file of at least the table's length gives its first 120 bytes; one
    // that then delivers fewer shows the error page. A shorter file holds no
    // table and leaves the read table cleared.
    Voke::SmartPtr<Voke::File> file = Voke::Vfs::Open(kScoreFileName);
    if (file && file->Length() >= kScoreTableBytes && !ReadScoreTable(file, m_ReadTable)) {
        m_State = kShortReadState;
        return;
    }
    m_Done = true;
}

void LoadingScreen::WriteFile()
{
    if (SaveScoreFile(m_WriteTable))
        m_Done = true;
    else
        m_State = kWriteFailedState;
}

void LoadingScreen::OnKeyDown(unsigned key)
{
    if (m_State < kErrorFirst || m_State > kErrorLast) return;
    if (key == Voke::KEY_SELECT || key == Voke::KEY_PSP_CROSS) m_State = kStart;
    if (key == Voke::KEY_BACK || key == Voke::KEY_PSP_CIRCLE) m_Done = true;
}

void LoadingScreen::Render(Voke::Surface* target)
{
    if (!target || m_State < kErrorFirst || m_State > kErrorLast) return;
    const Voke::Rect clip = *target->GetClipRect();
    Voke::Surface::FillRect(target, clip.x, clip.y, clip.x + clip.w, clip.y + clip.h, &kShade);
    // State 2 the first picture, 3 the third, 4 and 5 the second.
    Voke::Surface* picture = m_State == 2 ? m_Pictures[0] : m_State == 3 ? m_Pictures[2] : m_Pictures[1];
    const int32_t tw = target->GetWidth(), th = target->GetHeight();
    MenuSupport::DrawImage(target, picture, (tw - MenuSupport::ImageWidth(picture)) / 2,
                           (th - MenuSupport::ImageHeight(picture)) / 2);
    MenuSupport::DrawImage(target, m_Prompt, (tw - MenuSupport::ImageWidth(m_Prompt)) / 2, kPromptY);
}
