#include "game/core/language.h"

#include <gtest/gtest.h>

#include <string>

TEST(LanguageTest, LocalizedNamesCarryTheLanguagesSuffix)
{
    SetLanguageCode("en");
    EXPECT_EQ(GetLanguageCode(), "en");
    EXPECT_EQ(LocalizedAssetName("pause_button.png"), "pause_button.png");
    SetLanguageCode("fr");
    EXPECT_EQ(LocalizedAssetName("pause_button.png"), "pause_button_fr.png");
    EXPECT_EQ(LocalizedAssetName("a.b.c"), "a_fr.b");
    SetLanguageCode("gr");
    EXPECT_EQ(LocalizedAssetName("pause_button.png"), "pause_button_gr.png");
    EXPECT_EQ(GetLanguageSuffix(), "_gr");
    SetLanguageCode("en");
}

TEST(LanguageTest, NamesWithoutADotOrVeryLongAreSafe)
{
    SetLanguageCode("es");
    EXPECT_EQ(LocalizedAssetName("nodot"), "nodot");
    EXPECT_EQ(LocalizedAssetName(""), "");
    std::string longName(300, 'x');
    EXPECT_EQ(LocalizedAssetName(longName + ".png"), longName + "_es.png");
    SetLanguageCode("en");
}
