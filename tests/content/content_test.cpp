// The built archives "data.pak" and "atlas.pak", read as the game reads them:
// mounted like the game mounts them, through the engine's asset dictionary,
// text dictionary, registry and fonts. Every name the game asks for must be
// found, and the files must keep the rules the game's readers and screens
// rely on. Each failure lists every miss.
//
// The cases are grouped by who makes the content: ContentData (data files,
// texts, fonts, archives), ContentPictures (pictures, atlases and tiled
// pictures) and ContentSounds.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/audio/audio_asset.h"
#include "engine/core/asset_dict.h"
#include "engine/core/io_stream.h"
#include "engine/core/pak_mount.h"
#include "engine/core/registry.h"
#include "engine/core/strings.h"
#include "engine/core/text_dict.h"
#include "engine/core/vfs.h"
#include "engine/core/xml.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/pixel_data_gl.h"
#include "engine/text/font_ex.h"
#include "engine/text/font_set.h"
#include "engine/text/format.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/core/language.h"
#include "game/menus/about_popup.h"
#include "game/menus/scores_popup.h"
#include "game/world/building_manager.h"
#include "game/world/game_world.h"
#include "game/world/player.h"
#include "tests/content/game_names.h"

namespace {

using Voke::SmartPtr;

// One line per miss, for the failure message.
std::string List(const std::vector<std::string>& misses)
{
    std::string text;
    for (const std::string& miss : misses) text += "\n  " + miss;
    return text;
}

std::string Lower(std::string s)
{
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Every entry name of an archive.
std::vector<std::string> ArchiveNames(const char* path)
{
    std::vector<std::string> names;
    SmartPtr<Voke::PakMount> pak(new Voke::PakMount(path, "", 0));
    if (!pak->IsValid()) return names;
    for (int i = 0; i < pak->GetEntryCount(); ++i) names.push_back(pak->GetName(pak->GetEntry(i)));
    return names;
}

// The whole file through the mount table; false when it does not open.
bool ReadFile(const std::string& path, std::string& bytes)
{
    SmartPtr<Voke::File> file(Voke::Vfs::Open(path.c_str()));
    if (!file) return false;
    const int length = file->Length();
    if (length < 0) return false;
    bytes.assign(size_t(length), '\0');
    return file->Read(&bytes[0], length) == length;
}

// Parses a file of the mount table with pugixml (for walks the engine's
// reader does not offer: every attribute, every element).
bool ParseFile(const std::string& path, pugi::xml_document& document)
{
    std::string bytes;
    return ReadFile(path, bytes) && document.load_buffer(bytes.data(), bytes.size());
}

// A pixel of a loaded image (an atlas entry reads its page): from the pixels
// in memory, or from the texture's upload record, whose rows are padded and
// hold red first. Transparent black (never a colour image's) when neither is
// there.
Voke::Color PixelOf(const Voke::Surface& image, int x, int y)
{
    const Voke::PixelData* pixels = image.GetPixelData();
    x += image.GetPageX();
    y += image.GetPageY();
    if (!pixels) return Voke::MakeColor(0, 0, 0, 0);
    const auto* texture = dynamic_cast<const Voke::PixelDataGL*>(pixels);
    if (!texture) return pixels->GetPixel(x, y);
    const Voke::PixelDataGL::UploadData* upload = texture->GetUploadData();
    const uint32_t bytes = Voke::PixelData::GetFormatInfo(pixels->GetFormat()).bytesPerPixel;
    if (!upload || !upload->data || (bytes != 3 && bytes != 4) || x < 0 || y < 0 || x >= upload->width ||
        y >= upload->height)
        return Voke::MakeColor(0, 0, 0, 0);
    const uint8_t* p = upload->data + (size_t(y) * size_t(upload->width) + size_t(x)) * bytes;
    return Voke::MakeColor(p[0], p[1], p[2], bytes == 4 ? p[3] : 255);
}

// The archives mounted as the game mounts them ("atlas.pak" searched first,
// falling through to "data.pak"), with fresh engine dictionaries.
class ContentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Voke::Vfs::Init();
        ASSERT_NE(Voke::Vfs::MountPak(VXB_DATA_PAK, "", 0), nullptr) << VXB_DATA_PAK;
        ASSERT_NE(Voke::Vfs::MountPak(VXB_ATLAS_PAK, "", Voke::VfsMount::FallThrough), nullptr) << VXB_ATLAS_PAK;
        Voke::AssetDict::s_engine = new Voke::AssetDict;
    }
    void TearDown() override
    {
        Voke::AssetDict::s_engine.Reset();
        Voke::Vfs::Shutdown();
    }

