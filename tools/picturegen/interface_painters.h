// The painters behind PaintCharactersAndInterface, one per family of
// pictures, and the atlas pages they fill.
//
// Pages: the game loads "ab01" and "ab02" (and, for a language other than
// English, "ab_<code>" and "ab02_<code>") at one loading step, so the split
// between them only keeps each page small: characters and effects on "ab01",
// the interface in English on "ab02", the main menu's localised pictures on
// "ab_<code>" and the other localised pictures on "ab02_<code>". Pictures the
// game asks for before that step (splash, throbber, flags) and full-screen
// pictures stay "loose".
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "tools/picturegen/draw_kit.h"
#include "tools/picturegen/picture_sink.h"

namespace PictureGen {

inline const char* const kCharacterPage = "ab01";
inline const char* const kInterfacePage = "ab02";
inline const char* const kLoose = "loose";

// One of the game's five languages: its code, the suffix its localised
// picture names carry ("" for English) and its two localised pages.
struct Language {
    std::string code;
    std::string suffix;
    std::string menuPage;    // main menu pictures
    std::string dialogPage;  // everything else localised
};
const std::vector<Language>& Languages();

// "name.png" in the language: "name_fr.png" in French, unchanged in English.
std::string Localised(const std::string& name, const Language& language);

// A picture drawn without arguments, under its name.
struct NamedPicture {
    const char* name;
    Kit::Surface (*draw)();
};
// Draws the pictures one after another and adds each to the page.
void AddPictures(PictureSink& sink, const std::string& page, std::initializer_list<NamedPicture> pictures);

void PaintRunner(PictureSink& sink);
void PaintPoliceman(PictureSink& sink);
void PaintEffects(PictureSink& sink);
void PaintHud(PictureSink& sink);
void PaintMenus(PictureSink& sink);
void PaintStartScreens(PictureSink& sink);
void PaintTutorial(PictureSink& sink);
// Review sheets of the interface in place (only with sheets).
void PaintPreviews(PictureSink& sink);

}  // namespace PictureGen
