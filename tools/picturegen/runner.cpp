// The runner: 153 frames in nine states drawn from one posed skeleton, and
// the dust puff thrown off at his feet.
//
// Each frame is posed in the runner's 100 x 100 sprite cell, then cut out of
// the cell at the state's draw offset for that frame, so that the game, which
// puts the frame's top-left corner at the cell position plus the offset,
// draws it exactly where it was posed. Frames of the states on the roof have
// their lowest pixel row at y 73, the bottom of the collision box (x 43-49,
// y 31-73), over which the body stands. Death frames are cut to their ink,
// since the game centres them in the cell. Where a pose reaches left of (or,
// in the air, above) its offset, the whole figure moves right (or down) just
// enough; on the roof a pose that reaches above its offset fails the run.
// PICTUREGEN_VERBOSE=1 prints how each frame fits its offset.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/interface_painters.h"
#include "tools/picturegen/runner.h"

namespace PictureGen {

using namespace Kit;

namespace {

constexpr int kCell = 100;
constexpr double kGround = 74.0;  // the roof line: the feet fill row 73
// NOTE: ink fainter than this (alpha out of 255) may be cut off by a frame's
// offset; anything stronger must lie inside the frame.
constexpr int kFaintInk = 48;

struct Offset {
    int dx, dy;
};

// A lean young man in a striped shirt, two light tones on a dark base, dark
// trousers and light shoes: light parts read on the night levels, the dark
// base on the bright ones.
const Outfit& RunnerOutfit()
{
    static const Outfit outfit = [] {
        Outfit o;
        o.skin = {238, 190, 150};
        o.hair = {70, 44, 34};
        o.shirt = {38, 44, 70};
        o.stripeA = {238, 234, 216};
        o.stripeB = {150, 198, 228};
        o.stripeWidth = 2.0;
        o.sleeve = {226, 222, 204};
        o.bareForearms = true;
        o.trousers = {66, 74, 106};
        o.shoes = {240, 238, 230};
        o.farShade = -0.3;
        return o;
    }();
    return outfit;
}

Pose MakePose(double hipX, double hipY, double turn, double lean, double nod, double nThigh, double nKnee,
              double nFoot, double fThigh, double fKnee, double fFoot, double nShoulder, double nElbow,
              double fShoulder, double fElbow)
{
    return {hipX, hipY, turn, lean, nod, nThigh, nKnee, nFoot, fThigh, fKnee, fFoot, nShoulder, nElbow, fShoulder,
            fElbow};
}

// One leg through a running stride, s 0..1 from touchdown: stance until
// about 0.32, then the heel comes up under the seat and the knee drives
// forward for the next touchdown.
const std::vector<LegKey> kStride = {
    {0.00, 36, 22, 0},  {0.14, 16, 40, -6}, {0.30, -18, 46, 30}, {0.42, -10, 84, 52},
    {0.55, 32, 128, 44}, {0.70, 56, 104, 30}, {0.86, 58, 60, 14},
};

// The sprint at stride position s of the near leg; the far leg runs half a
// stride behind and each arm swings against its leg.
Pose RunPose(double s)
{
    const double twoPi = 2 * kPi;
    Pose p{};
    p[kHipX] = 48;
    p[kHipY] = 53;
    p[kLean] = 12 - 2.5 * std::cos(2 * twoPi * s);
    p[kNod] = 6;
    LegAt(kStride, s, p[kNearThigh], p[kNearKnee], p[kNearFoot]);
    LegAt(kStride, s + 0.5, p[kFarThigh], p[kFarKnee], p[kFarFoot]);
    // The near arm is furthest forward when the near leg pushes off.
    double swing = std::cos(twoPi * (s - 0.3));
    p[kNearShoulder] = 4 + 50 * swing;
    p[kNearElbow] = 78 + 22 * swing;
    p[kFarShoulder] = 4 - 50 * swing;
    p[kFarElbow] = 78 - 22 * swing;
    return p;
}

// NOTE: the run's first frame sits this far into the stride, which puts the
// legs' crossings on the frames whose offsets leave nothing behind the body.
constexpr double kRunStart = 0.22;

Pose RunFrame(int k) { return RunPose(kRunStart + k / 17.0); }

// Keys given by frame number for a state of n frames.
std::vector<PoseKey> Keys(int n, std::vector<std::pair<int, Pose>> frames)
{
    std::vector<PoseKey> keys;
    for (auto& [frame, pose] : frames) keys.push_back({frame / double(n - 1), pose});
    return keys;
}

struct RunnerState {
    const char* label;
    std::vector<std::string> files;
    std::vector<Offset> offsets;  // empty: centred in the cell (death)
    int groundedFrom, groundedTo;  // frames standing on the roof, inclusive
    std::function<Pose(int)> pose;
    Point pivot = {0, 0};  // what the body turns about, from the hip
};

// A tucked body turns about its middle, ahead of and above the hip.
constexpr Point kTuckPivot = {3, -5};

std::vector<std::string> Names(const char* pattern, int first, int step, int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(Numbered(pattern, first + i * step));
    return names;
}

std::vector<Offset> Offsets(std::initializer_list<int> pairs)
{
    std::vector<Offset> out;
    for (auto it = pairs.begin(); it != pairs.end(); it += 2) out.push_back({it[0], it[1]});
    return out;
}

std::function<Pose(int)> Keyed(int n, std::vector<std::pair<int, Pose>> frames)
{
    std::vector<PoseKey> keys = Keys(n, std::move(frames));
    return [keys, n](int k) { return PoseAt(keys, k / double(n - 1), false); };
}

// The nine states in the game's order, with the draw offsets the game uses.
std::vector<RunnerState> States()
{
    std::vector<RunnerState> states;
    const Pose run0 = RunFrame(0);

    states.push_back({"run", Names("cut_biegnie_%03d.png", 1, 1, 17),
                      Offsets({37, 35, 34, 35, 32, 34, 31, 34, 33, 34, 36, 34, 40, 35, 43, 35, 40, 34,
                               36, 34, 34, 33, 33, 33, 32, 33, 34, 34, 38, 34, 40, 35, 44, 35}),
                      0, 16, RunFrame});

    // Crouched take-off, tucked rise, a stretch at the top, legs cycling
    // through the fall and a tuck to meet the roof.
    states.push_back(
        {"jump", Names("cut_jump%03d.png", 1, 1, 46),
         Offsets({46, 35, 41, 34, 37, 33, 37, 33, 36, 33, 37, 33, 38, 33, 41, 33, 42, 33, 44, 32, 47, 28, 50, 26,
                  45, 27, 36, 28, 39, 30, 41, 33, 41, 34, 41, 35, 41, 35, 44, 34, 46, 29, 46, 29, 42, 30, 41, 31,
                  42, 33, 43, 33, 44, 33, 46, 33, 47, 33, 50, 33, 52, 33, 52, 34, 51, 34, 50, 34, 50, 34, 50, 36,
                  49, 36, 47, 37, 46, 37, 47, 38, 45, 38, 45, 38, 46, 38, 46, 39, 46, 40, 48, 39}),
         0, 1,
         Keyed(46, {
                       {0, MakePose(51, 54, 0, 30, 6, 60, 100, 10, 50, 96, 10, 10, 30, -4, 30)},
                       {1, MakePose(48, 53, 0, 22, 0, 20, 40, 30, 62, 96, 20, 20, 40, -20, 30)},
                       {4, MakePose(48, 52, 0, 14, -4, -24, 10, 50, 78, 104, 20, 110, 40, -30, 60)},
                       {8, MakePose(52, 53, 0, 10, -6, 10, 100, 50, 86, 116, 20, 140, 30, 60, 60)},
                       {11, MakePose(53, 54, 0, 6, -12, 96, 130, 10, 86, 124, 10, 168, 10, 150, 20)},
                       {13, MakePose(50, 53, 0, 10, -8, -6, 80, 40, 70, 100, 20, 90, 40, 120, 30)},
                       {17, MakePose(48, 53, 0, 10, -8, 30, 100, 20, 20, 60, 10, 60, 50, 100, 40)},
                       {20, MakePose(51, 54, 0, 6, -10, 60, 110, 10, 40, 80, 10, 160, 20, 90, 40)},
                       {24, MakePose(49, 53, 0, 12, -6, 20, 70, 20, 50, 60, 10, 70, 40, 110, 40)},
                       {29, MakePose(53, 54, 0, 18, -4, 70, 60, 10, 40, 80, 10, 80, 30, 60, 30)},
                       {34, MakePose(52, 58, 0, 26, 0, 80, 100, 10, 64, 96, 10, 70, 40, 50, 40)},
                       {40, MakePose(51, 62, 0, 34, 2, 80, 112, 6, 66, 106, 10, 60, 50, 80, 50)},
                       {45, MakePose(51, 62, 0, 34, 2, 82, 114, 6, 68, 108, 10, 64, 50, 84, 50)},
                   })});

    // A straight-arm punch from a lunge.
    states.push_back({"punch", Names("cut_cios01001%d.png", 3, 1, 5),
                      Offsets({34, 34, 36, 34, 39, 37, 42, 39, 37, 38}), 0, 4,
                      Keyed(5, {
                                   {0, MakePose(48, 53, 0, 16, -6, 30, 30, 0, -16, 24, 0, -46, 130, 50, 100)},
                                   {1, MakePose(49, 53, 0, 20, -6, 40, 44, 0, -26, 18, -6, 30, 100, 10, 110)},
                                   {2, MakePose(50, 53, 0, 26, -6, 52, 66, -4, -38, 12, -14, 96, 24, -20, 110)},
                                   {3, MakePose(51, 53, 0, 30, -8, 62, 84, -6, -46, 8, -20, 120, 0, -24, 120)},
                                   {4, MakePose(49, 53, 0, 24, -6, 48, 64, 0, -32, 14, -10, 70, 70, 20, 100)},
                               })});

    // A full forward somersault in a tuck, opening out to land.
    states.push_back(
        {"somersault", Names("cut_salto%03d.png", 40, 2, 26),
         Offsets({46, 34, 45, 33, 41, 30, 41, 30, 40, 37, 38, 46, 35, 44, 35, 42, 38, 37, 36, 36, 34, 37, 33, 37,
                  34, 38, 36, 38, 36, 36, 37, 30, 38, 27, 39, 27, 41, 31, 43, 31, 49, 32, 49, 33, 48, 34, 47, 36,
                  44, 35, 43, 36}),
         -1, -1,
         Keyed(26, {
                       {0, MakePose(50, 53, 0, 24, 0, 60, 84, 20, 36, 70, 30, -40, 20, -30, 20)},
                       {3, MakePose(49, 50, 20, 20, 0, 86, 116, 20, 70, 110, 24, 150, 30, 140, 30)},
                       {5, MakePose(46, 58, 70, 40, 30, 112, 146, 10, 104, 140, 10, 44, 100, 34, 100)},
                       {9, MakePose(45, 53, 165, 40, 30, 116, 148, 10, 108, 142, 10, 40, 104, 30, 104)},
                       {13, MakePose(46, 50, 265, 40, 30, 116, 148, 10, 108, 142, 10, 40, 104, 30, 104)},
                       {15, MakePose(47, 51, 320, 26, 10, 72, 96, 10, 56, 90, 10, 124, 40, 110, 40)},
                       {17, MakePose(48, 54, 360, 6, -10, 12, 22, 20, -6, 30, 24, 168, 12, 158, 16)},
                       {21, MakePose(50, 54, 360, 12, -6, 26, 32, 14, 10, 40, 20, 104, 30, 84, 30)},
                       {25, MakePose(49, 54, 360, 18, -4, 34, 46, 10, 20, 56, 16, 72, 40, 52, 40)},
                   }),
         kTuckPivot});

    // Landing roll: crouch, roll forward over the shoulder, rise.
    states.push_back(
        {"landing roll", Names("cut_turnover%03d.png", 1, 4, 13),
         Offsets({42, 33, 40, 36, 35, 43, 31, 51, 30, 54, 34, 47, 36, 51, 33, 53, 41, 54, 45, 49, 47, 46, 47, 44,
                  46, 42}),
         0, 12,
         Keyed(13, {
                       {0, MakePose(49, 53, 0, 20, -4, 36, 52, 10, 22, 60, 16, 72, 40, 52, 40)},
                       {1, MakePose(48, 53, 0, 40, 10, 80, 120, 0, 66, 110, 0, 90, 30, 80, 30)},
                       {2, MakePose(47, 53, 40, 50, 30, 110, 140, 0, 100, 135, 0, 70, 60, 60, 60)},
                       {3, MakePose(46, 53, 100, 45, 40, 125, 150, 10, 118, 150, 10, 50, 110, 40, 110)},
                       {5, MakePose(46, 53, 200, 45, 40, 125, 150, 10, 118, 150, 10, 50, 110, 40, 110)},
                       {7, MakePose(47, 53, 290, 45, 40, 125, 150, 10, 118, 150, 10, 50, 110, 40, 110)},
                       {8, MakePose(48, 53, 335, 48, 40, 122, 150, 0, 114, 150, 0, 60, 90, 50, 90)},
                       {9, MakePose(48, 53, 360, 45, 20, 105, 145, -10, 95, 135, -10, 80, 40, 70, 40)},
                       {12, MakePose(49, 53, 360, 36, 4, 76, 126, -4, 56, 108, 10, 50, 70, -10, 70)},
                   }),
         kTuckPivot});

    // Slide: dropping onto the hip with the near leg ahead along the roof,
    // the far leg folded under and a hand trailing behind.
    const Pose slideLow = MakePose(53, 66, 0, -68, 26, 86, 2, -30, 76, 162, 80, -50, 70, 30, 40);
    states.push_back({"slide", Names("slizg%04d.png", 7, 1, 8),
                      Offsets({45, 38, 42, 39, 40, 41, 39, 47, 38, 54, 38, 55, 37, 56, 36, 56}), 0, 7,
                      Keyed(8, {
                                   {0, MakePose(50, 53, 0, -2, -4, 60, 96, 0, 30, 100, 60, 40, 60, 20, 60)},
                                   {2, MakePose(51, 57, 0, -20, 4, 75, 40, -10, 50, 120, 60, -30, 40, 40, 40)},
                                   {3, MakePose(52, 60, 0, -40, 12, 82, 15, -20, 64, 140, 60, -40, 50, 36, 40)},
                                   {4, MakePose(52.5, 62, 0, -60, 22, 84, 6, -26, 72, 154, 74, -46, 62, 34, 40)},
                                   {5, MakePose(53, 64, 0, -62, 20, 85, 4, -28, 72, 156, 76, -48, 64, 32, 40)},
                                   {7, slideLow},
                               })});

    // Get-up from the slide back into the run.
    states.push_back({"get-up", Names("slizg%04d.png", 15, 1, 6),
                      Offsets({37, 57, 37, 51, 40, 46, 42, 41, 44, 37, 39, 34}), 0, 5,
                      Keyed(6, {
                                   {0, slideLow},
                                   {1, MakePose(52, 65, 0, -45, 16, 115, 155, 0, 76, 160, 80, -75, 10, 25, 40)},
                                   {2, MakePose(51, 61, 0, -18, 14, 95, 150, 10, 40, 130, 70, 45, 50, 5, 50)},
                                   {3, MakePose(50, 57, 0, 26, 4, 70, 124, 0, 30, 104, 40, 50, 60, 0, 60)},
                                   {4, MakePose(50, 55, 0, 24, 2, 48, 88, 0, 20, 78, 30, 40, 80, -10, 80)},
                                   {5, run0},
                               })});

    // Death: the runner hits a wall, is thrown back and falls.
    states.push_back({"death", Names("cut_death%03d.png", 1, 8, 8), {}, -1, -1,
                      Keyed(8, {
                                   {0, MakePose(50, 50, 0, -14, -26, 30, 24, 10, -10, 30, 20, 150, 20, 120, 30)},
                                   {2, MakePose(50, 50, -25, -20, -20, 50, 44, 10, 10, 64, 20, 176, 20, 100, 40)},
                                   {4, MakePose(50, 50, -55, -16, -14, 64, 50, 10, 24, 80, 20, 196, 30, 150, 30)},
                                   {7, MakePose(50, 50, -86, -10, -10, 72, 40, 10, 30, 70, 20, 160, 30, 110, 40)},
                               })});

    // Stumble: the foot catches, the arms fly up, he pitches forward with long
    // steps and hands low, and runs on.
    states.push_back(
        {"stumble", Names("potyka%04d.png", 25, 2, 24),
         Offsets({42, 32, 36, 30, 32, 29, 34, 33, 40, 36, 40, 38, 42, 39, 43, 40, 43, 42, 42, 43, 41, 46, 40, 48,
                  39, 48, 37, 48, 37, 46, 38, 44, 35, 42, 34, 39, 36, 36, 37, 34, 39, 34, 41, 35, 41, 34, 38, 32}),
         0, 23,
         Keyed(24, {
                       {0, MakePose(49, 53, 0, 18, -8, -8, 64, 40, 36, 30, 0, 100, 40, 80, 40)},
                       {2, MakePose(47, 53, 0, 24, -12, -30, 76, 40, 48, 40, 0, 172, 16, 160, 20)},
                       {5, MakePose(49, 53, 0, 44, 8, 50, 64, 0, -30, 22, 30, 90, 30, 110, 30)},
                       {7, MakePose(50, 53, 0, 50, 12, 10, 60, 20, 20, 60, 10, 94, 24, 92, 24)},
                       {8, MakePose(51, 53, 0, 54, 12, -20, 40, 30, 56, 74, 0, 96, 20, 80, 20)},
                       {9, MakePose(52, 53, 0, 58, 14, 24, 84, 10, 16, 80, 10, 92, 20, 76, 20)},
                       {10, MakePose(52, 53, 0, 60, 16, 60, 90, 0, -30, 40, 30, 90, 20, 70, 20)},
                       {12, MakePose(52, 53, 0, 66, 20, 76, 110, 0, -36, 40, 30, 84, 10, 64, 10)},
                       {13, MakePose(52, 53, 0, 66, 20, 24, 110, 20, 20, 100, 10, 86, 20, 58, 20)},
                       {14, MakePose(51, 53, 0, 58, 14, -30, 50, 30, 70, 100, 0, 90, 30, 50, 30)},
                       {16, MakePose(50, 53, 0, 48, 8, -20, 44, 30, 60, 84, 0, 90, 40, 40, 40)},
                       {17, MakePose(50, 53, 0, 44, 8, 10, 66, 20, 30, 86, 10, 70, 50, 20, 50)},
                       {19, MakePose(49, 53, 0, 32, 0, 40, 56, 0, -16, 44, 30, 50, 70, -10, 70)},
                       {23, run0},
                   })});
    return states;
}

bool Verbose() { return std::getenv("PICTUREGEN_VERBOSE") != nullptr; }

// Centred (death) frames may reach below the roof line; the others stop at
// it, their soles flat on it.
Surface RenderCell(const Figure& figure, bool clipAtRoof)
{
    return DrawInCell(figure, kCell, clipAtRoof ? kGround : 0);
}

struct RunnerFrame {
    std::string name;
    Surface image;
    int x, y;  // where the game puts the image in the cell
};

// Poses, places and cuts out one frame. Failures (ink that the offset would
// cut off, ink outside the cell) go to the sink.
RunnerFrame MakeFrame(PictureSink& sink, const RunnerState& state, int k)
{
    const std::string& name = state.files[k];
    bool grounded = k >= state.groundedFrom && k <= state.groundedTo;
    Figure figure(CharacterBuild(), RunnerOutfit(), state.pose(k), state.pivot);
    const bool centred = state.offsets.empty();
    // Grounded frames stand on the roof: the lowest point sinks a little into
    // it, so that the sole is flat along the roof line. Frames in the air
    // never reach below it either, so that landing shows no overlap.
    const double sunk = kGround + 0.4;
    if (grounded) figure.Translate(0, sunk - figure.Bottom());
    else if (!centred && figure.Bottom() > sunk) figure.Translate(0, sunk - figure.Bottom());

    Surface cell = RenderCell(figure, !centred);
    if (centred) {
        InkBox ink = FindInk(cell.get());
        return {name, CropSurface(cell.get(), ink.x, ink.y, ink.w, ink.h), 50 - ink.w / 2, 50 - ink.h / 2};
    }

    const Offset offset = state.offsets[k];
    InkBox strong = FindInk(cell.get(), kFaintInk);
    int shiftX = std::max(0, offset.dx - strong.x);
    int shiftY = grounded ? 0 : std::max(0, offset.dy - strong.y);
    if (grounded && strong.y < offset.dy)
        sink.Fail(name + ": the pose reaches " + std::to_string(offset.dy - strong.y) + " px above its frame");
    if (Verbose())
        std::printf("%-22s left %+3d top %+3d shift %d,%d\n", name.c_str(), strong.x - offset.dx,
                    strong.y - offset.dy, shiftX, shiftY);
    if (shiftX || shiftY) {
        figure.Translate(shiftX, shiftY);
        cell = RenderCell(figure, true);
    }
    InkBox ink = FindInk(cell.get());
    int right = ink.x + ink.w, bottom = ink.y + ink.h;
    if (ink.Empty() || right > kCell || bottom > kCell || right <= offset.dx || bottom <= offset.dy)
        sink.Fail(name + ": the frame leaves the sprite cell");
    return {name, CropSurface(cell.get(), offset.dx, offset.dy, right - offset.dx, bottom - offset.dy), offset.dx,
            offset.dy};
}

// Contact sheets: one per state, its frames in cells at twice the size with
// the collision box and the roof line, and one of the run at the game's own
// size on a night and a day roof.
void RunnerSheets(PictureSink& sink, const std::vector<RunnerState>& states,
                  const std::vector<std::vector<RunnerFrame>>& frames)
{
    // NOTE: the sheets show the middle of the cell (x 15-85, y 20-90) four
    // times enlarged; death frames, centred by the game, may reach further.
    const int zoom = 4, perRow = 6, viewX = 15, viewY = 20, view = 70, cellShown = view * zoom, label = 16,
              gap = 6;
    for (size_t s = 0; s < frames.size(); ++s) {
        int count = static_cast<int>(frames[s].size());
        int rows = (count + perRow - 1) / perRow;
        int width = std::min(count, perRow) * (cellShown + gap) + gap;
        int height = rows * (cellShown + label + gap) + 34;
        Surface sheet = MakeSurface(width, height);
        Context cr = MakeContext(sheet.get());
        SheetHead(cr.get(), 0.12, 0.12, 0.16, gap, 20,
                  std::string("runner, ") + states[s].label + ": red collision box, green roof line");
        for (int k = 0; k < count; ++k) {
            int x = gap + (k % perRow) * (cellShown + gap);
            int y = 30 + (k / perRow) * (cellShown + label + gap);
            cairo_save(cr.get());
            cairo_translate(cr.get(), x, y);
            cairo_rectangle(cr.get(), 0, 0, cellShown, cellShown);
            cairo_set_source_rgb(cr.get(), 0.27, 0.26, 0.36);
            cairo_fill_preserve(cr.get());
            cairo_clip(cr.get());
            cairo_scale(cr.get(), zoom, zoom);
            cairo_translate(cr.get(), -viewX, -viewY);
            const RunnerFrame& f = frames[s][k];
            cairo_set_source_surface(cr.get(), f.image.get(), f.x, f.y);
            cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
            cairo_paint(cr.get());
            cairo_set_line_width(cr.get(), 0.25);
            int boxTop = std::string(states[s].label) == "slide" ? 55 : 31;
            cairo_rectangle(cr.get(), 43, boxTop, 7, 74 - boxTop);
            cairo_set_source_rgba(cr.get(), 1, 0.2, 0.2, 0.8);
            cairo_stroke(cr.get());
            cairo_move_to(cr.get(), 0, kGround);
            cairo_line_to(cr.get(), kCell, kGround);
            cairo_set_source_rgba(cr.get(), 0.3, 1, 0.3, 0.7);
            cairo_stroke(cr.get());
            cairo_restore(cr.get());
            SelectFont(cr.get(), FontStyle::Regular, 11);
            cairo_set_source_rgb(cr.get(), 0.85, 0.85, 0.9);
            FillText(cr.get(), x, y + cellShown + 12, std::to_string(k) + "  " + f.name);
        }
        std::string name = std::string("runner_") + states[s].label;
        std::replace(name.begin(), name.end(), ' ', '_');
        sink.AddSheet(name, sheet.get());
    }

    // The run at the game's size, then scaled as the window shows it, over a
    // night roof and a day roof.
    const Rgb skies[2] = {{45, 40, 66}, {255, 231, 173}};
    const Rgb roofs[2] = {{20, 18, 32}, {110, 74, 56}};
    const double scales[2] = {1.0, 5.0 / 3.0};
    const int bandHeight = 190, width = 1200;
    Surface sheet = MakeSurface(width, 4 * bandHeight);
    Context cr = MakeContext(sheet.get());
    int y = 0;
    for (int band = 0; band < 2; ++band) {
        for (double scale : scales) {
            cairo_rectangle(cr.get(), 0, y, width, bandHeight);
            SetColour(cr.get(), skies[band]);
            cairo_fill(cr.get());
            cairo_rectangle(cr.get(), 0, y + 40 + 74 * scale, width, bandHeight);
            SetColour(cr.get(), roofs[band]);
            cairo_fill(cr.get());
            for (size_t s = 0; s < frames.size(); ++s) {
                const RunnerFrame& f = frames[s][frames[s].size() / 3];
                cairo_save(cr.get());
                cairo_rectangle(cr.get(), 0, y, width, bandHeight);
                cairo_clip(cr.get());
                cairo_translate(cr.get(), 10 + s * 130 * scale / 1.3, y + 40);
                cairo_scale(cr.get(), scale, scale);
                cairo_set_source_surface(cr.get(), f.image.get(), f.x - 30, f.y);
                cairo_paint(cr.get());
                cairo_restore(cr.get());
            }
            y += bandHeight;
        }
    }
    sink.AddSheet("runner_game_size", sheet.get());
}

// The dust puff: a soft light-grey blob, faded by the game per particle.
void PaintDust(PictureSink& sink)
{
    Surface dust = MakeSurface(7, 7);
    Context cr = MakeContext(dust.get());
    PaintRadial(cr.get(), 3.5, 3.5, 0.5, 3.5,
                {{0, 0.9, 0.88, 0.83, 0.9}, {0.6, 0.86, 0.84, 0.78, 0.55}, {1, 0.86, 0.84, 0.78, 0}});
    sink.Add(kCharacterPage, "kurz.png", dust.get());
}

}  // namespace

Figure PosedRunner(RunnerStateId state, int frame, double scale)
{
    static const std::vector<RunnerState> states = States();
    const RunnerState& s = states[state];
    return Figure(CharacterBuild().Scaled(scale), RunnerOutfit(), s.pose(frame),
                  {s.pivot.x * scale, s.pivot.y * scale});
}

void PaintRunner(PictureSink& sink)
{
    std::vector<RunnerState> states = States();
    std::vector<std::vector<RunnerFrame>> frames;
    for (const RunnerState& state : states) {
        frames.emplace_back();
        for (int k = 0; k < static_cast<int>(state.files.size()); ++k) {
            RunnerFrame frame = MakeFrame(sink, state, k);
            sink.Add(kCharacterPage, frame.name, frame.image.get());
            frames.back().push_back(std::move(frame));
        }
    }
    PaintDust(sink);
    if (sink.SheetsEnabled()) RunnerSheets(sink, states, frames);
}

}  // namespace PictureGen
