// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CANDIDATE_H
#define CANDIDATE_H

#include "maptimer.h"

#include <string>
#include <vector>

/** A program whose start a benchmark times, and the figures of its runs. */
struct Candidate
{
    Candidate(std::string label, std::vector<std::string> command,
        std::vector<std::string> environment, bool pressReturn = false);

    std::string label;
    std::vector<std::string> command;
    /** "NAME=value" entries set on top of the benchmark's environment. */
    std::vector<std::string> environment;
    /** Whether each run ends with Return pressed in the settled window (see MapTimer::run). */
    bool pressReturn;
    /** Why the candidate is not run, such as "not installed"; empty when it is run. */
    std::string unavailable;
    /** How long the machine is left alone after each run, for work that a run
     *  leaves behind, such as a resident building its next dialog. */
    double restMs = 0;

    std::vector<double> milliseconds;
    std::vector<double> drawnMilliseconds;
    std::vector<double> lastDrawnMilliseconds;
    std::vector<int> drawnRectangles;
    std::vector<double> closeMilliseconds;
    std::vector<long> rssAnonKb;
    /** Runs that mapped no window in time. */
    int unmapped = 0;

    /** The median time to map in ms, or -1 when no run mapped a window. */
    double medianMilliseconds() const;
    /** The median time to the first drawing in ms, or -1 when no run drew its window. */
    double medianDrawnMilliseconds() const;
    /** The median time to the last drawing while settling in ms, or -1 when no run drew. */
    double medianLastDrawnMilliseconds() const;
    /** The median time from Return to the window's unmap in ms, or -1 when none closed. */
    double medianCloseMilliseconds() const;
    /** The median number of rectangles drawn, or -1 when no run drew. */
    int medianDrawnRectangles() const;
};

/**
 * Runs every available candidate once to fill the caches, then @p runs rounds
 * in which each takes its turn, so that a change in the machine's load falls
 * on all of them alike. Each run may take at most @p timeoutMs.
 */
void measureInterleaved(
    MapTimer &timer, std::vector<Candidate> &candidates, int runs, double timeoutMs);

/**
 * Prints min, median and max time to map, to the first and to the last
 * drawing, the median number of rectangles drawn and the median RssAnon of
 * each candidate, then the close times of those that pressed Return.
 */
void printCandidates(const std::vector<Candidate> &candidates);

/** Prints "label: a / b = ratio (target ...)" when both medians are known. */
void printRatio(const char *label, double numerator, double denominator, const char *target);

/** Prints the head of the table that printRatioRow() fills. */
void printRatioHead();
/**
 * Prints the medians of @p candidate divided by those of @p reference: the
 * time to map, to the first and to the last drawing, and the rectangles drawn.
 */
void printRatioRow(const Candidate &candidate, const Candidate &reference);

/** Prints the system's load averages, as /proc/loadavg gives them, after @p label. */
void printLoadAverage(const char *label);

#endif