    static bool Opens(const std::string& path)
    {
        SmartPtr<Voke::File> file(Voke::Vfs::Open(path.c_str()));
        return file.Get() != nullptr;
    }
    static bool Resolves(const std::string& picture)
    {
        return Voke::GetCachedSurface(picture, false) != nullptr;
    }
    // Loads the atlases; the names that failed go to `misses`.
    static void LoadAtlases(const std::vector<std::string>& atlases, std::vector<std::string>& misses)
    {
        for (const std::string& atlas : atlases)
            if (!Voke::AssetDict::s_engine->LoadAtlas(atlas)) misses.push_back("atlas " + atlas);
    }
};

class ContentData : public ContentTest {};
class ContentPictures : public ContentTest {};
class ContentSounds : public ContentTest {};

// ---------------------------------------------------------------------------
// Archives, data files, texts and fonts.

TEST_F(ContentData, ArchivesSplitPicturesFromDataWithoutSharedNames)
{
    const std::vector<std::string> data = ArchiveNames(VXB_DATA_PAK);
    const std::vector<std::string> atlas = ArchiveNames(VXB_ATLAS_PAK);
    ASSERT_FALSE(data.empty());
    std::set<std::string> dataNames;
    for (const std::string& name : data) dataNames.insert(Lower(name));

    std::vector<std::string> wrong;
    for (const std::string& name : data) {
        if (Lower(name).rfind("save/", 0) == 0) wrong.push_back("data.pak holds a save file: " + name);
        if (EndsWith(name, ".png") && name != "fontMenu.png" && name != "fontbig.png")
            wrong.push_back("data.pak holds a picture: " + name);
    }
    std::set<std::string> atlasNames;
    for (const std::string& name : atlas) atlasNames.insert(name);
    for (const std::string& name : atlas) {
        if (Lower(name).rfind("save/", 0) == 0) wrong.push_back("atlas.pak holds a save file: " + name);
        if (dataNames.count(Lower(name))) wrong.push_back("in both archives (atlas.pak hides data.pak's): " + name);
        // Pictures only: PNG files, and atlas descriptions beside their pages.
        if (EndsWith(name, ".xml")) {
            if (!atlasNames.count(name.substr(0, name.size() - 3) + "png"))
                wrong.push_back("atlas.pak holds a description without its page: " + name);
        } else if (!EndsWith(name, ".png")) {
            wrong.push_back("atlas.pak holds something other than a picture: " + name);
        }
    }
    EXPECT_TRUE(wrong.empty()) << List(wrong);
}

TEST_F(ContentData, EveryDataFileAndLanguageFileParses)
{
    std::vector<std::string> misses;
    std::vector<std::string> files = ContentNames::DataFiles();
    for (const std::string& file : ContentNames::LanguageFiles()) files.push_back(file);
    for (const std::string& file : ContentNames::Fonts()) files.push_back(file);
    for (const std::string& file : files) {
        SmartPtr<Voke::Xml> document(Voke::Xml::Load(file));
        if (!document) misses.push_back(Opens(file) ? file + " (does not parse)" : file);
    }
    EXPECT_TRUE(misses.empty()) << "missing data files:" << List(misses);
}

// The game reads integers with automatic base: "08" would be read as octal.
TEST_F(ContentData, NoNumberInTheDataFilesHasALeadingZero)
{
    // Every data file of the archive, the tiled pictures too; not the texts
    // and fonts, whose numbers nobody reads with an automatic base.
    std::set<std::string> files;
    for (const std::string& name : ArchiveNames(VXB_DATA_PAK))
        if (EndsWith(name, ".xml") && name.rfind("l10n/", 0) != 0 && name.rfind("font", 0) != 0) files.insert(name);

    auto octal = [](const char* text) {
        const char* p = text + (*text == '-' || *text == '+');
        if (p[0] != '0' || !std::isdigit(static_cast<unsigned char>(p[1]))) return false;
        for (++p; *p; ++p)
            if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
        return true;
    };
    std::vector<std::string> wrong;
    for (const std::string& file : files) {
        pugi::xml_document document;
        if (!ParseFile(file, document)) continue;  // reported by the parse case
        for (const pugi::xpath_node& found : document.select_nodes("//*")) {
            const pugi::xml_node element = found.node();
            for (const pugi::xml_attribute& attribute : element.attributes())
                if (octal(attribute.value()))
                    wrong.push_back(file + ": <" + element.name() + " " + attribute.name() + "=\"" + attribute.value() +
                                    "\">");
            if (octal(element.child_value())) wrong.push_back(file + ": <" + element.name() + ">" + element.child_value());
        }
    }
    EXPECT_TRUE(wrong.empty()) << List(wrong);
}

