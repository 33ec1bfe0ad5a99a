#include "tools/picturegen/ui_kit.h"

#include <algorithm>
#include <cmath>

namespace PictureGen {

using namespace Kit;

namespace {

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

void AccentEdgedPanel(cairo_t* cr)
{
    SetColour(cr, Palette::kPanel, 0.88);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 2);
    SetColour(cr, Palette::kAccent);
    cairo_stroke(cr);
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
        AccentEdgedPanel(cr);
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
    // The words follow the language files: the same names for the levels and
    // the pages, and the controls as the about page tells them.
    static const Words en = {
        "PLAY", "HIGH SCORES", "ENDLESS MODE", "MORE GAMES", "TAP TO CONTINUE", "BACK", "PLAY AGAIN", "MAIN MENU",
        "PAUSE",
        {"PRISON", "UNDERGROUND", "SEWERS", "CONSTRUCTION YARD", "SUBURBS", "ROOFTOPS"},
        "HOW TO PLAY", "PUNCH", "Tap the left half to punch through crates", "JUMP",
        "Tap the right half to jump. Keep your finger down to jump higher, tap again in the air to somersault",
        "SLIDE", "Tap the bottom edge of the screen to slide",
        u8"Keys:  \u2191 jump    \u2193 slide    SPACE punch    BACKSPACE pause", "Tap anywhere to continue"};
    static const Words fr = {
        "JOUER", "MEILLEURS SCORES", "MODE SANS FIN", "PLUS DE JEUX", "TOUCHEZ POUR CONTINUER", "RETOUR", "REJOUER",
        "MENU PRINCIPAL", "PAUSE",
        {"PRISON", u8"MÉTRO", u8"ÉGOUTS", "CHANTIER", "BANLIEUE", "TOITS"},
        "COMMENT JOUER", "FRAPPER", u8"Touchez la moitié gauche pour briser les caisses", "SAUTER",
        u8"Touchez la moitié droite pour sauter. Gardez le doigt appuyé pour sauter plus haut, touchez à nouveau "
        u8"en l\u2019air pour un salto",
        "GLISSER", u8"Touchez le bas de l\u2019écran pour glisser",
        u8"Clavier :  \u2191 sauter    \u2193 glisser    ESPACE frapper    RETOUR ARRIÈRE pause",
        u8"Touchez l\u2019écran pour continuer"};
    static const Words it = {
        "GIOCA", "RECORD", u8"MODALITÀ INFINITA", "ALTRI GIOCHI", "TOCCA PER CONTINUARE", "INDIETRO", "GIOCA ANCORA",
        "MENU PRINCIPALE", "PAUSA",
        {"PRIGIONE", "METROPOLITANA", "FOGNE", "CANTIERE EDILE", "PERIFERIA", "TETTI"},
        "COME SI GIOCA", "PUGNO", u8"Tocca la metà sinistra per sfondare le casse", "SALTO",
        u8"Tocca la metà destra per saltare. Tieni il dito premuto per saltare più in alto, tocca di nuovo in aria "
        u8"per una capriola",
        "SCIVOLATA", "Tocca il bordo inferiore dello schermo per scivolare",
        u8"Tasti:  \u2191 salto    \u2193 scivolata    SPAZIO pugno    BACKSPACE pausa", "Tocca lo schermo per continuare"};
    static const Words de = {
        "SPIELEN", "BESTENLISTE", "ENDLOSMODUS", "MEHR SPIELE", "TIPPEN ZUM FORTFAHREN", u8"ZURÜCK", "NOCHMAL SPIELEN",
        u8"HAUPTMENÜ", "PAUSE",
        {u8"GEFÄNGNIS", "U-BAHN", "KANALISATION", "BAUSTELLE", "VORSTADT", u8"DÄCHER"},
        "SO WIRD GESPIELT", "SCHLAGEN", u8"Tippe auf die linke Hälfte, um Kisten zu zerschlagen", "SPRINGEN",
        u8"Tippe auf die rechte Hälfte, um zu springen. Halte den Finger gedrückt, um höher zu springen, tippe in "
        u8"der Luft noch einmal für einen Salto",
        "RUTSCHEN", "Tippe auf den unteren Rand, um zu rutschen",
        u8"Tasten:  \u2191 springen    \u2193 rutschen    LEERTASTE schlagen    RÜCKTASTE Pause",
        "Tippe auf den Bildschirm, um weiterzuspielen"};
    static const Words es = {
        "JUGAR", u8"RÉCORDS", "MODO INFINITO", u8"MÁS JUEGOS", "TOCA PARA CONTINUAR", "VOLVER", "VOLVER A JUGAR",
        u8"MENÚ PRINCIPAL", "PAUSA",
        {u8"PRISIÓN", "METRO", "ALCANTARILLAS", "OBRAS", "AFUERAS", "AZOTEAS"},
        u8"CÓMO SE JUEGA", u8"PUÑETAZO", "Toca la mitad izquierda para romper las cajas", "SALTO",
        u8"Toca la mitad derecha para saltar. Mantén el dedo pulsado para saltar más alto y vuelve a tocar en el "
        u8"aire para dar una voltereta",
        "DESLIZAR", "Toca el borde inferior de la pantalla para deslizarte",
        u8"Teclas:  \u2191 saltar    \u2193 deslizarte    ESPACIO golpear    RETROCESO pausa",
        "Toca la pantalla para continuar"};
    if (language.code == "fr") return fr;
    if (language.code == "it") return it;
    if (language.code == "gr") return de;
    if (language.code == "es") return es;
    return en;
}

}  // namespace PictureGen
