// Text layout: a dialog paragraph and a head-up-display number typeset in the
// game's menu font (built by the font builder), as screen texts are built
// when a page opens or a score changes.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

#include "engine/core/application_title.h"
#include "engine/core/xml.h"
#include "engine/text/screen_text.h"

const Voke::NarrowString ApplicationTitle = "text_bench";

namespace {

using namespace Voke;

SmartPtr<FontEx> MenuFont()
{
    static SmartPtr<FontEx> font;
    if (!font) {
        font = new FontEx;
        std::ifstream in(VOKE_BENCH_FONT, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SmartPtr<Xml> document(Xml::Create(text));
        font->LoadXml(document.Get());
        // Layout only stores the page; any surface stands in for it.
        SmartPtr<MemPixelData> pixels(new MemPixelData(512, 256, A8));
        SmartPtr<Surface> page(new Surface(pixels.Get()));
        font->SetPage(page);
    }
    return font;
}

Text::Format MenuFormat()
{
    static SmartPtr<Text::FontSet> set;
    if (!set) {
        set = new Text::FontSet;
        set->Add("default", MenuFont());
    }
    Text::Format format;
    format.fontSet = set;
    format.fontName = "default";
    format.color = {255, 255, 255, 255};
    format.alignment = 2;
    format.flags = Text::Format::kFontName | Text::Format::kColor | Text::Format::kAlignment;
    return format;
}

void BM_TypesetParagraph(benchmark::State& state)
{
    const Text::Format format = MenuFormat();
    const WideString text =
        L"Félicitations ! Vous avez terminé le niveau des égouts en moins de trois minutes. "
        L"Größere Sprünge über die Dächer bringen mehr Punkte; ¿quién llegará más lejos?";
    for (auto _ : state) {
        ScreenText screenText(format, text, {440, 0});
        benchmark::DoNotOptimize(screenText.height);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_TypesetParagraph);

void BM_TypesetScore(benchmark::State& state)
{
    const Text::Format format = MenuFormat();
    for (auto _ : state) {
        ScreenText screenText(format, L"12345 m", {120, 0});
        benchmark::DoNotOptimize(screenText.width);
    }
}
BENCHMARK(BM_TypesetScore);

}  // namespace

BENCHMARK_MAIN();
