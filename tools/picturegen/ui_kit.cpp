#include "tools/picturegen/ui_kit.h"

#include <algorithm>
#include <cmath>

namespace PictureGen {

namespace {
constexpr double kPi = 3.14159265358979323846;

void Polygon(cairo_t* cr, std::initializer_list<std::pair<double, double>> points, double x, double y, double s)
{
    cairo_new_path(cr);
    for (auto [px, py] : points) cairo_line_to(cr, x + px * s, y + py * s);
    cairo_close_path(cr);
}
}  // namespace

void DrawIcon(cairo_t* cr, Icon icon, double x, double y, double s)
{
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    switch (icon) {
    case Icon::None: break;
    case Icon::Play:
        Polygon(cr, {{0.2, 0.08}, {0.9, 0.5}, {0.2, 0.92}}, x, y, s);
        cairo_fill(cr);
        break;
    case Icon::Star: {
        cairo_new_path(cr);
        for (int i = 0; i < 10; ++i) {
            double r = (i % 2 ? 0.21 : 0.5) * s;
            double a = -kPi / 2 + i * kPi / 5;
            cairo_line_to(cr, x + s / 2 + r * std::cos(a), y + s * 0.54 + r * std::sin(a));
        }
        cairo_close_path(cr);
        cairo_fill(cr);
        break;
    }
    case Icon::Trophy:
        Polygon(cr, {{0.2, 0.08}, {0.8, 0.08}, {0.74, 0.42}, {0.6, 0.56}, {0.4, 0.56}, {0.26, 0.42}}, x, y, s);
        cairo_fill(cr);
        cairo_rectangle(cr, x + 0.44 * s, y + 0.54 * s, 0.12 * s, 0.2 * s);
        cairo_rectangle(cr, x + 0.26 * s, y + 0.74 * s, 0.48 * s, 0.16 * s);
        cairo_fill(cr);
        cairo_set_line_width(cr, 0.09 * s);
        cairo_arc(cr, x + 0.2 * s, y + 0.24 * s, 0.12 * s, kPi / 2, 3 * kPi / 2);
        cairo_stroke(cr);
        cairo_arc_negative(cr, x + 0.8 * s, y + 0.24 * s, 0.12 * s, kPi / 2, -kPi / 2);
        cairo_stroke(cr);
        break;
    case Icon::Infinity:
        cairo_set_line_width(cr, 0.15 * s);
        cairo_new_path(cr);
        cairo_move_to(cr, x + 0.5 * s, y + 0.5 * s);
        cairo_curve_to(cr, x + 0.68 * s, y + 0.22 * s, x + 0.98 * s, y + 0.26 * s, x + 0.96 * s, y + 0.5 * s);
        cairo_curve_to(cr, x + 0.98 * s, y + 0.74 * s, x + 0.68 * s, y + 0.78 * s, x + 0.5 * s, y + 0.5 * s);
        cairo_curve_to(cr, x + 0.32 * s, y + 0.22 * s, x + 0.02 * s, y + 0.26 * s, x + 0.04 * s, y + 0.5 * s);
        cairo_curve_to(cr, x + 0.02 * s, y + 0.74 * s, x + 0.32 * s, y + 0.78 * s, x + 0.5 * s, y + 0.5 * s);
        cairo_stroke(cr);
        break;
    case Icon::Grid:
        for (int i = 0; i < 4; ++i) {
            RoundedRect(cr, x + (0.1 + 0.44 * (i % 2)) * s, y + (0.1 + 0.44 * (i / 2)) * s, 0.36 * s, 0.36 * s,
                        0.08 * s);
            cairo_fill(cr);
        }
        break;
    case Icon::Back:
        Polygon(cr, {{0.06, 0.5}, {0.48, 0.12}, {0.48, 0.34}, {0.94, 0.34}, {0.94, 0.66}, {0.48, 0.66}, {0.48, 0.88}},
                x, y, s);
        cairo_fill(cr);
        break;
    case Icon::Restart:
        cairo_set_line_width(cr, 0.15 * s);
        cairo_new_path(cr);
        cairo_arc(cr, x + 0.5 * s, y + 0.54 * s, 0.33 * s, -kPi * 0.35, kPi * 1.45);
        cairo_stroke(cr);
        Polygon(cr, {{0.58, 0.02}, {0.94, 0.22}, {0.6, 0.42}}, x, y, s);
        cairo_fill(cr);
        break;
    case Icon::Home:
        Polygon(cr, {{0.5, 0.06}, {0.96, 0.48}, {0.82, 0.48}, {0.82, 0.92}, {0.6, 0.92}, {0.6, 0.64},
                     {0.4, 0.64}, {0.4, 0.92}, {0.18, 0.92}, {0.18, 0.48}, {0.04, 0.48}},
                x, y, s);
        cairo_fill(cr);
        break;
    case Icon::Pause:
        RoundedRect(cr, x + 0.18 * s, y + 0.1 * s, 0.24 * s, 0.8 * s, 0.05 * s);
        RoundedRect(cr, x + 0.58 * s, y + 0.1 * s, 0.24 * s, 0.8 * s, 0.05 * s);
        cairo_fill(cr);
        break;
    case Icon::Info:
        cairo_set_line_width(cr, 0.1 * s);
        cairo_arc(cr, x + 0.5 * s, y + 0.5 * s, 0.42 * s, 0, 2 * kPi);
        cairo_stroke(cr);
        cairo_arc(cr, x + 0.5 * s, y + 0.29 * s, 0.08 * s, 0, 2 * kPi);
        cairo_fill(cr);
        RoundedRect(cr, x + 0.43 * s, y + 0.42 * s, 0.14 * s, 0.34 * s, 0.04 * s);
        cairo_fill(cr);
        break;
    case Icon::Cross:
        cairo_set_line_width(cr, 0.16 * s);
        cairo_move_to(cr, x + 0.22 * s, y + 0.22 * s);
        cairo_line_to(cr, x + 0.78 * s, y + 0.78 * s);
        cairo_move_to(cr, x + 0.78 * s, y + 0.22 * s);
        cairo_line_to(cr, x + 0.22 * s, y + 0.78 * s);
        cairo_stroke(cr);
        break;
    case Icon::Share:
        cairo_set_line_width(cr, 0.09 * s);
        cairo_move_to(cr, x + 0.74 * s, y + 0.22 * s);
        cairo_line_to(cr, x + 0.26 * s, y + 0.5 * s);
        cairo_line_to(cr, x + 0.74 * s, y + 0.78 * s);
        cairo_stroke(cr);
        for (auto [px, py] : {std::pair{0.74, 0.22}, {0.26, 0.5}, {0.74, 0.78}}) {
            cairo_arc(cr, x + px * s, y + py * s, 0.15 * s, 0, 2 * kPi);
            cairo_fill(cr);
        }
        break;
    }
    cairo_restore(cr);
}

void ShadowedText(cairo_t* cr, double x, double y, const std::string& utf8)
{
    SetColour(cr, Palette::kInk, 0.45);
    FillText(cr, x, y + 1, utf8);
    SetColour(cr, Palette::kText);
    FillText(cr, x, y, utf8);
}

Surface TextButton(const std::string& caption, int width, int height, ButtonStyle style, Icon icon, double textSize)
{
    Surface button = MakeSurface(width, height);
    Context context = MakeContext(button.get());
    cairo_t* cr = context.get();
    const double w = width, h = height;

    // Body: a capsule; the filled styles stand on a darker lower edge.
    const double bodyHeight = style == ButtonStyle::Secondary ? h : h - 2;
    if (style == ButtonStyle::Secondary) {
        Capsule(cr, 1, 1, w - 2, h - 2);
        SetColour(cr, Palette::kPanel, 0.88);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 2);
        SetColour(cr, Palette::kAccent);
        cairo_stroke(cr);
    } else {
        Rgb face = style == ButtonStyle::Primary ? Palette::kAccent : Palette::kBack;
        Capsule(cr, 0, 2, w, h - 2);
        SetColour(cr, Shade(face, -0.35));
        cairo_fill(cr);
        Capsule(cr, 0, 0, w, bodyHeight);
        SetColour(cr, face);
        cairo_fill(cr);
        // The lit upper rim, one tone lighter.
        cairo_save(cr);
        Capsule(cr, 0, 0, w, bodyHeight);
        cairo_clip(cr);
        Capsule(cr, 0, 1.5, w, bodyHeight);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        Capsule(cr, 0, 0, w, bodyHeight);
        SetColour(cr, Shade(face, 0.3));
        cairo_fill(cr);
        cairo_restore(cr);
    }

