// The picture generator's painters. Each one draws a family of the game's
// pictures into the sink; main runs them all in this order.
#pragma once

#include "tools/picturegen/picture_sink.h"

namespace PictureGen {

// The runner, the policeman, effects, head-up display, menus, buttons,
// panels, flags, splash, throbber and the tutorial picture.
void PaintCharactersAndInterface(PictureSink& sink);
// Buildings, obstacles and their halves, props, backgrounds, thunder, menu
// backgrounds, flights and decorations.
void PaintLevelArt(PictureSink& sink);

}  // namespace PictureGen
