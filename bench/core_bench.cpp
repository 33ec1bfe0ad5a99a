// Hot paths of the engine core: the allocation front (every new goes through
// it), handle copies and UTF-8 conversion of displayed text.
#include <benchmark/benchmark.h>

#include "engine/core/memory.h"
#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace {

void BM_AllocateAndFree(benchmark::State& state)
{
    for (auto _ : state) {
        void* p = ::operator new(static_cast<std::size_t>(state.range(0)));
        benchmark::DoNotOptimize(p);
        ::operator delete(p);
    }
}
BENCHMARK(BM_AllocateAndFree)->Arg(16)->Arg(256);

struct Object : Voke::RefCounter {};

void BM_SmartPtrCopy(benchmark::State& state)
{
    Voke::SmartPtr<Object> original(new Object);
    for (auto _ : state) {
        Voke::SmartPtr<Object> copy = original;
        benchmark::DoNotOptimize(copy.Get());
    }
}
BENCHMARK(BM_SmartPtrCopy);

void BM_Utf8RoundTrip(benchmark::State& state)
{
    const Voke::NarrowString text = "Niveau termin\xC3\xA9 ! Punkte: 12345 \xE2\x80\x94 \xC2\xA1" "Bien hecho!";
    for (auto _ : state) {
        Voke::WideString wide = Voke::ToWideString(text);
        benchmark::DoNotOptimize(Voke::ToNarrowString(wide));
    }
}
BENCHMARK(BM_Utf8RoundTrip);

}  // namespace

BENCHMARK_MAIN();
