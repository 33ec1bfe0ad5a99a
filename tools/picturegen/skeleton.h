// The posed skeleton that the runner and the policeman are drawn from.
//
// A pose is a handful of joint angles (hips, knees, feet, shoulders, elbows,
// neck) plus the hip position and a turn of the whole body; the build gives
// the bone lengths and stroke widths, so the proportions never change between
// frames. Limbs are round-capped strokes of fixed widths, the torso a capsule
// (striped for the runner) and the head a disc with hair or a cap. Light
// comes from the upper left: the near limbs are one tone lighter than the far
// ones.
//
// Angles are degrees in the figure's own frame, the figure facing +x:
// 0 points straight down, +90 forward, -90 backward, 180 up.
#pragma once

#include <cairo.h>

#include <array>
#include <vector>

#include "tools/picturegen/draw_kit.h"

namespace PictureGen {

enum PoseValue {
    kHipX,          // hip (the root) in cell pixels
    kHipY,
    kTurn,          // whole body turned about the hip, clockwise on screen
    kLean,          // torso forward of upright
    kNod,           // head forward of the torso line
    kNearThigh,     // thigh angle
    kNearKnee,      // knee bend: the shin points this much behind the thigh
    kNearFoot,      // toes pointed down from square to the shin
    kFarThigh,
    kFarKnee,
    kFarFoot,
    kNearShoulder,  // upper arm forward of the torso line
    kNearElbow,     // forearm folded forward of the upper arm
    kFarShoulder,
    kFarElbow,
    kPoseValues
};
using Pose = std::array<double, kPoseValues>;

struct PoseKey {
    double t;  // 0..1 through the animation
    Pose pose;
};

// The pose at t through the keys (sorted by t) on a Catmull-Rom curve, so
// joints move smoothly through every key. Cyclic animations wrap around from
// the last key to the first (t = 1 equals t = 0); the others hold their end
// keys before the first and after the last.
Pose PoseAt(const std::vector<PoseKey>& keys, double t, bool cyclic);

// One leg through a cyclic stride: at s (0..1 from the key at 0) the thigh,
// knee and foot values of a Pose (as kNearThigh, kNearKnee, kNearFoot),
// on PoseAt's curve through the keys (sorted by s).
struct LegKey {
    double s, thigh, knee, point;
};
void LegAt(const std::vector<LegKey>& stride, double s, double& thigh, double& knee, double& point);

// Bone lengths and stroke widths in pixels.
struct Build {
    double headRadius, neck, torso, hipWidth, chestWidth;
    double thigh, shin, thighWidth, shinWidth, foot, footWidth;
    double upperArm, forearm, upperArmWidth, forearmWidth, handRadius;
    double shoulderDrop;  // arms hang from this far below the torso's top

    Build Scaled(double factor) const;
};

// The build of the game's characters: the runner as he is, about 41 px
// upright and 39-41 px tall in the run; the policeman is it scaled.
const Build& CharacterBuild();

struct Outfit {
    Kit::Rgb skin, hair;
    Kit::Rgb shirt;                      // torso base
    Kit::Rgb stripeA, stripeB;           // light stripes; none when stripeWidth is 0
    double stripeWidth = 0;
    Kit::Rgb sleeve;                     // upper arms
    bool bareForearms = true;       // forearms in skin, else in the sleeve colour
    Kit::Rgb trousers, shoes;
    Kit::Rgb belt;                       // drawn when beltWidth > 0
    double beltWidth = 0;
    bool cap = false;               // a peaked cap instead of hair
    Kit::Rgb capColour, capBand, badge;
    double farShade = -0.25;        // the far limbs are this much darker
};

struct Point {
    double x = 0, y = 0;
};

// A posed figure as a list of filled shapes in cell pixels.
class Figure {
public:
    // The body turns by kTurn about the pivot, given in the figure's own
    // frame relative to the hip (a tucked body turns about its middle).
    Figure(const Build& build, const Outfit& outfit, const Pose& pose, Point pivot = {0, 0});

    void Draw(cairo_t* cr) const;
    // Lowest and highest y and the leftmost and rightmost x any shape reaches.
    double Bottom() const;
    double Top() const;
    double Left() const;
    double Right() const;
    void Translate(double dx, double dy);
    // Turns the figure round to face -x by mirroring it about x = axis.
    void Mirror(double axis);

    // Joint positions after posing (and any translation or mirroring).
    Point Shoulder() const { return m_shoulder; }
    Point Hip() const { return m_hip; }

    // Props held by the figure, drawn over it in the order added.
    void AddStroke(Point a, Point b, double width, Kit::Rgb colour);
    void AddDisc(Point c, double radius, Kit::Rgb colour);

private:
    struct Shape {
        enum Kind { Stroke, Disc, Torso, Head } kind;
        std::vector<Point> points;  // stroke ends, centre, torso hip/shoulder, head centre/up
        double width = 0;           // stroke width or disc radius; torso hip width
        double width2 = 0;          // torso chest width
        Kit::Rgb colour;
    };

    void DrawTorso(cairo_t* cr, const Shape& s) const;
    void DrawHead(cairo_t* cr, const Shape& s) const;
    std::vector<Point> Extremes(const Shape& s) const;
    // The greatest (or least) x or y any shape reaches.
    double Extent(double Point::*axis, bool greatest) const;

    Build m_build;
    Outfit m_outfit;
    std::vector<Shape> m_shapes;
    bool m_mirrored = false;
    Point m_shoulder, m_hip;
};

// The figure drawn in a transparent cell x cell picture; with floor > 0
// nothing of it goes below the row floor (the roof line its soles rest on).
Kit::Surface DrawInCell(const Figure& figure, int cell, double floor);

}  // namespace PictureGen
