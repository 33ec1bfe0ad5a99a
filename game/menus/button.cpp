#include "game/menus/button.h"

#include "engine/core/key_codes.h"
#include "engine/graphics/surface.h"
#include "engine/text/screen_text.h"
#include "game/core/pixel_math.h"
#include "game/menus/menu_support.h"

namespace {
const Voke::Color kBoxColour = Voke::MakeColor(0, 0, 0, 112);
const Voke::Color kFocusBoxColour = Voke::MakeColor(128, 128, 128, 128);
// NOTE: a focused button blinks 4 times a second: 1/8 s shown, 1/8 s hidden.
constexpr float kBlinkPhasesPerSecond = 8.0f;
}  // namespace

bool IsActivationKey(unsigned key)
{
    return key == Voke::KEY_SELECT || key == Voke::KEY_SPACE || key == Voke::KEY_PSP_CROSS;
}

Button::Button()
    : focused(false),
      enabled(true),
      visible(true),
      clicked(false),
      toggled(false),
      owner(nullptr),
      x(0),
      y(0),
      width(100),
      height(100),
      framed(false),
      time(0.0f),
      slideOffset(0.0f),
      slideSpeed(0.0f),
      slideDeceleration(0.0f),
      slideDirection(1),
      hasImages(false)
{
}

Button::~Button() { Release(); }

void Button::SetRect(int32_t newX, int32_t newY, int32_t newWidth, int32_t newHeight, bool newFramed)
{
    x = newX;
    y = newY;
    width = newWidth;
    height = newHeight;
    framed = newFramed;
}

void Button::SetSlide(int32_t direction, float offset, float speed, float deceleration)
{
    slideDirection = direction;
    slideOffset = offset;
    slideSpeed = speed;
    slideDeceleration = deceleration;
}

void Button::SetText(const Voke::WideString* text, bool useDefaultFont)
{
    if (!text) return;
    Voke::Text::Format format =
        MenuSupport::MakeFormat(owner, useDefaultFont ? "default" : "fontbig", {255, 255, 255, 255},
                                MenuSupport::kAlignCentre);
    caption = MenuSupport::Layout(format, *text, width);
    format.color = {255, 0, 0, 255};
    focusCaption = MenuSupport::Layout(format, *text, width);
}

void Button::SetImages(Voke::Surface* on, Voke::Surface* off)
{
    onImage = on;
    offImage = off;
    hasImages = true;
}

void Button::SetPicture(Voke::Surface* picture, int32_t newX, int32_t newY)
{
    SetImages(picture, picture);
    SetRect(newX, newY, MenuSupport::ImageWidth(picture), MenuSupport::ImageHeight(picture), false);
}

void Button::Show()
{
    time = 0.0f;
    clicked = false;
    visible = true;
    focused = false;
    enabled = true;
}

void Button::Update(float dt)
{
    if (!enabled) return;
    time += dt;
    slideOffset -= dt * slideSpeed;
    if (slideOffset < 0.0f) slideOffset = 0.0f;
    slideSpeed -= dt * slideDeceleration;
    if (slideSpeed < 0.0f) slideSpeed = 0.0f;
}

void Button::OnKeyDown(unsigned key)
{
    if (!focused || !IsActivationKey(key)) return;
    clicked = true;
    toggled = !toggled;
}

void Button::OnKeyUp(unsigned key)
{
    if (!focused || !IsActivationKey(key)) return;
    clicked = false;
}

void Button::OnPointerPressAt(int32_t px, int32_t py)
{
    // 64-bit sums: a rectangle near the int range must not wrap.
    const int64_t left = int64_t(x) - kHitMargin, right = int64_t(x) + width + kHitMargin;
    const int64_t top = int64_t(y) - kHitMargin, bottom = int64_t(y) + height + kHitMargin;
    if (px < left || px > right || py < top || py > bottom) return;
    clicked = true;
    toggled = !toggled;
}

int32_t Button::GetX() const { return x + slideDirection * TruncToPixel(slideOffset); }

void Button::Render(Voke::Surface* target)
{
    if (!visible) return;
    const int32_t drawnX = GetX();
    int32_t left = drawnX, top = y, w = width, h = height;
    const Voke::Color* colour = &kBoxColour;
    if (focused) {
        left -= 2;
        top -= 2;
        w += 4;
        h += 4;
        colour = &kFocusBoxColour;
    }
    const bool hiddenPhase = focused && (TruncToPixel(time * kBlinkPhasesPerSecond) & 1) != 0;

    if (!hasImages) {
        if (framed) {
            Voke::Surface::FillRect(target, left, top, left + w, top + h, colour);
            Voke::Surface::FillRect(target, left - 1, top + 1, left + w + 1, top + h - 1, colour);
        }
        if (hiddenPhase) return;
        const Voke::ScreenText* text = focused ? focusCaption.Get() : caption.Get();
        MenuSupport::DrawText(target, text, drawnX, y + height / 2 - MenuSupport::TextHeight(text) / 2);
        return;
    }

    if (hiddenPhase) return;
    MenuSupport::DrawImage(target, toggled ? onImage.Get() : offImage.Get(), drawnX, y);
    if (framed && focused) Voke::Surface::FillRect(target, left, top, left + w, top + h, colour);
}

void Button::Release()
{
    caption = nullptr;
    focusCaption = nullptr;
    onImage = nullptr;
    offImage = nullptr;
}
