// The main menu's policeman: a walk cycle of 31 frames, facing left, with a
// torch held out in front, and the torch's beam as its own picture.
//
// The menu draws walk frame f with its top-left corner at (px + dx, 169 + dy),
// (dx, dy) from its frame offset table, and the beam rotated by -0.21 s about
// its pivot (94, 18), the pivot at (px + dx + 3, 169 + dy + 20 + 3.12 s), with
// s = sin(pi * walk phase). Each frame is posed in a cell whose origin is
// (px, 169), so the torch's lens is put exactly where the beam starts, and the
// arm reaches it from the shoulder. Like the runner's cell, the feet stand
// on cell row 73: screen row 242 in the menu, on the pavement of the menu's
// middle background.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/interface_painters.h"
#include "tools/picturegen/skeleton.h"

namespace PictureGen {

using namespace Kit;

namespace {

constexpr int kFrames = 31;
constexpr int kCell = 100;
// NOTE: the policeman's feet fill cell row 73; his frame offsets leave him
// about 41 px from the top of his cap to his soles.
constexpr double kGround = 74.0;
constexpr double kScale = 0.96;  // the runner's build, a little stockier
const int kOffsets[kFrames][2] = {
    {41, 31}, {40, 31}, {40, 32}, {41, 32}, {41, 32}, {41, 32}, {41, 32}, {41, 32}, {41, 31}, {41, 31}, {41, 31},
    {41, 31}, {41, 31}, {42, 31}, {42, 31}, {42, 31}, {40, 32}, {40, 32}, {40, 32}, {41, 32}, {42, 32}, {42, 32},
    {42, 32}, {42, 31}, {42, 31}, {42, 31}, {41, 31}, {41, 30}, {41, 30}, {41, 31}, {41, 31},
};
// The beam picture: its apex (the pivot) at the lens, opening to the left.
constexpr int kBeamWidth = 100, kBeamHeight = 37;
constexpr double kPivotX = 94, kPivotY = 18;

const Outfit& PolicemanOutfit()
{
    static const Outfit outfit = [] {
        Outfit o;
        o.skin = {232, 186, 148};
        o.hair = {52, 38, 30};
        o.shirt = {44, 62, 118};
        o.sleeve = {50, 70, 130};
        o.bareForearms = false;
        o.trousers = {30, 40, 78};
        o.shoes = {26, 26, 32};
        o.belt = {22, 22, 30};
        o.beltWidth = 2.4;
        o.cap = true;
        o.capColour = {32, 44, 92};
        o.capBand = {20, 24, 44};
        o.badge = {236, 196, 84};
        o.farShade = -0.28;
        return o;
    }();
    return outfit;
}

// A leg through a walking stride, s 0..1 from the heel strike.
const std::vector<LegKey> kWalk = {
    {0.00, 24, 4, -6}, {0.15, 14, 14, 0}, {0.32, 0, 6, 0},   {0.50, -18, 10, 24},
    {0.62, -12, 40, 40}, {0.76, 10, 58, 20}, {0.90, 26, 18, 0},
};

// The swing of frame f as the menu computes it (the middle of the frame's
// span of the walk phase) and the beam's turn at that swing.
double Swing(int f) { return std::sin(kPi * (f + 0.5) / kFrames); }
double BeamAngle(int f) { return -0.21 * Swing(f); }

struct Walker {
    Figure figure;
    Point lens;  // in the cell, after mirroring
};

// The policeman of frame f, posed facing +x and then mirrored to face left
// about the cell's middle.
Walker PoseWalker(int f)
{
    const double axis = kCell / 2.0;
    const double s = double(f) / kFrames;
    Pose p{};
    p[kHipX] = axis - 12;  // mirrored: 12 px right of the middle
    p[kHipY] = 60;
    p[kLean] = 3;
    p[kNod] = 4;
    LegAt(kWalk, s, p[kNearThigh], p[kNearKnee], p[kNearFoot]);
    LegAt(kWalk, s + 0.5, p[kFarThigh], p[kFarKnee], p[kFarFoot]);
    // The free arm swings against the near leg.
    double swing = std::cos(2 * kPi * s);
    p[kFarShoulder] = 4 + 20 * swing;
    p[kFarElbow] = 16 + 8 * swing;
    p[kNearShoulder] = 70;
    p[kNearElbow] = 10;

    const Build build = CharacterBuild().Scaled(kScale);
    Figure probe(build, PolicemanOutfit(), p);
    const double drop = kGround + 0.4 - probe.Bottom();

    // Where the menu puts the beam's pivot, and the torch behind it along
    // the beam; both in the unmirrored frame.
    const double lensX = kOffsets[f][0] + 3, lensY = kOffsets[f][1] + 20 + 3.12 * Swing(f);
    const double a = BeamAngle(f);
    const Point beam{-std::cos(a), -std::sin(a)};  // the beam's way on screen
    const Point lens{2 * axis - lensX, lensY};
    const Point fist{lens.x + 3.0 * beam.x, lens.y - 3.0 * beam.y};

    // Two-bone reach from the shoulder to the fist, elbow below the line.
    Point shoulder = probe.Shoulder();
    shoulder.y += drop;
    const double upper = build.upperArm, fore = build.forearm;
    double dx = fist.x - shoulder.x, dy = fist.y - shoulder.y;
    double d = std::min(std::hypot(dx, dy), upper + fore - 0.01);
    double toFist = std::atan2(dx, dy) * 180 / kPi;  // measured from straight down
    double bend = std::acos(std::clamp((upper * upper + d * d - fore * fore) / (2 * upper * d), -1.0, 1.0));
    double armAngle = toFist - bend * 180 / kPi;
    Point elbow{shoulder.x + upper * std::sin(armAngle * kPi / 180), shoulder.y + upper * std::cos(armAngle * kPi / 180)};
    double foreAngle = std::atan2(fist.x - elbow.x, fist.y - elbow.y) * 180 / kPi;
    p[kNearShoulder] = armAngle + p[kLean];
    p[kNearElbow] = foreAngle - armAngle;

    Walker w{Figure(build, PolicemanOutfit(), p), {lensX, lensY}};
    w.figure.Translate(0, drop);
    // The torch: a dark body in the fist and a bright lens.
    w.figure.AddStroke(fist, lens, 3.0, {40, 40, 46});
    w.figure.AddDisc(lens, 1.4, {255, 240, 190});
    w.figure.Mirror(axis);
    return w;
}

// The torch's beam: a soft cone of warm light from the lens at the pivot,
// fading with distance and softer at its edges.
Surface Beam()
{
    Surface beam = MakeSurface(kBeamWidth, kBeamHeight);
    Context cr = MakeContext(beam.get());
    cairo_pattern_t* fade = cairo_pattern_create_linear(kPivotX, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(fade, 0, 1.0, 0.96, 0.8, 0.16);
    cairo_pattern_add_color_stop_rgba(fade, 0.5, 1.0, 0.95, 0.78, 0.1);
    cairo_pattern_add_color_stop_rgba(fade, 1, 1.0, 0.94, 0.75, 0);
    cairo_set_source(cr.get(), fade);
    for (double half : {16.0, 12.5, 9.0, 5.5}) {
        cairo_move_to(cr.get(), kPivotX, kPivotY);
        cairo_line_to(cr.get(), 0, kPivotY - half);
        cairo_line_to(cr.get(), 0, kPivotY + half);
        cairo_close_path(cr.get());
        cairo_fill(cr.get());
    }
    cairo_pattern_destroy(fade);
    PaintRadial(cr.get(), kPivotX, kPivotY, 0, 5, {{0, 1, 0.97, 0.85, 0.7}, {1, 1, 0.97, 0.85, 0}});
    return beam;
}

struct WalkFrame {
    std::string name;
    Surface image;
    int dx, dy;
};

// The walk cycle at twice its size in the menu's own placement, the beam
// drawn as the menu turns it, and the walk at the game's size.
void PolicemanSheet(PictureSink& sink, const std::vector<WalkFrame>& frames, cairo_surface_t* beam)
{
    // NOTE: the cell's x 0-80, y 22-80, three times enlarged.
    const int zoom = 3, perRow = 6, shownW = 80 * zoom, shown = 58 * zoom, label = 14, gap = 6;
    int rows = (kFrames + perRow - 1) / perRow;
    Surface sheet = MakeSurface(perRow * (shownW + gap) + gap, rows * (shown + label + gap) + 30 + 100);
    Context cr = MakeContext(sheet.get());
    SheetHead(cr.get(), 0.1, 0.1, 0.14, gap, 20, "policeman: 31 walk frames with the torch beam as the menu turns it");
    // The beam of frame f as the menu turns it, for the frame's cell at (x, y).
    auto drawBeam = [&](int f, double x, double y) {
        const WalkFrame& w = frames[f];
        cairo_save(cr.get());
        cairo_translate(cr.get(), x + w.dx + 3, y + w.dy + 20 + std::trunc(3.12 * Swing(f)));
        cairo_rotate(cr.get(), BeamAngle(f));
        cairo_set_source_surface(cr.get(), beam, -kPivotX, -kPivotY);
        cairo_paint(cr.get());
        cairo_restore(cr.get());
    };
    for (int f = 0; f < kFrames; ++f) {
        int x = gap + (f % perRow) * (shownW + gap), y = 28 + (f / perRow) * (shown + label + gap);
        cairo_save(cr.get());
        cairo_translate(cr.get(), x, y);
        cairo_rectangle(cr.get(), 0, 0, shownW, shown);
        cairo_set_source_rgb(cr.get(), 0.2, 0.22, 0.34);
        cairo_fill_preserve(cr.get());
        cairo_clip(cr.get());
        cairo_scale(cr.get(), zoom, zoom);
        cairo_translate(cr.get(), 0, -22);
        const WalkFrame& w = frames[f];
        drawBeam(f, 0, 0);
        cairo_set_source_surface(cr.get(), w.image.get(), w.dx, w.dy);
        cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
        cairo_paint(cr.get());
        cairo_move_to(cr.get(), 0, kGround);
        cairo_line_to(cr.get(), kCell, kGround);
        cairo_set_line_width(cr.get(), 0.5);
        cairo_set_source_rgba(cr.get(), 0.3, 1, 0.3, 0.6);
        cairo_stroke(cr.get());
        cairo_restore(cr.get());
        SelectFont(cr.get(), FontStyle::Regular, 10);
        cairo_set_source_rgb(cr.get(), 0.85, 0.85, 0.9);
        FillText(cr.get(), x, y + shown + 11, w.name);
    }
    // Eight steps of the walk at the menu's size, 45 px/s apart in time.
    int y = 28 + rows * (shown + label + gap);
    for (int i = 0; i < 8; ++i) {
        int f = (i * 4) % kFrames;
        double px = 20 + i * 80;
        const WalkFrame& w = frames[f];
        drawBeam(f, px, y - 20);
        cairo_set_source_surface(cr.get(), w.image.get(), px + w.dx, y - 20 + w.dy);
        cairo_paint(cr.get());
    }
    sink.AddSheet("policeman", sheet.get());
}

}  // namespace

void PaintPoliceman(PictureSink& sink)
{
    std::vector<WalkFrame> frames;
    for (int f = 0; f < kFrames; ++f) {
        const std::string name = Numbered("policjant_idzie%04d.png", f);
        Walker w = PoseWalker(f);
        Surface cell = DrawInCell(w.figure, kCell, kGround);
        const int dx = kOffsets[f][0], dy = kOffsets[f][1];
        InkBox strong = FindInk(cell.get(), 48);
        if (strong.x < dx || strong.y < dy)
            sink.Fail(name + ": the policeman reaches outside his frame");
        InkBox ink = FindInk(cell.get());
        Surface image = CropSurface(cell.get(), dx, dy, ink.x + ink.w - dx, ink.y + ink.h - dy);
        sink.Add(kCharacterPage, name, image.get());
        frames.push_back({name, std::move(image), dx, dy});
    }
    Surface beam = Beam();
    sink.Add(kCharacterPage, "menu_main_latarka.png", beam.get());
    if (sink.SheetsEnabled()) PolicemanSheet(sink, frames, beam.get());
}

}  // namespace PictureGen
