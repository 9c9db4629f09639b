// SPDX-License-Identifier: GPL-2.0-or-later
#include "candidate.h"

#include <algorithm>
#include <cstdio>
#include <utility>

template<typename Number>
static Number median(std::vector<Number> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

Candidate::Candidate(
    std::string label, std::vector<std::string> command, std::vector<std::string> environment)
    : label(std::move(label))
    , command(std::move(command))
    , environment(std::move(environment))
{ }

double Candidate::medianMilliseconds() const
{
    return milliseconds.empty() ? -1 : median(milliseconds);
}

void measureInterleaved(
    MapTimer &timer, std::vector<Candidate> &candidates, int runs, double timeoutMs)
{
    for (int run = -1; run < runs; ++run) {
        for (Candidate &candidate : candidates) {
            if (!candidate.unavailable.empty())
                continue;
            const MapTimer::Sample sample =
                timer.run(candidate.command, candidate.environment, timeoutMs);
            if (run < 0)
                continue;
            if (sample.milliseconds < 0) {
                ++candidate.unmapped;
                continue;
            }
            candidate.milliseconds.push_back(sample.milliseconds);
            candidate.rssAnonKb.push_back(sample.rssAnonKb);
        }
    }
}

void printCandidates(const std::vector<Candidate> &candidates)
{
    std::printf("%-34s %8s %8s %8s %12s\n", "program", "min ms", "median", "max", "RssAnon kB");
    for (const Candidate &candidate : candidates) {
        const char *label = candidate.label.c_str();
        if (!candidate.unavailable.empty()) {
            std::printf("%-34s %s\n", label, candidate.unavailable.c_str());
            continue;
        }
        if (candidate.milliseconds.empty()) {
            std::printf("%-34s did not map\n", label);
            continue;
        }
        const auto [low, high] =
            std::minmax_element(candidate.milliseconds.begin(), candidate.milliseconds.end());
        std::printf("%-34s %8.1f %8.1f %8.1f %12ld", label, *low, candidate.medianMilliseconds(),
            *high, median(candidate.rssAnonKb));
        if (candidate.unmapped > 0)
            std::printf("  (%d runs did not map)", candidate.unmapped);
        std::printf("\n");
    }
}