// The head-up display labels the levels 11 PM, 3 AM, 7 AM, 11 AM, 3 PM and
// 7 PM; the clock starts at those hours.
TEST_F(ContentData, LevelClocksStartAtTheHudsHours)
{
    SmartPtr<Voke::Xml> document(Voke::Xml::Load("level_gameplay.xml"));
    ASSERT_TRUE(document);
    const int hours[6] = {23, 3, 7, 11, 15, 19};
    std::map<int, int> found;
    for (Voke::XmlIt it(document.Get(), nullptr); it; it.Next()) {
        int level = 0, hour = -1, minute = -1, second = -1;
        if (std::strcmp(it.GetName(), "TimeStart") != 0 || !it.GetAttribute("level", level)) continue;
        it.GetAttribute("hour", hour);
        it.GetAttribute("minute", minute);
        it.GetAttribute("second", second);
        EXPECT_EQ(minute, 0) << "level " << level;
        EXPECT_EQ(second, 0) << "level " << level;
        found[level] = hour;
    }
    for (int level = 1; level <= 6; ++level) EXPECT_EQ(found[level], hours[level - 1]) << "level " << level;
}

// The arrangement reader starts levels 3 to 6 from undefined values, so every
// file sets all sixteen keys, each readable as its type.
TEST_F(ContentData, EveryArrangementFileSetsAllSixteenKeys)
{
    const char* ints[] = {"m_FreeSpaceBetweenConstant", "m_FreeSpaceBetweenRandomRange", "m_ConstantY",
                          "m_HeightRandomRange",        "m_MinMiddleAssets",             "m_MaxMiddleAssets",
                          "m_HowOftenSecondCollision",  "m_SecondCollisionDistanceFromGround",
                          "m_MinBuildingWidth",         "m_LastBuildingTranslationX",    "m_LastBuildingTranslationY",
                          "m_BuildingsCollisionMarginLeft", "m_BuildingsCollisionMarginRight"};
    const char* bools[] = {"m_AllowSecondCollision", "m_AlwaysFirstBuildingBetween"};
    std::vector<std::string> misses;
    for (int level = 1; level <= 6; ++level) {
        const std::string file = "build_arrange_lev" + std::to_string(level) + ".xml";
        SmartPtr<Voke::Xml> document(Voke::Xml::Load(file));
        if (!document) {
            misses.push_back(file);
            continue;
        }
        auto find = [&](const char* key) {
            Voke::XmlIt it(document.Get(), nullptr);
            while (it && Lower(it.GetName()) != Lower(key)) it.Next();
            return it;
        };
        for (const char* key : ints) {
            int value;
            if (!find(key).GetAttribute("value", value)) misses.push_back(file + ": " + key);
        }
        for (const char* key : bools) {
            bool value;
            if (!find(key).GetAttribute("value", value)) misses.push_back(file + ": " + key);
        }
        if (!find("m_MoreSpaceIfCloserTillTheEnd").HasAttribute("value", false))
            misses.push_back(file + ": m_MoreSpaceIfCloserTillTheEnd");
    }
    EXPECT_TRUE(misses.empty()) << List(misses);
}

// The placement takes a random number modulo the additional distance.
TEST_F(ContentData, ObstacleSpacingIsSetForEveryLevelWithAPositiveRandomPart)
{
    SmartPtr<Voke::Xml> document(Voke::Xml::Load("obstacles.xml"));
    ASSERT_TRUE(document);
    std::map<int, int> minimum, additional;
    for (Voke::XmlIt it(document.Get(), nullptr); it; it.Next()) {
        int level = 0, value = 0;
        if (!it.GetAttribute("level", level) || !it.GetAttribute("value", value)) continue;
        if (std::strcmp(it.GetName(), "MinimumDistanceBetweenTwoObstacles") == 0) minimum[level] = value;
        if (std::strcmp(it.GetName(), "AdditionalRandomDistanceBetweenTwoObstacles") == 0) additional[level] = value;
    }
    for (int level = 1; level <= 6; ++level) {
        EXPECT_GT(minimum[level], 0) << "level " << level;
        EXPECT_GE(additional[level], 1) << "level " << level;
    }
}

