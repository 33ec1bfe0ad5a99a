// Every name the game asks the content for, written down once from what its
// loaders read (not taken from the content, so that a file that is missing
// is noticed): data files, texts, fonts, atlases, pictures, sounds.
//
// Picture names are plain asset names; those asked for with options
// ("throbber-alpha.png@linear") keep them, since such a name is loaded as a
// file by the part before the '@' and never found in an atlas.
#pragma once

#include <string>
#include <vector>

namespace ContentNames {

// XML data files read through the mount table, texts excluded.
std::vector<std::string> DataFiles();
// The five language files: "l10n/en.xml", ... in the order of LanguageCodes.
std::vector<std::string> LanguageFiles();
// "fontMenu.xml" and "fontbig.xml".
std::vector<std::string> Fonts();

// Every text id of the dictionary that the game looks up.
std::vector<std::string> TextIds();
// Texts the game draws without the dictionary, in the fonts.
std::vector<std::string> LiteralTexts();

// Atlas descriptions loaded by every language ("ab01.xml", "level01.xml", ...).
std::vector<std::string> CommonAtlases();
// The two atlases of a language code other than "en" ("ab_fr.xml", "ab02_fr.xml").
std::vector<std::string> LanguageAtlases(const std::string& code);

// Pictures asked for before any atlas is loaded (splash, throbber, flags):
// these have to be files of their own.
std::vector<std::string> EarlyPictures();
// Pictures asked for once the atlases are loaded, by their plain names
// (English names for the localised ones).
std::vector<std::string> Pictures();
// Pictures with a variant per language: the English name, made into
// "name_fr.png" and so on by the game's LocalizedAssetName.
std::vector<std::string> LocalisedPictures();
// Tiled-picture descriptions: backgrounds, thunder, menu backgrounds, flights.
std::vector<std::string> TiledPictures();

struct ColourImage {
    int r, g, b;
    bool blankPadded;  // named with "c%2x%2x%2x.png" (blanks) instead of zeros
};
// One-colour images named by the game's code (head-up display, splinters,
// decorations, background fills).
std::vector<ColourImage> ColourImages();
// The name of a colour image: "c%02x%02x%02x.png", or with blanks.
std::string ColourImageName(const ColourImage& colour);

// Sounds and music by asset name ("x.wav@buffer", "x.ogg@cache").
std::vector<std::string> Sounds();

}  // namespace ContentNames
