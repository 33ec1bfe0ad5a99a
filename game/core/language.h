// The chosen language and the per-language names of images.
//
// The language is chosen once, on the main thread, before the loader thread
// starts; every loader then asks LocalizedAssetName for the variant of its
// localised images ("pause_button.png" becomes "pause_button_fr.png" in
// French). German has the code "gr" (its texts are "l10n/de.xml").
#pragma once

#include <string>

// "en", "fr", "it", "gr", "es", in the order of the language screen.
extern const char* const LanguageCodes[5];

// Sets the language code and its suffix ("" for "en", "_" + code otherwise).
void SetLanguageCode(const std::string& code);
// A copy of the chosen code; empty before the choice.
std::string GetLanguageCode();
// The suffix of the chosen language; empty for English and before the choice.
std::string GetLanguageSuffix();

// base + suffix + "." + extension, splitting the name at its dots: pieces
// after the second are dropped ("a.b.c" gives "a_fr.b"). A name without a dot
// is returned unchanged.
std::string LocalizedAssetName(const std::string& name);
