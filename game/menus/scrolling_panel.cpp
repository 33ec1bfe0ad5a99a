#include "game/menus/scrolling_panel.h"

#include <algorithm>

#include "engine/graphics/surface.h"
#include "game/menus/menu_support.h"

ScrollingPanel::ScrollingPanel() : active(false), scroll(0), dragY(0), dragging(false) {}

void ScrollingPanel::SetOwner(GameBase* game)
{
    closeButton.SetOwner(game);
    downButton.SetOwner(game);
    upButton.SetOwner(game);
}

void ScrollingPanel::Layout(const GameBase* owner, const char* titleId, int32_t panelWidth, int32_t panelHeight,
                            int32_t titleHeight, int32_t panelMargin)
{
    frame.Layout(owner, panelWidth, panelHeight, titleHeight, panelMargin);
    frame.SetTitle(owner, titleId);
}

void ScrollingPanel::PlaceButtons(int32_t arrowInset)
{
    using MenuSupport::ImageHeight;
    using MenuSupport::ImageWidth;
    const Voke::SmartPtr<Voke::Surface> close = MenuSupport::LoadImage("main_menu_red_back.png", true, false);
    const Voke::SmartPtr<Voke::Surface> down = MenuSupport::LoadImage("icon_arrow_down.png", false, false);
    const Voke::SmartPtr<Voke::Surface> up = MenuSupport::LoadImage("icon_arrow_up.png", false, false);
    closeButton.SetPicture(close, frame.CentreX() - ImageWidth(close) / 2,
                           frame.bottom - frame.margin / 2 - ImageHeight(close));
    downButton.SetPicture(down, frame.right - arrowInset - ImageWidth(down),
                          frame.bottom - 3 * frame.margin - ImageHeight(down));
    upButton.SetPicture(up, frame.right - arrowInset - ImageWidth(up),
                        frame.top + frame.titleHeight + 2 * frame.margin);
}

void ScrollingPanel::ShowButtons()
{
    closeButton.Show();
    downButton.Show();
    upButton.Show();
    closeButton.focused = true;
}

void ScrollingPanel::Update(float dt)
{
    closeButton.Update(dt);
    downButton.Update(dt);
    upButton.Update(dt);
}

void ScrollingPanel::Render(Voke::Surface* target)
{
    frame.Render(target);
    closeButton.Render(target);
    downButton.Render(target);
    upButton.Render(target);
}

int32_t ScrollingPanel::BeginLines(Voke::Surface* target) const
{
    frame.ClipToBody(target, kWindowBottomInset);
    return frame.BodyTop() - scroll;
}

void ScrollingPanel::OnKeyDown(unsigned key)
{
    closeButton.OnKeyDown(key);
    downButton.OnKeyDown(key);
    upButton.OnKeyDown(key);
    if (closeButton.clicked) active = false;
}

void ScrollingPanel::OnKeyUp(unsigned key)
{
    closeButton.OnKeyUp(key);
    downButton.OnKeyUp(key);
    upButton.OnKeyUp(key);
}

void ScrollingPanel::OnPointerPressAt(int32_t x, int32_t y)
{
    closeButton.clicked = downButton.clicked = upButton.clicked = false;
    closeButton.OnPointerPressAt(x, y);
    downButton.OnPointerPressAt(x, y);
    upButton.OnPointerPressAt(x, y);
    if (closeButton.clicked) active = false;
}

void ScrollingPanel::OnPointerDown(const TouchList& touches)
{
    if (touches.empty()) return;
    dragging = true;
    dragY = touches.front().y;
}

void ScrollingPanel::OnPointerMove(const TouchList& touches, int32_t maxScroll)
{
    if (!dragging) return;
    for (const TouchPoint& touch : touches) {
        // 64-bit difference: touch positions come from outside.
        ScrollBy(int64_t(dragY) - touch.y, maxScroll);
        dragY = touch.y;
    }
}

void ScrollingPanel::ScrollBy(int64_t delta, int32_t maxScroll)
{
    // 64-bit sum: a scroll without an upper limit may stand at the top of
    // the int range.
    scroll = int32_t(std::clamp<int64_t>(int64_t(scroll) + delta, 0, std::max(maxScroll, 0)));
}

void ScrollingPanel::Release()
{
    frame.Release();
    closeButton.Release();
    downButton.Release();
    upButton.Release();
}
