#include "game/menus/dialog_frame.h"

#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/menus/menu_support.h"

DialogFrame::DialogFrame() : left(0), top(0), right(0), bottom(0), width(0), height(0), margin(0), titleHeight(0) {}

void DialogFrame::Layout(const GameBase* owner, int32_t panelWidth, int32_t panelHeight, int32_t titleBarHeight,
                         int32_t panelMargin)
{
    const int32_t w = MenuSupport::ScreenWidth(owner), h = MenuSupport::ScreenHeight(owner);
    width = panelWidth;
    height = panelHeight;
    left = w / 2 - panelWidth / 2;
    right = w / 2 + panelWidth / 2;
    top = h / 2 - panelHeight / 2;
    bottom = h / 2 + panelHeight / 2;
    titleHeight = titleBarHeight;
    margin = panelMargin;
}

void DialogFrame::SetTitle(const GameBase* owner, const char* id)
{
    title = MenuSupport::LayoutTitle(owner, id, width);
}

void DialogFrame::Render(Voke::Surface* target) const
{
    DrawPanel(target, left, top, right, top + titleHeight);
    DrawPanel(target, left, top + titleHeight, right, bottom);
    MenuSupport::DrawText(target, title, CentreX() - MenuSupport::TextWidth(title) / 2,
                          top + titleHeight / 2 - MenuSupport::TextHeight(title) / 2);
}

void DialogFrame::ClipToBody(Voke::Surface* target, int32_t bottomInset) const
{
    MenuSupport::ClipTo(target, left, BodyTop(), left + width, top + height - bottomInset);
}

void DialogFrame::Release() { title = nullptr; }