// Endless records are only stored in keys that exist: the defaults define
// all six. The control setting has its default too.
TEST_F(ContentData, RegistryDefaultsDefineTheEndlessRecordsAndTheControls)
{
    SmartPtr<Voke::Registry> registry(new Voke::Registry);
    ASSERT_TRUE(registry->Load("endless.xml", false, ""));
    for (int level = 1; level <= 6; ++level) {
        const std::string key = "/endless/scores/level0" + std::to_string(level);
        int value = -1;
        EXPECT_TRUE(registry->Get(key, value)) << key;
        EXPECT_EQ(value, 0) << key;
    }
    ASSERT_TRUE(registry->Load("controls.xml", false, ""));
    bool swap = true;
    EXPECT_TRUE(registry->Get("/controls/swap", swap));
    EXPECT_FALSE(swap);
}

TEST_F(ContentData, EveryTextIdExistsInEveryLanguage)
{
    std::vector<std::string> misses;
    std::set<std::string> firstIds;
    for (const std::string& file : ContentNames::LanguageFiles()) {
        SmartPtr<Voke::TextDict> texts(new Voke::TextDict);
        if (!texts->Load(file)) {
            misses.push_back(file);
            continue;
        }
        for (const std::string& id : ContentNames::TextIds())
            if (texts->Get(id) == Voke::ToWideString(id)) misses.push_back(file + ": " + id);

        // No language has an id the others lack (a misspelt id is one missing).
        pugi::xml_document document;
        ASSERT_TRUE(ParseFile(file, document)) << file;
        std::set<std::string> ids;
        for (pugi::xml_node entry : document.document_element().children("string"))
            ids.insert(entry.attribute("id").value());
        if (firstIds.empty()) firstIds = ids;
        for (const std::string& id : ids)
            if (!firstIds.count(id)) misses.push_back(file + " alone has " + id);
        for (const std::string& id : firstIds)
            if (!ids.count(id)) misses.push_back(file + " lacks " + id);
    }
    EXPECT_TRUE(misses.empty()) << List(misses);
}

// Both fonts, loaded as the game loads them.
class ContentFonts : public ContentData {
protected:
    void SetUp() override
    {
        ContentData::SetUp();
        m_menu = Voke::GetCachedFont("fontMenu.xml");
        m_big = Voke::GetCachedFont("fontbig.xml");
        m_fonts = new Voke::Text::FontSet;
        m_fonts->Add("fontbig", m_big);
        m_fonts->Add("default", m_menu);
    }
    static bool HasGlyph(const Voke::FontEx& font, wchar_t code)
    {
        return code == 0xFFFD || &font.FindGlyph(uint32_t(code)) != &font.FindGlyph(0xFFFD);
    }
    // Width of one line of text in the font, as the layout places it.
    static int Width(Voke::FontEx* font, const std::string& text)
    {
        SmartPtr<Voke::ScreenText> laidOut(new Voke::ScreenText(font, Voke::ToWideString(text)));
        return laidOut->width;
    }
    // Height of the text laid out centred in a box `width` wide.
    int Height(const char* font, const std::string& text, int width)
    {
        Voke::Text::Format format;
        format.fontSet = m_fonts;
        format.fontName = font;
        format.alignment = 2;
        format.flags = Voke::Text::Format::kFontName | Voke::Text::Format::kAlignment;
        SmartPtr<Voke::ScreenText> laidOut(new Voke::ScreenText(format, Voke::ToWideString(text), {width, 0}));
        return laidOut->height;
    }
    // Every text of a language file by id.
    static std::map<std::string, std::string> Texts(const std::string& file)
    {
        std::map<std::string, std::string> texts;
        pugi::xml_document document;
        if (ParseFile(file, document))
            for (pugi::xml_node entry : document.document_element().children("string"))
                texts.emplace(entry.attribute("id").value(), entry.child_value());
        return texts;
    }
    // The texts of the credits script.
    static std::vector<std::string> CreditTexts()
    {
        std::vector<std::string> texts;
        pugi::xml_document document;
        if (ParseFile("the_end.xml", document))
            for (pugi::xml_node command : document.document_element().children())
                if (command.attribute("text")) texts.push_back(command.attribute("text").value());
        return texts;
    }

    SmartPtr<Voke::FontEx> m_menu;
    SmartPtr<Voke::FontEx> m_big;
    SmartPtr<Voke::Text::FontSet> m_fonts;
};

TEST_F(ContentFonts, BothFontsLoadWithTheirPages)
{
    for (Voke::FontEx* font : {m_menu.Get(), m_big.Get()}) {
        EXPECT_GT(font->GetGlyphCount(), 95u);
        EXPECT_NE(font->GetPage(), nullptr);
        EXPECT_GT(font->GetLineHeight(), 0);
    }
    // The head-up display places its digits 7 pixels apart.
    EXPECT_LE(m_menu->FindGlyph('0').width, 7);
}

