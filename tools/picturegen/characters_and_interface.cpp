#include "tools/picturegen/interface_painters.h"
#include "tools/picturegen/painters.h"

namespace PictureGen {

const std::vector<Language>& Languages()
{
    static const std::vector<Language> languages = {
        {"en", "", kInterfacePage, kInterfacePage},
        {"fr", "_fr", "ab_fr", "ab02_fr"},
        {"it", "_it", "ab_it", "ab02_it"},
        {"gr", "_gr", "ab_gr", "ab02_gr"},
        {"es", "_es", "ab_es", "ab02_es"},
    };
    return languages;
}

std::string Localised(const std::string& name, const Language& language)
{
    size_t dot = name.find('.');
    if (dot == std::string::npos) return name + language.suffix;
    return name.substr(0, dot) + language.suffix + name.substr(dot);
}

void AddPictures(PictureSink& sink, const std::string& page, std::initializer_list<NamedPicture> pictures)
{
    for (const NamedPicture& picture : pictures) sink.Add(page, picture.name, picture.draw().get());
}

void PaintCharactersAndInterface(PictureSink& sink)
{
    PaintRunner(sink);
    PaintPoliceman(sink);
    PaintEffects(sink);
    PaintHud(sink);
    PaintMenus(sink);
    PaintStartScreens(sink);
    PaintTutorial(sink);
    PaintPreviews(sink);
}

}  // namespace PictureGen
