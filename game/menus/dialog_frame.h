// The framed panel of a pop-up page or dialog: a title bar over a body,
// both drawn with the game's panel frame and centred on the logical screen,
// and the page's title centred on the bar.
//
// The page lays the frame out in its Load (on the loader thread) and draws
// it on the main thread. Without an owner the screen counts as 0 x 0 and the
// title has no fonts; a title that lays out no glyphs draws nothing.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
// The whole title type, so that whatever holds a frame by value can copy
// and destroy it.
#include "engine/text/screen_text.h"

class GameBase;

class DialogFrame {
public:
    DialogFrame();

    // Centres a panel of panelWidth x panelHeight on the owner's logical
    // screen; the top titleHeight rows of it are the title bar.
    void Layout(const GameBase* owner, int32_t panelWidth, int32_t panelHeight, int32_t titleHeight,
                int32_t panelMargin);
    // Lays the text of `id` out in the owner's big font, white, centred over
    // the panel's width.
    void SetTitle(const GameBase* owner, const char* id);
    // The title bar, the body below it and the title centred on the bar.
    void Render(Voke::Surface* target) const;
    int32_t CentreX() const { return (left + right) / 2; }
    // The first row of the body below the title bar and the margin.
    int32_t BodyTop() const { return top + titleHeight + margin; }
    // Narrows the target's clip to the body, from BodyTop to `bottomInset`
    // rows above the panel's bottom edge.
    void ClipToBody(Voke::Surface* target, int32_t bottomInset) const;
    // Drops the title.
    void Release();

    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    int32_t width;
    int32_t height;
    int32_t margin;
    int32_t titleHeight;
    Voke::SmartPtr<Voke::ScreenText> title;
};
