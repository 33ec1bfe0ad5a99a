#include "tests/content/game_names.h"

#include <cstdio>

namespace ContentNames {

namespace {

// printf-style name of one number.
std::string Format(const char* format, int n)
{
    char name[128];
    std::snprintf(name, sizeof name, format, n);
    return name;
}

// The names of `format` for first, first + step, ... up to last.
void AddSeries(std::vector<std::string>& names, const char* format, int first, int last, int step = 1)
{
    for (int n = first; n <= last; n += step) names.push_back(Format(format, n));
}

void Add(std::vector<std::string>& names, std::initializer_list<const char*> more)
{
    for (const char* name : more) names.push_back(name);
}

}  // namespace

std::vector<std::string> DataFiles()
{
    std::vector<std::string> names = {"level_gameplay.xml", "player_params.xml", "obstacles.xml", "endless.xml",
                                      "controls.xml", "resolution_dependence.xml", "the_end.xml"};
    AddSeries(names, "build_arrange_lev%d.xml", 1, 6);
    return names;
}

std::vector<std::string> LanguageFiles()
{
    return {"l10n/en.xml", "l10n/fr.xml", "l10n/it.xml", "l10n/de.xml", "l10n/es.xml"};
}

std::vector<std::string> Fonts() { return {"fontMenu.xml", "fontbig.xml"}; }

std::vector<std::string> TextIds()
{
    std::vector<std::string> ids = {
        // Head-up display banner and level buttons.
        "IDS_PRISON", "IDS_UNDERGROUND", "IDS_SEWERS", "IDS_CONSTRUCTION_YARD", "IDS_SUBURBS", "IDS_ROOFTOPS",
        "IDS_METRO", "IDS_FACTORY",
        // Menu pages.
        "IDS_MENU_HELP_ABOUT", "IDS_READ_MORE_DOWN", "IDS_READ_MORE_UP", "IDS_CLOSE", "IDS_SCORES", "IDS_COMPLETED",
        "IDS_POINTS", "IDS_ENDLESS_MODE", "IDS_EXIT GAME", "IDS_YES", "IDS_NO",
        // Game over.
        "IDS_GAME_OVER", "IDS_RESTART_GAME", "IDS_BACK_TO_MAIN_MENU", "IDS_DISTANCE", "IDS_SHORT_METERS",
        "IDS_SCORE", "IDS_JUMPS", "IDS_RUNNING_TIME", "IDS_OBSTACLES_DESTROYED"};
    AddSeries(ids, "IDS_ABOUT_LINE_%d", 1, 37);
    return ids;
}

std::vector<std::string> LiteralTexts()
{
    return {"PAUSED", "100 %", "11:00 PM", "3:00 AM", "7:00 AM", "11:00 AM", "3:00 PM",
            "7:00 PM", "0123456789", ":", "X", "FACEBOOK", ". ", "! ", ": ", ", ", " 0h:00m:00s", "Vexbolt!"};
}

std::vector<std::string> CommonAtlases()
{
    std::vector<std::string> names = {"ab01.xml", "ab02.xml"};
    AddSeries(names, "level%02d.xml", 1, 6);
    return names;
}

std::vector<std::string> LanguageAtlases(const std::string& code)
{
    return {"ab_" + code + ".xml", "ab02_" + code + ".xml"};
}

std::vector<std::string> EarlyPictures()
{
    return {"ostrel_logo.png", "throbber-alpha.png@linear", "flag_en.png", "flag_fr.png",
            "flag_it.png",     "flag_gr.png",               "flag_es.png"};
}

std::vector<std::string> Pictures()
{
    std::vector<std::string> names;

    // The runner: nine animations and the dust puff.
    AddSeries(names, "cut_biegnie_%03d.png", 1, 17);
    AddSeries(names, "cut_jump%03d.png", 1, 46);
    AddSeries(names, "cut_cios01001%d.png", 3, 7);
    AddSeries(names, "cut_salto%03d.png", 40, 90, 2);
    AddSeries(names, "cut_turnover%03d.png", 1, 49, 4);
    AddSeries(names, "slizg%04d.png", 7, 20);
    AddSeries(names, "cut_death%03d.png", 1, 57, 8);
    AddSeries(names, "potyka%04d.png", 25, 71, 2);
    Add(names, {"kurz.png"});

    // Building pieces of the six levels (pieces shared by two levels are
    // listed once).
    AddSeries(names, "lev1_buildin1_%02d.png", 1, 3);
    AddSeries(names, "lev1_buildin2_%02d.png", 1, 3);
    Add(names, {"lev1_buildin3_01.png", "lev1_buildin3_02.png", "lev1_buildin3_03.png", "lev1_buildin3_04.png",
                "lev1_buildin3_06.png", "lev1_buildin3_07.png", "lev1_buildin3_08.png", "lev1_buildin3_09.png",
                "lev1_buildin3_10.png"});
    AddSeries(names, "lev1_buildin4_%02d.png", 1, 5);
    Add(names, {"lev1_buildin5_01.png", "lev1_buildin5_02.png", "lev1_buildin6_01.png"});
    Add(names, {"lev2_train01.png", "lev2_train02.png", "lev2_train02_grafiti1.png", "lev2_train02_grafiti2.png",
                "lev2_train03.png", "lev2_train04.png", "lev2_second_coll_01.png"});
    AddSeries(names, "lev2_platform_run%02d.png", 1, 3);
    AddSeries(names, "lev3_build_b_%02d.png", 1, 5);
    Add(names, {"lev3_build_a_01_sec_collision.png", "lev3_build_a_02_sec_collision.png"});
    AddSeries(names, "lev4_buildin1_%02d.png", 1, 3);
    AddSeries(names, "lev4_buildin2_%02d.png", 1, 3);
    Add(names, {"lev4_buildin2_02_sec_collision.png", "lev4_buildin3_sec_collision.png"});
    AddSeries(names, "lev4_buildin3_%02d.png", 1, 3);
    AddSeries(names, "lev4_buildin4_%02d.png", 1, 5);
    Add(names, {"lev4_belka_01.png", "lev4_belka_02_b.png", "lev4_belka_03.png"});
    for (int style = 1; style <= 4; ++style)
        for (int piece = 1; piece <= 3; ++piece) names.push_back(Format("lev5_buildin%d_", style) + Format("%02d.png", piece));
    Add(names, {"lev5_second_collision_klatka.png", "lev5_second_collision_komin.png",
                "lev5_second_collision_rura1.png", "lev5_second_collision_wentylacja.png"});
    for (int style = 1; style <= 5; ++style)
        for (int piece = 1; piece <= 3; ++piece) names.push_back(Format("lev6_buildin%d_", style) + Format("%02d.png", piece));
    Add(names, {"lev6_billboard_2.png", "lev6_billboard2.png", "lev6_second_collision_klatka.png",
                "lev6_second_collision_komin.png", "lev6_second_collision_rura1.png",
                "lev6_second_collision_wentylacja.png"});

    // Props on the buildings: water, rats, fans.
    AddSeries(names, "lev3_woda2_%02d.png", 1, 8);
    Add(names, {"lev3_rat.png", "lev3_rat2.png"});
    AddSeries(names, "lev3_rat_anim_%02d.png", 1, 4);
    AddSeries(names, "lev4_fan_%d.png", 1, 3);

    // Obstacles and their two halves.
    for (const char* base : {"beczka_red", "beczki", "skrzynia2", "wozek", "beczka_kanal"})
        for (const char* suffix : {".png", "_frag01.png", "_frag02.png"}) names.push_back(std::string(base) + suffix);

    // Background pictures that are plain images.
    Add(names, {"lev1_moon.png", "lev2_bg_peron01.png", "lev3_bg_00_rury2.png"});

    // Level decorations.
    Add(names, {"helicopter1.png", "helicopter2.png", "helicopter3.png", "ray_reflec3.png",
                "lev2_lamp_subway_cala.png", "lev2_train_background_01.png", "kropla.png", "lev4_spawacz_1.png",
                "lev4_spawacz_2.png", "lev4_bg2_ramie_dzwigu.png", "lev4_ru_smoke04.png", "lev4_smoke_bg0.png"});
    AddSeries(names, "lev3_woda3_woda%02d.png", 1, 12);
    AddSeries(names, "lev5_heli_%d.png", 1, 3);
    AddSeries(names, "lev5_ptok_%d.png", 1, 5);
    Add(names, {"lev6_jetb_747_off.png", "lev6_ray_reflec.png", "lev6_neon_1_on.png", "lev6_neon_1_off.png",
                "lev6_neon_2_on.png", "lev6_neon_2_off.png"});

    // Weather and fireworks.
    Add(names, {"deszcz.png", "snieg.png", "firework_big_04.png", "firework_small_02.png", "firework_small_04.png",
                "firework_small_05.png", "firework_small_06.png", "firework_small_07.png"});

    // Head-up display.
    Add(names, {"hud_score_separator.png", "hud_score_icon.png", "hud_time_bar.png", "hud_time_icon.png",
                "main_menu_koncowka_down.png", "main_menu_koncowka_up.png", "lives-hud-icon.png",
                "lives-hud-separator.png", "hud_score_font.png"});

    // Main menu, its pages and the game-over dialog (pictures without a
    // language variant).
    Add(names, {"icon_krzyzyk.png", "main_menu_button_about.png", "lampka.png", "menu_main_01_e.png",
                "menu_main_01_e2.png", "menu_main_02_b.png", "menu_main_03_b.png", "menu_main_04_b.png",
                "menu_main_latarka.png", "icon_arrow_up.png", "icon_arrow_down.png",
                "main_menu_psp_buttons_cross2.png", "main_menu_psp_buttons_square2.png",
                "main_menu_psp_buttons_up2.png", "main_menu_psp_buttons_down2.png", "icon_facebook.png"});
    AddSeries(names, "policjant_idzie%04d.png", 0, 30);

    // The English forms of the localised pictures.
    for (const std::string& name : LocalisedPictures()) names.push_back(name);
    return names;
}

std::vector<std::string> LocalisedPictures()
{
    std::vector<std::string> names = {"pause_button.png",
                                      "main_menu_button_scores.png",
                                      "main_menu_button_run.png",
                                      "endless-mode-button.png",
                                      "more_games.png",
                                      "main_menu_tap_to_continue.png",
                                      "main_menu_red_back.png",
                                      "gameover_restart.png",
                                      "gameover_back.png",
                                      "tut-854x480.png@linear",
                                      "tutorial-android-main-menu.png"};
    AddSeries(names, "endless-button-%02d.png", 1, 6);
    return names;
}

std::vector<std::string> TiledPictures()
{
    std::vector<std::string> names = {"lev1_bg2_a.xml", "lev1_bg2_b.xml", "lev1_bg1_a.xml", "lev1_bg1_b.xml",
                                      "lev1_bg0.xml", "lev1_bg.xml"};
    AddSeries(names, "lev2_bg_platform1_%c.xml", 'a', 'd');
    AddSeries(names, "lev2_bg_platform2_%c.xml", 'a', 'e');
    AddSeries(names, "lev2_bg_platform3_%c.xml", 'a', 'e');
    AddSeries(names, "lev2_bg_platform4_%c.xml", 'a', 'd');
    for (int layer = 1; layer <= 3; ++layer)
        for (char part : {'a', 'b'}) names.push_back(Format("lev3_bg_%02d_", layer) + part + ".xml");
    Add(names, {"lev4_bg2_bez_ramienia_dzwigu_a.xml", "lev4_bg2_bez_ramienia_dzwigu_b.xml", "lev4_bg1_a.xml",
                "lev4_bg1_b.xml", "lev4_bg0_a.xml", "lev4_bg0_b.xml", "lev4_bg.xml"});
    Add(names, {"lev5_bg2_a.xml", "lev5_bg2_b.xml", "lev5_bg1_a.xml", "lev5_bg1_b.xml", "lev5_bg0_a.xml",
                "lev5_bg0_b.xml", "lev5_bg.xml"});
    Add(names, {"lev6_bg2_a.xml", "lev6_bg2_b.xml", "lev6_bg1.xml", "lev6_bg0.xml", "lev6_bg.xml"});
    Add(names, {"thunder1.xml", "menu_main_bg_01.xml", "menu_main_bg_02.xml", "menu_main_bg_03.xml"});
    for (int level = 1; level <= 6; ++level)
        names.push_back(Format("flying_from_level_%d", level) + Format("_to_%d.xml", level + 1));
    return names;
}

std::vector<ColourImage> ColourImages()
{
    return {
        // Head-up display.
        {0, 0, 0, false}, {0x4a, 0x49, 0x73, false}, {0x25, 0x26, 0x3a, false}, {255, 255, 255, false},
        // Splinters of the obstacles.
        {214, 68, 82, false}, {177, 178, 203, false}, {208, 171, 149, false}, {197, 190, 174, false},
        {170, 230, 5, false},
        // Lights of the aeroplane.
        {0, 255, 0, false}, {255, 0, 0, false},
        // Fills below and above the background layers.
        {45, 40, 66, true}, {63, 75, 119, true}, {82, 101, 148, true}, {24, 40, 49, true}, {33, 60, 66, true},
        {57, 101, 99, true}, {0, 0, 0, true}, {49, 52, 74, true}, {33, 73, 90, true}, {63, 83, 106, true},
        {84, 113, 149, true}, {115, 150, 198, true}, {137, 97, 75, true}, {165, 131, 97, true},
        {198, 158, 115, true}, {255, 231, 173, true}, {125, 86, 43, true}, {75, 80, 90, true}};
}

std::string ColourImageName(const ColourImage& colour)
{
    char name[32];
    std::snprintf(name, sizeof name, colour.blankPadded ? "c%2x%2x%2x.png" : "c%02x%02x%02x.png", colour.r,
                  colour.g, colour.b);
    return name;
}

std::vector<std::string> Sounds()
{
    return {"gl_kroki_nowe_8_a.wav@buffer",
            "gl_kroki_nowe_8_b.wav@buffer",
            "gl_podskok_1.wav@buffer",
            "gl_wslizg_1.wav@buffer",
            "gl_helikopter_1_przelot.wav@buffer",
            "gl_metro_2_tory_syrena.wav@buffer",
            "gl_samolot_przelot_1.wav@buffer",
            "gl_alarm_5_syrena_puls_malejacy_sredni.wav@buffer",
            "gl_new_kanaly_5.wav@buffer",
            "gl_budowa_loop_3.wav@buffer",
            "gl_new_suburbs_2.wav@buffer",
            "gl_fajerwerki_1.wav@buffer",
            "gl_piorun_1.wav@buffer",
            "gl_piorun_5.wav@buffer",
            "gl_new_uderzenie_nowe_2.wav@buffer",
            "gl_new_skladanie_napisu_2.wav@buffer",
            "music_ingame.ogg@cache",
            "music_main_menu.ogg@cache"};
}

}  // namespace ContentNames
