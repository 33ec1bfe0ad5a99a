// A small page that reads or writes the score file ("save/config.xml") as a
// step-by-step job and, when the file operation fails, darkens the screen
// and shows an error picture with a yes/no prompt: yes (select or cross)
// tries again, no (back or circle) gives up.
//
// Nothing in the game opens this page: the game loads and saves the score
// file itself (score_table.h). Reading takes the first 120 bytes of a file
// at least that long; writing replaces the file only once all 120 bytes are
// written (the save mount's save files), so a failed write leaves the
// previous file and shows the error page.
//
// Main thread only.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "game/menus/score_table.h"

namespace Voke {
class Surface;
}

class LoadingScreen {
public:
    enum Mode : int32_t { kRead = 0, kWrite = 1 };
    // 0 start, 1 file operation due, 2 to 5 error pages.
    enum State : int32_t { kStart = 0, kDue = 1, kErrorFirst = 2, kErrorLast = 5 };

    // Fetches the pictures; mode 0 reads the file, any other value writes it.
    explicit LoadingScreen(int32_t mode);
    ~LoadingScreen();
    LoadingScreen(const LoadingScreen&) = delete;
    LoadingScreen& operator=(const LoadingScreen&) = delete;

    // Advances the job by one step: the first step makes the file operation
    // due, the second runs it.
    void Step();
    // Yes or no on an error page; other keys and states do nothing.
    void OnKeyDown(unsigned key);
    // Draws the error page in states 2 to 5; nothing otherwise.
    void Render(Voke::Surface* target);

    int32_t GetState() const { return m_State; }
    bool IsDone() const { return m_Done; }
    const uint8_t* GetReadTable() const { return m_ReadTable; }
    uint8_t* GetWriteTable() { return m_WriteTable; }

private:
    void ReadFile();
    void WriteFile();

    uint8_t m_ReadTable[kScoreTableBytes];
    uint8_t m_WriteTable[kScoreTableBytes];
    int32_t m_State;
    int32_t m_Mode;
    bool m_Done;
    Voke::SmartPtr<Voke::Surface> m_Pictures[3];
    Voke::SmartPtr<Voke::Surface> m_Prompt;
};