TEST_F(ContentFonts, EveryCharacterOfEveryTextHasAGlyphInBothFonts)
{
    std::vector<std::pair<std::string, std::string>> texts;  // where, text
    for (const std::string& file : ContentNames::LanguageFiles())
        for (const auto& [id, text] : Texts(file)) texts.emplace_back(file + " " + id, text);
    for (const std::string& text : CreditTexts()) texts.emplace_back("the_end.xml", text);
    for (const std::string& text : ContentNames::LiteralTexts()) texts.emplace_back("the game", text);
    ASSERT_GT(texts.size(), 300u);

    std::vector<std::string> misses;
    for (const auto& [where, text] : texts)
        for (wchar_t code : Voke::ToWideString(text))
            for (const auto& [name, font] : {std::make_pair("fontMenu", m_menu.Get()), std::make_pair("fontbig", m_big.Get())})
                if (!HasGlyph(*font, code)) {
                    char hex[16];
                    std::snprintf(hex, sizeof hex, "U+%04X", unsigned(code));
                    misses.push_back(std::string(name) + " lacks " + hex + " of " + where);
                }
    EXPECT_TRUE(misses.empty()) << List(misses);
}

TEST_F(ContentFonts, EveryTextFitsItsPlaceOnScreen)
{
    std::vector<std::string> wrong;
    auto check = [&](const std::string& where, int width, int limit) {
        if (width > limit)
            wrong.push_back(where + " is " + std::to_string(width) + " px wide, room for " + std::to_string(limit));
    };
    const std::vector<std::string> files = ContentNames::LanguageFiles();
    for (size_t language = 0; language < files.size(); ++language) {
        const std::string& file = files[language];
        std::map<std::string, std::string> t = Texts(file);
        auto menu = [&](const char* id, int limit) { check(file + " " + id, Width(m_menu, t[id]), limit); };
        auto big = [&](const char* id, int limit) { check(file + " " + id, Width(m_big, t[id]), limit); };

        // The level banner starts 3 px right of its left edge and runs to the
        // screen's; it is 82 px wide, 121 px for the construction yard.
        for (const char* id : {"IDS_PRISON", "IDS_UNDERGROUND", "IDS_SEWERS", "IDS_SUBURBS", "IDS_ROOFTOPS"})
            menu(id, 82 - 3);
        menu("IDS_CONSTRUCTION_YARD", 121 - 3);
        // Level buttons of the menu: 136 px.
        for (const char* id : {"IDS_PRISON", "IDS_METRO", "IDS_SEWERS", "IDS_FACTORY", "IDS_SUBURBS", "IDS_ROOFTOPS"})
            menu(id, 136);
        // Titles in the big font over their panels, and the exit dialog's
        // yes and no, laid out in 96 px.
        big("IDS_MENU_HELP_ABOUT", 400);
        big("IDS_EXIT GAME", 288);
        big("IDS_ENDLESS_MODE", 350);
        big("IDS_GAME_OVER", 336);
        big("IDS_SCORES", 288);
        big("IDS_YES", 96);
        big("IDS_NO", 96);
        // The run's statistics in the 336 px panel, with the widest numbers.
        const std::string lines[] = {t["IDS_SCORE"] + ": 9999999",
                                     t["IDS_DISTANCE"] + ": 99999 " + t["IDS_SHORT_METERS"],
                                     t["IDS_JUMPS"] + ": 99999", t["IDS_RUNNING_TIME"] + ": 99h:59m:59s",
                                     t["IDS_OBSTACLES_DESTROYED"] + ": 99999"};
        for (const std::string& line : lines) check(file + " \"" + line + "\"", Width(m_menu, line), 336);
        // Score lines start 16 px into the 288 px panel and end left of the
        // arrow buttons (24 px wide, 13 px in from the panel's right edge),
        // with the widest figures the page shows.
        const int scoreRoom = 288 - 16 - 13 - 24;
        const std::string most = std::to_string(ScoresPopup::kShownPointsMax);
        const std::string least = std::to_string(-ScoresPopup::kShownPointsMax / 10);
        const std::string far = std::to_string(ScoresPopup::kShownDistanceMax);
        const std::string behind = std::to_string(-ScoresPopup::kShownDistanceMax / 10);
        for (const std::string& points : {most, least}) {
            check(file + " completed score line",
                  Width(m_menu, "10. " + t["IDS_COMPLETED"] + "! " + t["IDS_POINTS"] + ": " + points), scoreRoom);
            for (const std::string& distance : {far, behind})
                check(file + " score line",
                      Width(m_menu, "10. " + t["IDS_DISTANCE"] + ": " + distance + ", " + t["IDS_POINTS"] + ": " + points),
                      scoreRoom);
        }

        // The about page: 37 entries laid out 346 px wide, where a longer one
        // wraps (no word may be wider); blank ones ("-") take 13 px. The Down
        // key scrolls at most 545 px through the 123 px window, so every line
        // can be read with the keys as well as by dragging; and the page is
        // tall enough that at the language's drag limit its last two lines
        // (15 px each) still show.
        int height = 0;
        for (int n = 1; n <= 37; ++n) {
            const std::string id = "IDS_ABOUT_LINE_" + std::to_string(n);
            if (t[id] == "-") {
                height += 13;
                continue;
            }
            std::istringstream words(t[id]);
            for (std::string word; words >> word;) check(file + " " + id + " \"" + word + "\"", Width(m_menu, word), 346);
            height += Height("default", t[id], 346) + 1;
        }
        check(file + " about page (height)", height, 545 + 123);
        const int dragLimit = AboutPopup::DragLimit(LanguageCodes[language]);
        if (height < dragLimit + 2 * 15)
            wrong.push_back(file + " about page is " + std::to_string(height) + " px high, too short for its drag limit " +
                            std::to_string(dragLimit));
    }
    for (const std::string& text : CreditTexts()) check("the_end.xml \"" + text + "\"", Width(m_menu, text), 480);
    EXPECT_TRUE(wrong.empty()) << List(wrong);
}

