#include "tools/picturegen/skeleton.h"

#include <algorithm>
#include <cmath>

namespace PictureGen {

using namespace Kit;

namespace {

double Radians(double degrees) { return degrees * kPi / 180.0; }

// Direction of an angle measured from straight down, +90 forward (+x).
Point Direction(double degrees)
{
    double a = Radians(degrees);
    return {std::sin(a), std::cos(a)};
}

Point Add(Point a, Point b, double scale = 1.0) { return {a.x + b.x * scale, a.y + b.y * scale}; }

double CatmullRom(double p0, double p1, double p2, double p3, double u)
{
    double u2 = u * u, u3 = u2 * u;
    return 0.5 * (2 * p1 + (p2 - p0) * u + (2 * p0 - 5 * p1 + 4 * p2 - p3) * u2 + (3 * p1 - p0 - 3 * p2 + p3) * u3);
}

}  // namespace

Pose PoseAt(const std::vector<PoseKey>& keys, double t, bool cyclic)
{
    int n = static_cast<int>(keys.size());
    if (n == 0) return Pose{};
    if (n == 1) return keys[0].pose;

    // Find the segment [k, k + 1] holding t and the local parameter u.
    int k = 0;
    double u = 0;
    if (cyclic) {
        t -= std::floor(t);
        double first = keys[0].t;
        if (t < first) t += 1.0;
        k = n - 1;
        for (int i = 0; i + 1 < n; ++i)
            if (t >= keys[i].t && t < keys[i + 1].t) k = i;
        double start = keys[k].t;
        double end = (k + 1 < n) ? keys[k + 1].t : keys[0].t + 1.0;
        u = (t - start) / (end - start);
    } else {
        if (t <= keys[0].t) return keys[0].pose;
        if (t >= keys[n - 1].t) return keys[n - 1].pose;
        for (int i = 0; i + 1 < n; ++i)
            if (t >= keys[i].t && t < keys[i + 1].t) k = i;
        u = (t - keys[k].t) / (keys[k + 1].t - keys[k].t);
    }
    auto at = [&](int i) -> const Pose& {
        if (cyclic) return keys[((i % n) + n) % n].pose;
        return keys[std::clamp(i, 0, n - 1)].pose;
    };
    Pose out{};
    for (int v = 0; v < kPoseValues; ++v)
        out[v] = CatmullRom(at(k - 1)[v], at(k)[v], at(k + 1)[v], at(k + 2)[v], u);
    return out;
}

void LegAt(const std::vector<LegKey>& stride, double s, double& thigh, double& knee, double& point)
{
    std::vector<PoseKey> keys;
    for (const LegKey& k : stride) {
        Pose p{};
        p[kNearThigh] = k.thigh;
        p[kNearKnee] = k.knee;
        p[kNearFoot] = k.point;
        keys.push_back({k.s, p});
    }
    Pose p = PoseAt(keys, s, true);
    thigh = p[kNearThigh];
    knee = p[kNearKnee];
    point = p[kNearFoot];
}

Build Build::Scaled(double f) const
{
    Build b = *this;
    for (double* v : {&b.headRadius, &b.neck, &b.torso, &b.hipWidth, &b.chestWidth, &b.thigh, &b.shin, &b.thighWidth,
                      &b.shinWidth, &b.foot, &b.footWidth, &b.upperArm, &b.forearm, &b.upperArmWidth,
                      &b.forearmWidth, &b.handRadius, &b.shoulderDrop})
        *v *= f;
    return b;
}

const Build& CharacterBuild()
{
    static const Build build = [] {
        Build b{};
        b.headRadius = 3.6;
        b.neck = 3.9;
        b.torso = 11.0;
        b.hipWidth = 6.0;
        b.chestWidth = 7.6;
        b.thigh = 9.6;
        b.shin = 9.4;
        b.thighWidth = 4.6;
        b.shinWidth = 3.8;
        b.foot = 4.4;
        b.footWidth = 2.8;
        b.upperArm = 6.8;
        b.forearm = 6.4;
        b.upperArmWidth = 3.2;
        b.forearmWidth = 2.7;
        b.handRadius = 1.6;
        b.shoulderDrop = 1.8;
        return b;
    }();
    return build;
}

Figure::Figure(const Build& b, const Outfit& o, const Pose& p, Point pivot) : m_build(b), m_outfit(o)
{
    const Point hip{p[kHipX], p[kHipY]};
    // Everything is posed upright about the hip, then turned by kTurn about
    // the pivot, which stays where it is when the body is not turned.
    const double turn = Radians(p[kTurn]);
    auto place = [&](Point local) {
        double c = std::cos(turn), s = std::sin(turn);
        double x = local.x - pivot.x, y = local.y - pivot.y;
        return Point{hip.x + pivot.x + x * c - y * s, hip.y + pivot.y + x * s + y * c};
    };
    const Point origin{0, 0};
    const double lean = p[kLean];
    const Point shoulderTop = Add(origin, Direction(180 - lean), b.torso);
    const Point shoulder = Add(shoulderTop, Direction(-lean), b.shoulderDrop);
    const Point head = Add(shoulderTop, Direction(180 - lean - p[kNod]), b.neck);
    const Point headUp = Add(head, Direction(180 - lean - p[kNod]), 1.0);

    struct Leg {
        Point knee, ankle, heel, toe;
    };
    auto leg = [&](double thigh, double knee, double point) {
        Leg l;
        l.knee = Add(origin, Direction(thigh), b.thigh);
        double shinAngle = thigh - knee;
        l.ankle = Add(l.knee, Direction(shinAngle), b.shin);
        double footAngle = shinAngle + 90 - point;
        l.heel = Add(l.ankle, Direction(footAngle), -b.foot * 0.25);
        l.toe = Add(l.ankle, Direction(footAngle), b.foot);
        return l;
    };
    struct Arm {
        Point elbow, hand;
    };
    auto arm = [&](double shoulderAngle, double elbow) {
        Arm a;
        double upper = shoulderAngle - lean;
        a.elbow = Add(shoulder, Direction(upper), b.upperArm);
        a.hand = Add(a.elbow, Direction(upper + elbow), b.forearm);
        return a;
    };

    const Leg nearLeg = leg(p[kNearThigh], p[kNearKnee], p[kNearFoot]);
    const Leg farLeg = leg(p[kFarThigh], p[kFarKnee], p[kFarFoot]);
    const Arm nearArm = arm(p[kNearShoulder], p[kNearElbow]);
    const Arm farArm = arm(p[kFarShoulder], p[kFarElbow]);
    const double far = o.farShade;

    auto drawArm = [&](const Arm& a, bool isNear) {
        double shade = isNear ? 0.0 : far;
        Rgb forearm = o.bareForearms ? o.skin : o.sleeve;
        AddStroke(place(shoulder), place(a.elbow), b.upperArmWidth, Shade(o.sleeve, shade));
        AddStroke(place(a.elbow), place(a.hand), b.forearmWidth, Shade(forearm, shade));
        AddDisc(place(a.hand), b.handRadius, Shade(o.skin, shade));
    };
    auto drawLeg = [&](const Leg& l, bool isNear) {
        double shade = isNear ? 0.0 : far;
        AddStroke(place(l.knee), place(l.ankle), b.shinWidth, Shade(o.trousers, shade));
        AddStroke(place(origin), place(l.knee), b.thighWidth, Shade(o.trousers, shade));
        AddStroke(place(l.heel), place(l.toe), b.footWidth, Shade(o.shoes, shade));
    };

    drawArm(farArm, false);
    drawLeg(farLeg, false);
    m_shapes.push_back({Shape::Torso, {place(origin), place(shoulderTop)}, b.hipWidth, b.chestWidth, o.shirt});
    drawLeg(nearLeg, true);
    m_shapes.push_back({Shape::Head, {place(head), place(headUp)}, b.headRadius, 0, o.skin});
    drawArm(nearArm, true);

    m_shoulder = place(shoulder);
    m_hip = place(origin);
}

void Figure::AddStroke(Point a, Point b, double width, Rgb colour)
{
    m_shapes.push_back({Shape::Stroke, {a, b}, width, 0, colour});
}

void Figure::AddDisc(Point c, double radius, Rgb colour)
{
    m_shapes.push_back({Shape::Disc, {c}, radius, 0, colour});
}

void Figure::Translate(double dx, double dy)
{
    for (Shape& s : m_shapes)
        for (Point& p : s.points) p = {p.x + dx, p.y + dy};
    m_shoulder = {m_shoulder.x + dx, m_shoulder.y + dy};
    m_hip = {m_hip.x + dx, m_hip.y + dy};
}

void Figure::Mirror(double axis)
{
    for (Shape& s : m_shapes)
        for (Point& p : s.points) p.x = 2 * axis - p.x;
    m_shoulder.x = 2 * axis - m_shoulder.x;
    m_hip.x = 2 * axis - m_hip.x;
    m_mirrored = !m_mirrored;
}

std::vector<Point> Figure::Extremes(const Shape& s) const
{
    std::vector<Point> out;
    auto box = [&out](Point c, double r) {
        out.push_back({c.x - r, c.y - r});
        out.push_back({c.x + r, c.y + r});
    };
    switch (s.kind) {
    case Shape::Stroke:
        box(s.points[0], s.width / 2);
        box(s.points[1], s.width / 2);
        break;
    case Shape::Disc: box(s.points[0], s.width); break;
    case Shape::Torso:
        box(s.points[0], s.width / 2);
        box(s.points[1], s.width2 / 2);
        break;
    case Shape::Head: box(s.points[0], s.width * (m_outfit.cap ? 1.6 : 1.1)); break;
    }
    return out;
}

double Figure::Extent(double Point::*axis, bool greatest) const
{
    double v = greatest ? -1e9 : 1e9;
    for (const Shape& s : m_shapes)
        for (Point p : Extremes(s)) v = greatest ? std::max(v, p.*axis) : std::min(v, p.*axis);
    return v;
}

double Figure::Bottom() const { return Extent(&Point::y, true); }
double Figure::Top() const { return Extent(&Point::y, false); }
double Figure::Left() const { return Extent(&Point::x, false); }
double Figure::Right() const { return Extent(&Point::x, true); }

void Figure::DrawTorso(cairo_t* cr, const Shape& s) const
{
    Point hip = s.points[0], top = s.points[1];
    double angle = std::atan2(top.y - hip.y, top.x - hip.x);
    double length = std::hypot(top.x - hip.x, top.y - hip.y);
    double rHip = s.width / 2, rChest = s.width2 / 2;

    cairo_save(cr);
    cairo_translate(cr, hip.x, hip.y);
    cairo_rotate(cr, angle);
    // Local frame: x runs from the hip (0) to the top of the torso (length).
    cairo_new_path(cr);
    cairo_arc(cr, length, 0, rChest, -kPi / 2, kPi / 2);
    cairo_arc(cr, 0, 0, rHip, kPi / 2, 3 * kPi / 2);
    cairo_close_path(cr);
    SetColour(cr, s.colour);
    cairo_fill_preserve(cr);
    cairo_clip(cr);
    if (m_outfit.stripeWidth > 0) {
        // Stripes run round the body: bands across the torso line, light
        // tones alternating, each a stripe width apart.
        double w = m_outfit.stripeWidth;
        int index = 0;
        for (double x = length + rChest - w * 1.5; x > -rHip; x -= 2 * w, ++index) {
            SetColour(cr, index % 2 ? m_outfit.stripeB : m_outfit.stripeA);
            cairo_rectangle(cr, x, -rChest - 1, w, 2 * rChest + 2);
            cairo_fill(cr);
        }
    }
    if (m_outfit.beltWidth > 0) {
        SetColour(cr, m_outfit.belt);
        cairo_rectangle(cr, 0.5, -rHip - 1, m_outfit.beltWidth, 2 * rHip + 2);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void Figure::DrawHead(cairo_t* cr, const Shape& s) const
{
    Point c = s.points[0];
    Point u{s.points[1].x - c.x, s.points[1].y - c.y};  // unit vector up the neck line
    Point f{-u.y, u.x};                                 // the way the face looks
    if (m_mirrored) f = {-f.x, -f.y};
    double r = s.width;
    auto at = [&](double fu, double uu) { return Point{c.x + (f.x * fu + u.x * uu) * r, c.y + (f.y * fu + u.y * uu) * r}; };
    auto polygon = [&](std::initializer_list<std::pair<double, double>> pts) {
        cairo_new_path(cr);
        for (auto [a, b] : pts) {
            Point p = at(a, b);
            cairo_line_to(cr, p.x, p.y);
        }
        cairo_close_path(cr);
    };

    // A small nose keeps the facing readable at a few pixels.
    polygon({{0.75, 0.2}, {1.22, -0.12}, {0.8, -0.38}});
    SetColour(cr, s.colour);
    cairo_fill(cr);
    cairo_new_path(cr);
    cairo_arc(cr, c.x, c.y, r, 0, 2 * kPi);
    cairo_fill(cr);

    if (!m_outfit.cap) {
        cairo_save(cr);
        cairo_new_path(cr);
        cairo_arc(cr, c.x, c.y, r + 0.35, 0, 2 * kPi);
        cairo_clip(cr);
        polygon({{-1.6, -0.75}, {-0.5, -0.6}, {-0.15, 0.15}, {0.5, 0.32}, {1.6, 0.55}, {1.6, 1.6}, {-1.6, 1.6}});
        SetColour(cr, m_outfit.hair);
        cairo_fill(cr);
        cairo_restore(cr);
        return;
    }
    // Peaked cap: crown, band, visor and badge.
    polygon({{-1.08, 0.1}, {-1.12, 1.05}, {-0.6, 1.45}, {0.95, 1.5}, {1.1, 1.05}, {1.05, 0.1}});
    SetColour(cr, m_outfit.capColour);
    cairo_fill(cr);
    polygon({{-1.08, 0.1}, {-1.1, 0.5}, {1.07, 0.5}, {1.05, 0.1}});
    SetColour(cr, m_outfit.capBand);
    cairo_fill(cr);
    polygon({{0.5, 0.22}, {1.75, 0.02}, {1.7, -0.22}, {0.55, -0.05}});
    SetColour(cr, Shade(m_outfit.capColour, -0.5));
    cairo_fill(cr);
    Point badge = at(0.55, 0.95);
    cairo_new_path(cr);
    cairo_arc(cr, badge.x, badge.y, r * 0.28, 0, 2 * kPi);
    SetColour(cr, m_outfit.badge);
    cairo_fill(cr);
    // Hair shows below the cap at the back.
    polygon({{-1.02, 0.1}, {-0.98, -0.5}, {-0.55, -0.35}, {-0.4, 0.1}});
    SetColour(cr, m_outfit.hair);
    cairo_fill(cr);
}

void Figure::Draw(cairo_t* cr) const
{
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (const Shape& s : m_shapes) {
        switch (s.kind) {
        case Shape::Stroke:
            cairo_new_path(cr);
            cairo_move_to(cr, s.points[0].x, s.points[0].y);
            cairo_line_to(cr, s.points[1].x, s.points[1].y);
            cairo_set_line_width(cr, s.width);
            SetColour(cr, s.colour);
            cairo_stroke(cr);
            break;
        case Shape::Disc:
            cairo_new_path(cr);
            cairo_arc(cr, s.points[0].x, s.points[0].y, s.width, 0, 2 * kPi);
            SetColour(cr, s.colour);
            cairo_fill(cr);
            break;
        case Shape::Torso: DrawTorso(cr, s); break;
        case Shape::Head: DrawHead(cr, s); break;
        }
    }
    cairo_restore(cr);
}

Surface DrawInCell(const Figure& figure, int cell, double floor)
{
    Surface picture = MakeSurface(cell, cell);
    Context cr = MakeContext(picture.get());
    if (floor > 0) {
        cairo_rectangle(cr.get(), 0, 0, cell, floor);
        cairo_clip(cr.get());
    }
    figure.Draw(cr.get());
    return picture;
}

}  // namespace PictureGen