    // Content: icon and caption centred together.
    const double iconSize = icon == Icon::None ? 0 : std::round(bodyHeight * 0.5);
    const double gap = icon == Icon::None ? 0 : std::max(4.0, bodyHeight * 0.18);
    const double room = w - bodyHeight * 0.9 - iconSize - gap;
    double size = FitTextSize(cr, FontStyle::Bold, caption, room, textSize);
    FontStyle font = FontStyle::Bold;
    if (size < textSize * 0.8) {
        // Long words: the condensed face keeps them tall.
        font = FontStyle::CondensedBold;
        size = FitTextSize(cr, font, caption, room, textSize);
    }
    size = std::max(size, textSize * 0.6);
    SelectFont(cr, font, size);
    TextSize text = MeasureText(cr, caption);
    const double total = iconSize + gap + text.width;
    const double left = std::round((w - total) / 2);
    const double middle = bodyHeight / 2;
    if (icon != Icon::None) {
        SetColour(cr, Palette::kInk, 0.35);
        DrawIcon(cr, icon, left, std::round(middle - iconSize / 2) + 1, iconSize);
        SetColour(cr, style == ButtonStyle::Secondary ? Palette::kAccent : Palette::kText);
        DrawIcon(cr, icon, left, std::round(middle - iconSize / 2), iconSize);
    }
    // Capitals sit on the baseline: centre the cap height.
    const double capHeight = size * 0.73;
    ShadowedText(cr, left + iconSize + gap, std::round(middle + capHeight / 2), caption);
    return button;
}

