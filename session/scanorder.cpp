#include "session/scanorder.h"

#include "link/scankey.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kHalfStepKhz = 500.0;

// The listed transponder on the polarisation whose frequency lies within the signal low..high
// (kHz, widened by half a sweep step either way) nearest the carrier's frequency, where the sweep
// read it best (narrow carriers side by side share one signal; the strongest is read best);
// none when no listed one does.
const TransponderEntry *NearestListed(const QList<TransponderEntry> &listed, const QString &pol,
                                      double low, double high, double khz)
{
    const TransponderEntry *nearest = nullptr;
    double nearestOff = 0;
    for (const TransponderEntry &l : listed) {
        const double at = l.frequency.toDouble(), off = std::fabs(at - khz);
        if (l.polarisation == pol && at >= low - kHalfStepKhz && at <= high + kHalfStepKhz &&
            (!nearest || off < nearestOff))
            nearest = &l, nearestOff = off;
    }
    return nearest;
}

} // namespace

bool StandsFor(const QString &identifiedKey, const TransponderEntry &listed)
{
    const ScanKey t = ScanKey::ofTransponder(identifiedKey);
    const double within = std::max(kHalfStepKhz, listed.symbolRate.toDouble() * 0.1);
    return t.kind == ScanKey::Identified && t.polarisation == listed.polarisation &&
           std::fabs(t.khz() - listed.frequency.toDouble()) <= within;
}

double WidthRate(double low, double high)
{
    // The steps of the carrier lie within its width, half a step in from each edge on average.
    return (high - low + kHalfStepKhz) / kWidthPerRate;
}

void ScanOrder::carrierFound(const QString &key, double low, double high)
{
    m_spans.insert(key, {low, high});
    m_found << key;
}

ScanOrder::Span ScanOrder::spanOf(const QString &key) const
{
    const double khz = ScanKey::ofTransponder(key).khz();
    return m_spans.value(key, {khz, khz});
}

const TransponderEntry *ScanOrder::listedFor(const QString &key) const
{
    const Span s = spanOf(key);
    const ScanKey carrier = ScanKey::ofTransponder(key);
    return NearestListed(m_guide.listed, carrier.polarisation, s.low, s.high, carrier.khz());
}

double ScanOrder::widthRate(const QString &key) const
{
    const auto s = m_spans.constFind(key);
    return s == m_spans.cend() ? 0.0 : WidthRate(s->low, s->high);
}

QStringList ScanOrder::ordered(const QString &key, bool byWidth) const
{
    QStringList order;
    if (m_rates.isEmpty())
        return order;
    if (const TransponderEntry *l = listedFor(key))
        order << l->symbolRate;
    const double width = byWidth ? widthRate(key) : 0.0;
    if (width > 0 && !m_rates.isEmpty()) {
        QString nearest = m_rates.first();
        for (const QString &r : m_rates) {
            if (std::fabs(r.toDouble() - width) < std::fabs(nearest.toDouble() - width))
                nearest = r;
        }
        order << nearest;
    }
    order << m_rates;
    order.removeDuplicates();
    return order;
}

QStringList ScanOrder::firstRates(const QString &key) const
{
    return ordered(key, m_guide.likelyRateFirst);
}

QStringList ScanOrder::rescanRates(const QString &key) const
{
    return ordered(key, false);
}

QList<TransponderEntry> ScanOrder::unseen() const
{
    QList<const TransponderEntry *> seen;
    for (const QString &key : m_found)
        seen << listedFor(key);
    QList<TransponderEntry> out;
    for (const TransponderEntry &l : m_guide.listed) {
        if (m_rates.isEmpty())
            break;
        if (!seen.contains(&l))
            out << l;
    }
    return out;
}

bool ScanOrder::withinSignal(const TransponderEntry &listed) const
{
    const double khz = listed.frequency.toDouble();
    for (auto s = m_spans.cbegin(); s != m_spans.cend(); ++s) {
        if (ScanKey::ofTransponder(s.key()).polarisation == listed.polarisation &&
            khz >= s->low - kHalfStepKhz && khz <= s->high + kHalfStepKhz)
            return true;
    }
    return false;
}
