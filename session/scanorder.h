#pragma once

#include "link/scanevents.h"
#include "lists/transponderentry.h"

#include <QHash>
#include <QList>
#include <QStringList>

// What guides a scan's tests beyond the rates ticked: the transponders of the position's stored
// list, if it has one, and whether each carrier is tried first at the rate its width points to.
struct ScanGuide
{
    QList<TransponderEntry> listed;
    bool likelyRateFirst = false;
};

// A carrier's signal spans about 1.35 times its symbol rate (the roll-off): kHz per kS/s.
constexpr double kWidthPerRate = 1.35;

// The rate (kS/s) of a carrier whose signal the sweep saw from low to high (kHz).
double WidthRate(double low, double high);

// Whether the transponder identified (its key) is the listed one: on its polarisation, within the
// receiver's capture of it (a tenth of its rate, half a sweep step at least).
bool StandsFor(const QString &identifiedKey, const TransponderEntry &listed);

// The rates each carrier of a scan is tried at, in order. Without a guide, the rates ticked in
// their order, as ever. A carrier that stands for a listed transponder is tried first at the
// listed rate, ticked or not; with likelyRateFirst, then at the ticked rate nearest the rate its
// width tells; then at the other ticked rates in their order, each rate once. A listed
// transponder no carrier stands for is tried once at its own frequency and rate. With no rate
// ticked there is no test at all: the sweep alone.
class ScanOrder : public ScanEvents
{
public:
    explicit ScanOrder(const QStringList &rates = {}, const ScanGuide &guide = {})
        : m_rates(rates), m_guide(guide)
    {
    }

    void carrierFound(const QString &key, double low, double high) override;

    // The listed transponder the carrier (by its key) stands for, if any: within its signal as
    // swept, or, for a carrier this run did not sweep, within half a step of its frequency.
    const TransponderEntry *listedFor(const QString &key) const;
    // The rate its width tells (kS/s); 0 when this run did not sweep it.
    double widthRate(const QString &key) const;
    // Its rates in the pass of tests, and in the pass with rescans (no width order there).
    QStringList firstRates(const QString &key) const;
    QStringList rescanRates(const QString &key) const;
    // The listed transponders no carrier of this run stands for, in the list's order.
    QList<TransponderEntry> unseen() const;
    // Whether the listed transponder lies within the signal of a carrier this run swept (one
    // that stands for a neighbour: narrow carriers side by side read as one).
    bool withinSignal(const TransponderEntry &listed) const;

private:
    struct Span
    {
        double low, high;
    };
    Span spanOf(const QString &key) const;
    QStringList ordered(const QString &key, bool byWidth) const;

    QStringList m_rates;
    ScanGuide m_guide;
    QHash<QString, Span> m_spans; // the carriers swept, by key
    QStringList m_found;          // their keys, in the order found
};