const Words& WordsFor(const Language& language)
{
    static const Words en = {
        "PLAY", "SCORES", "ENDLESS MODE", "MORE GAMES", "CLICK TO CONTINUE", "BACK", "RESTART", "MAIN MENU",
        "PAUSE",
        {"PRISON", "UNDERGROUND", "SEWERS", "CONSTRUCTION YARD", "SUBURBS", "ROOFTOPS"},
        "HOW TO PLAY", "PUNCH", "Click the left half to smash obstacles", "JUMP",
        "Click the right half. Hold to jump higher, click again in the air for a somersault", "SLIDE",
        "Click the bottom strip to slide under low obstacles",
        u8"Keys:  \u2191 jump    SPACE punch    \u2193 slide    ESC pause", "Click anywhere to continue"};
    static const Words fr = {
        "JOUER", "SCORES", "MODE INFINI", "PLUS DE JEUX", "CLIQUEZ POUR CONTINUER", "RETOUR", "REJOUER",
        "MENU PRINCIPAL", "PAUSE",
        {"PRISON", u8"MÉTRO", u8"ÉGOUTS", "CHANTIER", "BANLIEUE", "TOITS"},
        "COMMENT JOUER", "FRAPPER", u8"Cliquez sur la moitié gauche pour briser les obstacles", "SAUTER",
        u8"Cliquez sur la moitié droite. Maintenez pour sauter plus haut, cliquez encore en l'air pour un salto",
        "GLISSER", "Cliquez sur la bande du bas pour glisser sous les obstacles bas",
        u8"Touches :  \u2191 sauter    ESPACE frapper    \u2193 glisser    ÉCHAP pause",
        u8"Cliquez n'importe où pour continuer"};
    static const Words it = {
        "GIOCA", "PUNTEGGI", u8"MODALITÀ INFINITA", "ALTRI GIOCHI", "CLICCA PER CONTINUARE", "INDIETRO", "RIGIOCA",
        "MENU PRINCIPALE", "PAUSA",
        {"PRIGIONE", "METROPOLITANA", "FOGNE", "CANTIERE", "PERIFERIA", "TETTI"},
        "COME SI GIOCA", "PUGNO", u8"Clicca sulla metà sinistra per distruggere gli ostacoli", "SALTO",
        u8"Clicca sulla metà destra. Tieni premuto per saltare più in alto, clicca di nuovo in aria per una "
        u8"capriola",
        "SCIVOLATA", "Clicca sulla striscia in basso per scivolare sotto gli ostacoli bassi",
        u8"Tasti:  \u2191 salto    SPAZIO pugno    \u2193 scivolata    ESC pausa", "Clicca ovunque per continuare"};
    static const Words de = {
        "SPIELEN", "BESTENLISTE", "ENDLOSMODUS", "MEHR SPIELE", "KLICKEN ZUM FORTFAHREN", u8"ZURÜCK", "NOCHMAL",
        u8"HAUPTMENÜ", "PAUSE",
        {u8"GEFÄNGNIS", "U-BAHN", "KANALISATION", "BAUSTELLE", "VORSTADT", u8"DÄCHER"},
        "SO WIRD GESPIELT", "SCHLAGEN", u8"Klicke auf die linke Hälfte, um Hindernisse zu zerschlagen", "SPRINGEN",
        u8"Klicke auf die rechte Hälfte. Halte gedrückt, um höher zu springen, klicke in der Luft erneut für "
        u8"einen Salto",
        "RUTSCHEN", "Klicke auf den unteren Streifen, um unter niedrigen Hindernissen durchzurutschen",
        u8"Tasten:  \u2191 springen    LEERTASTE schlagen    \u2193 rutschen    ESC Pause",
        "Klicke irgendwo, um weiterzuspielen"};
    static const Words es = {
        "JUGAR", u8"RÉCORDS", "MODO INFINITO", u8"MÁS JUEGOS", "HAZ CLIC PARA CONTINUAR", "VOLVER", "REINTENTAR",
        u8"MENÚ PRINCIPAL", "PAUSA",
        {u8"PRISIÓN", "METRO", "ALCANTARILLAS", "OBRAS", "AFUERAS", "AZOTEAS"},
        u8"CÓMO SE JUEGA", u8"PUÑETAZO", "Haz clic en la mitad izquierda para romper obstáculos", "SALTO",
        u8"Haz clic en la mitad derecha. Mantén pulsado para saltar más alto y vuelve a hacer clic en el aire "
        u8"para dar una voltereta",
        "DESLIZAR", "Haz clic en la franja inferior para deslizarte bajo los obstáculos bajos",
        u8"Teclas:  \u2191 saltar    ESPACIO puñetazo    \u2193 deslizar    ESC pausa",
        "Haz clic en cualquier parte para continuar"};
    if (language.code == "fr") return fr;
    if (language.code == "it") return it;
    if (language.code == "gr") return de;
    if (language.code == "es") return es;
    return en;
}

}  // namespace PictureGen