// Every gap of a level's row can be jumped at the level's lowest speed, with
// the row's steps up and down: the arrangement files let the gaps grow with
// each building, so a long row (150 buildings, more than a level holds) is
// generated from a fixed seed, with the jump constants of the content.
TEST_F(ContentData, EveryGapOfEveryLevelIsWithinTheRunnersReach)
{
    // The piece widths shape the row; they come from the level atlases when
    // the pictures are there (and count as 0 while they are not).
    std::vector<std::string> ignored;
    LoadAtlases(ContentNames::CommonAtlases(), ignored);
    GameWorld world;
    ASSERT_TRUE(world.ReadLevelParams("level_gameplay.xml"));
    Player player;
    ASSERT_TRUE(player.LoadParams("player_params.xml"));

    constexpr int32_t kBuildings = 150;
    std::vector<std::string> wrong;
    for (int32_t level = 0; level < 6; ++level) {
        GameBase base;
        base.m_ScreenWidth = 480;
        base.m_ScreenHeight = 320;
        base.InitRandom(20260101u + uint32_t(level));
        BuildingManager row;
        row.SetOwner(&base);
        row.LoadAllArrangeParams();
        row.Load(level);
        while (!row.GetBuildings().empty() && row.GetBuildings().rbegin()->first + 1 < kBuildings)
            row.GenerateNextBuilding();
        ASSERT_GE(row.GetBuildings().size(), size_t(kBuildings)) << "level " << level + 1;

        const float speed = world.GetLevelParams(level).PlayerMinHorizontalSpeed;
        const Building* previous = nullptr;
        for (const auto& [key, building] : row.GetBuildings()) {
            if (previous) {
                const int32_t gap = building.collisionLeft - previous->collisionRight;
                const int32_t drop = building.collisionTop - previous->collisionTop;
                const float reach = ComputeJumpReach(speed, float(drop));
                if (float(gap) > reach)
                    wrong.push_back("level " + std::to_string(level + 1) + ": the gap before building " +
                                    std::to_string(key) + " is " + std::to_string(gap) + " px, " +
                                    std::to_string(-drop) + " px up; the reach at " + std::to_string(int(speed)) +
                                    " px/s is " + std::to_string(int(reach)) + " px");
            }
            previous = &building;
        }
    }
    EXPECT_TRUE(wrong.empty()) << List(wrong);
}

// The credits script: at most 99 commands, positions given, ending with
// StopMusic so that the menu music it plays never outlives it.
TEST_F(ContentData, CreditsScriptEndsWithStopMusic)
{
    pugi::xml_document document;
    ASSERT_TRUE(ParseFile("the_end.xml", document));
    const char* commands[] = {"TextSimple",    "TextCenter",   "Gfx",         "Splash",     "Wait",
                              "StartMovingUp", "StopMovingUp", "ClearScreen", "StartMusic", "StopMusic"};
    int count = 0;
    float total = 0;
    std::string last;
    std::vector<std::string> wrong;
    for (pugi::xml_node command : document.document_element().children()) {
        if (command.type() != pugi::node_element) continue;
        const std::string name = Lower(command.name());
        bool known = false;
        for (const char* c : commands) known = known || name == Lower(c);
        if (!known) {
            wrong.push_back(std::string("unknown command ") + command.name());
            continue;
        }
        ++count;
        total += command.attribute("time").as_float();
        last = name;
        if ((name == "textsimple" || name == "gfx") && !command.attribute("xpos"))
            wrong.push_back(std::string(command.name()) + " without xpos");
        if ((name == "textsimple" || name == "textcenter" || name == "gfx") && !command.attribute("ypos"))
            wrong.push_back(std::string(command.name()) + " without ypos");
    }
    EXPECT_LE(count, 99);
    EXPECT_EQ(last, "stopmusic");
    EXPECT_GT(total, 10.0f);
    EXPECT_TRUE(wrong.empty()) << List(wrong);
}

