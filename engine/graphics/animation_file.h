// Animation files: an XML document listing frame images with their times,
// loaded like any image into an AnimatedSurface.
//
//   <anim loop="yes" script="walk.lua">
//     <frame image="walk1.png@ck" time="100" x="0" y="-2"/>
//     ...
//   </anim>
//
// Root element of any name; "loop" a boolean (yes/no, 1/0, true/false;
// absent or empty is false); "script" a script file driving the frames
// (absent or empty: none); each "frame" needs "image" (an asset name,
// options included) and "time" (milliseconds, "%i"); "x" and "y" are
// optional draw offsets (absent or empty: 0). A file is taken as an
// animation when it starts with the 19 bytes <?xml version="1.0" .
#pragma once

#include "engine/graphics/animated_surface.h"

namespace Voke {

class SeekableStream;

struct AnimationFile {
    // NOTE: an animation may name other animations as frames; nesting deeper
    // than this (a file naming itself, or a cycle) is refused.
    static constexpr int kMaxNesting = 8;
    // NOTE: more frames than this make the file damaged.
    static constexpr unsigned kMaxFrames = 4096;

    // True when the stream's next 19 bytes are the XML declaration above.
    // A null stream gives false.
    static bool CanLoad(SeekableStream* stream);

    // Parses the whole stream and loads every frame image by its asset name
    // (through the engine's asset dictionary when there is one, sharing frames
    // between animations; else straight from the file). Returns a new
    // animation (count 0), or null when the file is not well-formed XML, has
    // no frame, a frame lacks "image" or a valid "time" (or has an "x" or
    // "y" that is not an integer), any frame image cannot be loaded, or the
    // nesting limit is reached.
    static AnimatedSurface* Load(SeekableStream* stream);
};

}  // namespace Voke
