// The interface's one look: dark translucent panels with a light edge, rounded
// ends, white DejaVu text, and a warm orange for everything that can be
// pressed. Buttons, icons and the words baked into pictures in each language.
#pragma once

#include <string>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/interface_painters.h"

namespace PictureGen {

namespace Palette {
inline constexpr Kit::Rgb kAccent = {246, 140, 44};      // what can be pressed
inline constexpr Kit::Rgb kAccentLight = {255, 186, 104};
inline constexpr Kit::Rgb kAccentDark = {178, 84, 20};
inline constexpr Kit::Rgb kBack = {214, 72, 50};         // the red back button
inline constexpr Kit::Rgb kPanel = {37, 38, 58};         // panel body, as the HUD's "c25263a.png"
inline constexpr Kit::Rgb kPanelEdge = {74, 73, 115};    // panel edge, as the HUD's "c4a4973.png"
inline constexpr Kit::Rgb kInk = {24, 22, 34};           // shadows under text and icons
inline constexpr Kit::Rgb kText = {255, 255, 255};
}  // namespace Palette

enum class Icon { None, Play, Star, Trophy, Infinity, Grid, Back, Restart, Home, Pause, Info, Cross, Share };

// Draws an icon in the square (x, y, size) with the current source.
void DrawIcon(cairo_t* cr, Icon icon, double x, double y, double size);

enum class ButtonStyle {
    Primary,    // filled accent: the main action of a screen
    Secondary,  // dark panel with an accent edge
    Back,       // filled red
};

// A capsule button of exactly width x height with an icon and a caption
// centred together; the caption shrinks (down to 60 % of textSize) to fit.
Kit::Surface TextButton(const std::string& caption, int width, int height, ButtonStyle style, Icon icon,
                   double textSize);

// Fills the current path as a translucent dark panel and edges it with a
// 2 px accent line: secondary buttons and round icon buttons.
void AccentEdgedPanel(cairo_t* cr);

// White text with a soft dark shadow, left edge at x and baseline at y.
void ShadowedText(cairo_t* cr, double x, double y, const std::string& utf8);

// Words baked into the pictures, one set per language.
struct Words {
    std::string play, scores, endless, moreGames, tapToContinue, back, restart, mainMenu, pause;
    std::string levels[6];
    // Tutorial picture.
    std::string howToPlay, punch, punchHint, jump, jumpHint, slide, slideHint, keys, clickToContinue;
};
const Words& WordsFor(const Language& language);

}  // namespace PictureGen