// ---------------------------------------------------------------------------
// Pictures.

// Atlas descriptions as written: every rectangle lies inside its page.
TEST_F(ContentPictures, EveryAtlasRectangleLiesInsideItsPage)
{
    std::vector<std::string> wrong;
    int atlases = 0;
    for (const std::string& name : ArchiveNames(VXB_ATLAS_PAK)) {
        if (!EndsWith(name, ".xml")) continue;
        ++atlases;
        const std::string page = name.substr(0, name.size() - 3) + "png";
        SmartPtr<Voke::Surface> surface(Voke::LoadSurfaceWithOptions(page));
        pugi::xml_document document;
        if (!surface || !ParseFile(name, document)) {
            wrong.push_back(name + " or its page does not load");
            continue;
        }
        std::set<std::string> ids;
        for (pugi::xml_node rect : document.document_element().children("rect")) {
            const std::string id = rect.attribute("id").value();
            const int x = rect.attribute("x").as_int(-1), y = rect.attribute("y").as_int(-1);
            const int w = rect.attribute("width").as_int(0), h = rect.attribute("height").as_int(0);
            if (!ids.insert(id).second) wrong.push_back(name + ": " + id + " twice");
            if (x < 0 || y < 0 || w <= 0 || h <= 0 || x + w > surface->GetWidth() || y + h > surface->GetHeight())
                wrong.push_back(name + ": " + id + " outside its " + std::to_string(surface->GetWidth()) + " x " +
                                std::to_string(surface->GetHeight()) + " page");
        }
    }
    EXPECT_GE(atlases, 16);
    EXPECT_TRUE(wrong.empty()) << List(wrong);
}

// The splash, the throbber and the flags are shown before any atlas is
// loaded: they are files of their own.
TEST_F(ContentPictures, PicturesShownBeforeLoadingAreLooseFiles)
{
    std::vector<std::string> misses;
    for (const std::string& name : ContentNames::EarlyPictures())
        if (!Resolves(name)) misses.push_back(name);
    EXPECT_TRUE(misses.empty()) << "missing:" << List(misses);
}

TEST_F(ContentPictures, EveryPictureAndTiledPictureResolvesAfterTheAtlasesLoad)
{
    std::vector<std::string> misses;
    LoadAtlases(ContentNames::CommonAtlases(), misses);
    // Names with options ("@linear") are loaded as files, never from an atlas.
    for (const std::string& name : ContentNames::Pictures())
        if (!Resolves(name)) misses.push_back(name);
    for (const std::string& name : ContentNames::TiledPictures()) {
        pugi::xml_document document;
        if (!ParseFile(name, document)) {
            misses.push_back(name);
            continue;
        }
        if (document.document_element().attribute("width").as_int() <= 0)
            misses.push_back(name + " has no width");
        for (pugi::xml_node tile : document.document_element().children()) {
            const std::string file = tile.attribute("filename").value();
            if (Lower(tile.name()) == "texture" && !file.empty() && !Resolves(file))
                misses.push_back(name + " names " + file);
        }
    }
    // Pictures the credits script shows.
    pugi::xml_document credits;
    if (ParseFile("the_end.xml", credits))
        for (pugi::xml_node gfx : credits.document_element().children("Gfx"))
            if (!Resolves(gfx.attribute("file").value())) misses.push_back(std::string("the_end.xml names ") + gfx.attribute("file").value());
    EXPECT_TRUE(misses.empty()) << "missing:" << List(misses);
}

TEST_F(ContentPictures, EveryLanguageHasItsVariantOfTheLocalisedPictures)
{
    std::vector<std::string> misses;
    LoadAtlases(ContentNames::CommonAtlases(), misses);
    for (const char* code : {"fr", "it", "gr", "es"}) {
        LoadAtlases(ContentNames::LanguageAtlases(code), misses);
        SetLanguageCode(code);
        for (const std::string& name : ContentNames::LocalisedPictures()) {
            const std::string variant = LocalizedAssetName(name);
            if (!Resolves(variant)) misses.push_back(variant);
        }
    }
    SetLanguageCode("");
    EXPECT_TRUE(misses.empty()) << "missing:" << List(misses);
}

