// The push button of every menu page and dialog.
//
// A button keeps a rectangle on the logical 480 x 320 screen, a keyboard
// focus mark, a clicked mark that its page reads after forwarding input, a
// toggle bit, either a text caption or a pair of images, and a slide-in
// animation. It never calls its page back: the page forwards presses and key
// codes and then looks at `clicked` and `toggled`.
//
// Hits are tested at the rest position, grown by 5 pixels on every side,
// whatever the focus, visibility or slide: the page decides which buttons
// get a press. Keys act only on a focused button, and only the activation
// keys (select, space, cross). An image button whose image failed to load
// draws nothing in its place.
//
// Pages build their buttons in their Load on the game's loader thread,
// before any page is shown; everything else runs on the main thread.
// Copying a button shares its captions and images.
#pragma once

#include <cstdint>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {
class ScreenText;
class Surface;
}  // namespace Voke

class GameBase;

class Button {
public:
    // NOTE: presses this many pixels outside the rectangle still hit.
    static constexpr int32_t kHitMargin = 5;

    Button();
    ~Button();
    Button(const Button&) = default;
    Button& operator=(const Button&) = default;

    // The game, whose font set the captions use.
    void SetOwner(GameBase* game) { owner = game; }
    void SetRect(int32_t x, int32_t y, int32_t width, int32_t height, bool framed);
    // Starts a slide-in: the button is drawn `offset` pixels from its rest
    // position (to the right for direction +1, to the left for -1), and the
    // offset shrinks at `speed` px/s, the speed at `deceleration` px/s^2.
    void SetSlide(int32_t direction, float offset, float speed, float deceleration);
    // Lays the caption out in white and the focus caption in red, centred
    // over the current width, in the owner's "default" font (or "fontbig").
    // A null text leaves the button as it was.
    void SetText(const Voke::WideString* text, bool useDefaultFont);
    void SetText(const Voke::WideString& text, bool useDefaultFont) { SetText(&text, useDefaultFont); }
    // Replaces both images and makes this an image button (the caption is
    // no longer drawn). Either may be null.
    void SetImages(Voke::Surface* on, Voke::Surface* off);
    // Makes the picture both images and the button unframed and the
    // picture's size (0 x 0 for null), its top-left corner at (x, y).
    void SetPicture(Voke::Surface* picture, int32_t x, int32_t y);
    // Clock to 0, clicked and focus cleared, visible and enabled; the slide
    // and the toggle bit stay.
    void Show();
    // Advances the clock and the slide while enabled.
    void Update(float dt);
    void OnKeyDown(unsigned key);
    void OnKeyUp(unsigned key);
    // Hit test of the rest rectangle grown by kHitMargin, both bounds
    // included: a hit sets clicked and flips toggled.
    void OnPointerPressAt(int32_t x, int32_t y);
    void OnPointerReleaseAt(int32_t /*x*/, int32_t /*y*/) {}
    // The drawn left edge: x + direction * trunc(slide offset).
    int32_t GetX() const;
    int32_t GetY() const { return y; }
    int32_t GetWidth() const { return width; }
    int32_t GetHeight() const { return height; }
    void Render(Voke::Surface* target);
    // Drops the captions and the images.
    void Release();

    bool focused;
    bool enabled;
    bool visible;
    bool clicked;
    bool toggled;
    GameBase* owner;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    bool framed;
    Voke::SmartPtr<Voke::ScreenText> caption;
    Voke::SmartPtr<Voke::ScreenText> focusCaption;
    float time;
    float slideOffset;
    float slideSpeed;
    float slideDeceleration;
    int32_t slideDirection;
    bool hasImages;
    Voke::SmartPtr<Voke::Surface> onImage;
    Voke::SmartPtr<Voke::Surface> offImage;
};

// Whether a key activates the focused button: select, space or cross.
bool IsActivationKey(unsigned key);
