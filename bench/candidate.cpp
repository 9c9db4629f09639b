// SPDX-License-Identifier: GPL-2.0-or-later
#include "candidate.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>

template<typename Number>
static Number median(std::vector<Number> values)
{
    if (values.empty())
        return Number(-1);
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

Candidate::Candidate(std::string label, std::vector<std::string> command,
    std::vector<std::string> environment, bool pressReturn)
    : label(std::move(label))
    , command(std::move(command))
    , environment(std::move(environment))
    , pressReturn(pressReturn)
{ }

double Candidate::medianMilliseconds() const
{
    return median(milliseconds);
}

double Candidate::medianDrawnMilliseconds() const
{
    return median(drawnMilliseconds);
}

double Candidate::medianLastDrawnMilliseconds() const
{
    return median(lastDrawnMilliseconds);
}

double Candidate::medianCloseMilliseconds() const
{
    return median(closeMilliseconds);
}

int Candidate::medianDrawnRectangles() const
{
    return median(drawnRectangles);
}

void measureInterleaved(
    MapTimer &timer, std::vector<Candidate> &candidates, int runs, double timeoutMs)
{
    for (int run = -1; run < runs; ++run) {
        for (Candidate &candidate : candidates) {
            if (!candidate.unavailable.empty())
                continue;
            const MapTimer::Sample sample = timer.run(
                candidate.command, candidate.environment, timeoutMs, candidate.pressReturn);
            if (candidate.restMs > 0)
                usleep(useconds_t(candidate.restMs * 1000));
            if (run < 0)
                continue;
            if (sample.milliseconds < 0) {
                ++candidate.unmapped;
                continue;
            }
            candidate.milliseconds.push_back(sample.milliseconds);
            candidate.rssAnonKb.push_back(sample.rssAnonKb);
            if (sample.drawnMilliseconds >= 0) {
                candidate.drawnMilliseconds.push_back(sample.drawnMilliseconds);
                candidate.lastDrawnMilliseconds.push_back(sample.lastDrawnMilliseconds);
                candidate.drawnRectangles.push_back(sample.drawnRectangles);
            }
            if (sample.closeMilliseconds >= 0)
                candidate.closeMilliseconds.push_back(sample.closeMilliseconds);
        }
    }
}

static void printRange(const std::vector<double> &values)
{
    if (values.empty()) {
        std::printf(" %7s %7s %7s", "-", "-", "-");
        return;
    }
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    std::printf(" %7.1f %7.1f %7.1f", *low, median(values), *high);
}

void printCandidates(const std::vector<Candidate> &candidates)
{
    std::printf("%-40s %23s %23s %23s\n", "", "mapped, ms", "first drawn, ms", "last drawn, ms");
    std::printf("%-40s %7s %7s %7s %7s %7s %7s %7s %7s %7s %6s %11s\n", "program", "min", "median",
        "max", "min", "median", "max", "min", "median", "max", "rects", "RssAnon kB");
    for (const Candidate &candidate : candidates) {
        const char *label = candidate.label.c_str();
        if (!candidate.unavailable.empty()) {
            std::printf("%-40s %s\n", label, candidate.unavailable.c_str());
            continue;
        }
        if (candidate.milliseconds.empty()) {
            std::printf("%-40s did not map\n", label);
            continue;
        }
        std::printf("%-40s", label);
        printRange(candidate.milliseconds);
        printRange(candidate.drawnMilliseconds);
        printRange(candidate.lastDrawnMilliseconds);
        std::printf(" %6d %11ld", median(candidate.drawnRectangles), median(candidate.rssAnonKb));
        const int undrawn = int(candidate.milliseconds.size() - candidate.drawnMilliseconds.size());
        if (candidate.unmapped > 0 || undrawn > 0)
            std::printf("  (%d runs did not map, %d did not draw)", candidate.unmapped, undrawn);
        std::printf("\n");
    }

    bool headed = false;
    for (const Candidate &candidate : candidates) {
        if (!candidate.pressReturn || !candidate.unavailable.empty())
            continue;
        if (!headed)
            std::printf(
                "\n%-40s %7s %7s %7s\n", "Return to window closed, ms", "min", "median", "max");
        headed = true;
        std::printf("%-40s", candidate.label.c_str());
        printRange(candidate.closeMilliseconds);
        std::printf("\n");
    }
}

void printRatio(const char *label, double numerator, double denominator, const char *target)
{
    if (numerator > 0 && denominator > 0)
        std::printf("%s: %.2f (target %s)\n", label, numerator / denominator, target);
}

static void printQuotient(double numerator, double denominator)
{
    if (numerator > 0 && denominator > 0)
        std::printf(" %9.2f", numerator / denominator);
    else
        std::printf(" %9s", "-");
}

void printRatioHead()
{
    std::printf("%-40s %9s %9s %9s %9s\n", "medians / the reference's", "mapped", "first", "last",
        "damages");
}

void printRatioRow(const Candidate &candidate, const Candidate &reference)
{
    std::printf("%-40s", candidate.label.c_str());
    printQuotient(candidate.medianMilliseconds(), reference.medianMilliseconds());
    printQuotient(candidate.medianDrawnMilliseconds(), reference.medianDrawnMilliseconds());
    printQuotient(candidate.medianLastDrawnMilliseconds(), reference.medianLastDrawnMilliseconds());
    std::printf(
        "  %3d / %-3d\n", candidate.medianDrawnRectangles(), reference.medianDrawnRectangles());
}

void printLoadAverage(const char *label)
{
    std::ifstream loadavg("/proc/loadavg");
    std::string load;
    std::getline(loadavg, load);
    std::printf("%s %s\n", label, load.c_str());
}
