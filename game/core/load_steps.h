// Numbered loading steps described as a table of runs.
//
// The loader counts its steps and the loading screen shows the count, so
// every step keeps its number whatever it does. A table lists the runs of
// steps that do work, in ascending order; each run does one kind of work,
// and a step's offset within its run picks the level, atlas or picture it
// loads. A step in no run does nothing but count.
#pragma once

#include <cstddef>
#include <cstdint>

template <typename Work>
struct LoadStepRun {
    int32_t first;  // the run's first step
    int32_t count;  // its number of steps, at least one
    Work work;
};

// The run holding `step`, or null for a step that does nothing.
template <typename Work, std::size_t N>
constexpr const LoadStepRun<Work>* FindLoadStepRun(const LoadStepRun<Work> (&runs)[N], int32_t step)
{
    for (const LoadStepRun<Work>& run : runs)
        if (step >= run.first && step < run.first + run.count) return &run;
    return nullptr;
}

// Whether every run has a step, the runs ascend without overlapping and the
// last ends within `total` steps: what the tables are checked against when
// they are compiled.
template <typename Work, std::size_t N>
constexpr bool LoadStepRunsFit(const LoadStepRun<Work> (&runs)[N], int32_t total)
{
    int32_t next = 0;
    for (const LoadStepRun<Work>& run : runs) {
        if (run.count < 1 || run.first < next) return false;
        next = run.first + run.count;
    }
    return next <= total;
}
