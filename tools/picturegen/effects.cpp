// Weather and fireworks sprites, the dust's neighbours on the character page.
//
// Rain drops fall down and to the left at 45 degrees, so the drop is a short
// streak along that line. The fireworks are drawn additively, centred on
// their particle: the flash is a wide soft burst, the five trail sparks are
// small glows in the five colours of the burst kinds.
#include <cmath>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/interface_painters.h"

namespace PictureGen {

using namespace Kit;

namespace {

Surface RainDrop()
{
    // NOTE: 7 x 7: a 6 px streak from the top right to the bottom left.
    Surface drop = MakeSurface(7, 7);
    Context cr = MakeContext(drop.get());
    cairo_pattern_t* fade = cairo_pattern_create_linear(6.5, 0.5, 0.5, 6.5);
    cairo_pattern_add_color_stop_rgba(fade, 0, 0.75, 0.84, 0.95, 0.0);
    cairo_pattern_add_color_stop_rgba(fade, 1, 0.84, 0.9, 1.0, 0.75);
    cairo_set_source(cr.get(), fade);
    cairo_set_line_width(cr.get(), 1.3);
    cairo_set_line_cap(cr.get(), CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr.get(), 6.2, 0.8);
    cairo_line_to(cr.get(), 1.2, 5.8);
    cairo_stroke(cr.get());
    cairo_pattern_destroy(fade);
    return drop;
}

Surface SnowFlake()
{
    Surface flake = MakeSurface(5, 5);
    Context cr = MakeContext(flake.get());
    PaintRadial(cr.get(), 2.5, 2.5, 0, 2.5, {{0, 1, 1, 1, 0.95}, {0.5, 0.95, 0.97, 1, 0.7}, {1, 0.95, 0.97, 1, 0}});
    return flake;
}

// The burst's flash: a soft round glow with twelve rays.
Surface Flash()
{
    const int size = 48;
    const double c = size / 2.0;
    Surface flash = MakeSurface(size, size);
    Context cr = MakeContext(flash.get());
    PaintRadial(cr.get(), c, c, 0, c,
                {{0, 1, 1, 0.92, 0.95}, {0.2, 1, 0.9, 0.6, 0.6}, {0.55, 1, 0.7, 0.35, 0.18}, {1, 1, 0.6, 0.3, 0}});
    cairo_set_line_cap(cr.get(), CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 12; ++i) {
        double a = i * kPi / 6 + 0.13;
        double inner = 4, outer = (i % 2 ? 15 : 21);
        cairo_pattern_t* ray = cairo_pattern_create_linear(c + inner * std::cos(a), c + inner * std::sin(a),
                                                           c + outer * std::cos(a), c + outer * std::sin(a));
        cairo_pattern_add_color_stop_rgba(ray, 0, 1, 0.97, 0.85, 0.8);
        cairo_pattern_add_color_stop_rgba(ray, 1, 1, 0.8, 0.5, 0);
        cairo_set_source(cr.get(), ray);
        cairo_set_line_width(cr.get(), 1.6);
        cairo_move_to(cr.get(), c + inner * std::cos(a), c + inner * std::sin(a));
        cairo_line_to(cr.get(), c + outer * std::cos(a), c + outer * std::sin(a));
        cairo_stroke(cr.get());
        cairo_pattern_destroy(ray);
    }
    return flash;
}

// A trail spark: a white-hot core in a coloured glow.
Surface Spark(Rgb colour)
{
    const int size = 9;
    const double c = size / 2.0;
    Surface spark = MakeSurface(size, size);
    Context cr = MakeContext(spark.get());
    double r = colour.r / 255.0, g = colour.g / 255.0, b = colour.b / 255.0;
    PaintRadial(cr.get(), c, c, 0, c, {{0, 1, 1, 1, 1}, {0.25, r, g, b, 0.95}, {0.6, r, g, b, 0.35}, {1, r, g, b, 0}});
    return spark;
}

}  // namespace

void PaintEffects(PictureSink& sink)
{
    sink.Add(kCharacterPage, "deszcz.png", RainDrop().get());
    sink.Add(kCharacterPage, "snieg.png", SnowFlake().get());
    sink.Add(kCharacterPage, "firework_big_04.png", Flash().get());
    // Trail kinds 0 to 4: red, gold, green, blue and pink.
    const struct {
        const char* name;
        Rgb colour;
    } sparks[] = {
        {"firework_small_02.png", {255, 80, 64}},   {"firework_small_04.png", {255, 200, 70}},
        {"firework_small_05.png", {110, 240, 110}}, {"firework_small_06.png", {100, 160, 255}},
        {"firework_small_07.png", {255, 110, 210}},
    };
    for (const auto& spark : sparks) sink.Add(kCharacterPage, spark.name, Spark(spark.colour).get());
}

}  // namespace PictureGen
