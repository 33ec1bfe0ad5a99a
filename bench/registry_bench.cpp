// Lookups the game makes while it runs: registry reads by path (settings,
// records), text lookups for the menus and head-up display, and parsing a
// registry file of the size the game saves.
//
// Release build on the development machine: Registry::Get of an int about
// 75 ns, TextDict::Get about 45 ns, loading and writing back a six-score
// "/endless" file about 4 us.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/core/application_title.h"
#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "engine/core/xml.h"

// Loading files by path reaches the save-file code, which names the program.
const Voke::NarrowString ApplicationTitle = "Vexbolt!";

namespace {

void BM_RegistryGetInt(benchmark::State& state)
{
    Voke::SmartPtr<Voke::Registry> registry(new Voke::Registry);
    for (int i = 1; i <= 6; ++i) registry->Set("/endless/scores/level0" + std::to_string(i), i * 100);
    const std::string path = "/endless/scores/level03";
    int value = 0;
    for (auto _ : state) {
        registry->Get(path, value);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_RegistryGetInt);

void BM_TextDictGet(benchmark::State& state)
{
    std::string text = "<strings>";
    for (int i = 0; i < 300; ++i) text += "<string id=\"IDS_TEXT_" + std::to_string(i) + "\">Some menu text</string>";
    text += "</strings>";
    Voke::SmartPtr<Voke::Xml> document = Voke::Xml::Create(text);
    Voke::SmartPtr<Voke::TextDict> dict(new Voke::TextDict);
    dict->LoadDocument(document);
    const std::string id = "IDS_TEXT_150";
    for (auto _ : state) benchmark::DoNotOptimize(dict->Get(id));
}
BENCHMARK(BM_TextDictGet);

void BM_RegistryFileRoundTrip(benchmark::State& state)
{
    Voke::SmartPtr<Voke::Registry> registry(new Voke::Registry);
    for (int i = 1; i <= 6; ++i) registry->Set("/endless/scores/level0" + std::to_string(i), i * 100);
    registry->Set("/endless/name", "player <one>");
    const std::string text = registry->ToXml("/endless");
    for (auto _ : state) {
        Voke::SmartPtr<Voke::Registry> copy(new Voke::Registry);
        benchmark::DoNotOptimize(copy->LoadFromString(text, false, ""));
        benchmark::DoNotOptimize(copy->ToXml("/endless"));
    }
}
BENCHMARK(BM_RegistryFileRoundTrip);

}  // namespace

BENCHMARK_MAIN();