// Sizes the screens depend on: the flags sit 115 px apart, the pause button
// lies within its tap zone (118 x 34 below y 6), the endless-mode button
// within the screen at y 283, and the score digits are 13 px cells after a
// prefix cell.
TEST_F(ContentPictures, PicturesFitTheirPlaces)
{
    std::vector<std::string> wrong;
    LoadAtlases(ContentNames::CommonAtlases(), wrong);
    auto check = [&](const std::string& name, int maxWidth, int maxHeight, int minWidth = 1) {
        SmartPtr<Voke::Surface> image = Voke::GetCachedSurface(name, false);
        if (!image) {
            wrong.push_back(name + " is missing");
            return;
        }
        const int w = image->GetWidth(), h = image->GetHeight();
        if (w > maxWidth || h > maxHeight || w < minWidth)
            wrong.push_back(name + " is " + std::to_string(w) + " x " + std::to_string(h));
    };
    for (const char* flag : {"flag_en.png", "flag_fr.png", "flag_it.png", "flag_gr.png", "flag_es.png"})
        check(flag, 114, 89);
    check("hud_score_font.png", 4096, 320, 13 * 11);
    for (const char* code : {"fr", "it", "gr", "es"}) LoadAtlases(ContentNames::LanguageAtlases(code), wrong);
    for (const char* suffix : {"", "_fr", "_it", "_gr", "_es"}) {
        check(std::string("pause_button") + suffix + ".png", 118, 34);
        check(std::string("endless-mode-button") + suffix + ".png", 480, 37);
    }
    EXPECT_TRUE(wrong.empty()) << List(wrong);
}

// Fills stretch the pixel at (2, 2) of a one-colour image over a rectangle:
// each is at least 3 x 3 and wholly its colour.
TEST_F(ContentPictures, OneColourImagesAreTheirColour)
{
    std::vector<std::string> wrong;
    LoadAtlases(ContentNames::CommonAtlases(), wrong);

    std::map<std::string, ContentNames::ColourImage> colours;
    for (const ContentNames::ColourImage& colour : ContentNames::ColourImages())
        colours.emplace(ContentNames::ColourImageName(colour), colour);
    // The rectangles of the tiled pictures name theirs by colour.
    for (const std::string& name : ContentNames::TiledPictures()) {
        pugi::xml_document document;
        if (!ParseFile(name, document)) continue;  // reported with the pictures
        for (pugi::xml_node rect : document.document_element().children())
            if (Lower(rect.name()) == "rect") {
                const ContentNames::ColourImage colour = {rect.attribute("r").as_int(), rect.attribute("g").as_int(),
                                                          rect.attribute("b").as_int(), false};
                colours.emplace(ContentNames::ColourImageName(colour), colour);
            }
    }

    for (const auto& [name, colour] : colours) {
        SmartPtr<Voke::Surface> image = Voke::GetCachedSurface(name, false);
        if (!image) {
            wrong.push_back(name + " is missing");
            continue;
        }
        const int w = image->GetWidth(), h = image->GetHeight();
        if (w < 3 || h < 3) {
            wrong.push_back(name + " is smaller than 3 x 3");
            continue;
        }
        const Voke::Color expected = Voke::MakeColor(uint8_t(colour.r), uint8_t(colour.g), uint8_t(colour.b));
        std::string differs;
        for (int y = 0; y < h && differs.empty(); ++y)
            for (int x = 0; x < w && differs.empty(); ++x) {
                const Voke::Color pixel = PixelOf(*image, x, y);
                if (pixel == expected) continue;
                char text[96];
                std::snprintf(text, sizeof text, " (pixel %d, %d is %d, %d, %d, alpha %d)", x, y, int(Voke::ColorR(pixel)),
                              int(Voke::ColorG(pixel)), int(Voke::ColorB(pixel)), int(Voke::ColorA(pixel)));
                differs = text;
            }
        if (!differs.empty()) wrong.push_back(name + " is not wholly its colour" + differs);
    }
    EXPECT_TRUE(wrong.empty()) << List(wrong);
}

// ---------------------------------------------------------------------------
// Sounds.

TEST_F(ContentSounds, EverySoundAndTuneOpens)
{
    std::vector<std::string> misses;
    for (const std::string& name : ContentNames::Sounds())
        if (!Voke::GetCachedSound(*Voke::AssetDict::s_engine, name, false)) misses.push_back(name);
    EXPECT_TRUE(misses.empty()) << "missing:" << List(misses);
}

}  // namespace
