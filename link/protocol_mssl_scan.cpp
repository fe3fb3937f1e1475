// The scan operations of the master/slave driver: the receiver sweeps the band step by step
// while the driver reads signal level ("Slvl") and link margin ("Lnmr") and records each
// carrier in the scan tree; then each carrier is tested at a symbol rate (lock with "Sigq",
// service count and names with "Snam").
// The nodes they add to the scan tree, and their keys, are those of link/scankey.h; an
// identified transponder is bold.

#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/protocol_mssl.h"
#include "link/scankey.h"
#include "link/scantree.h"
#include "platform/host.h"
#include "platform/numbers.h"

#include <QVector>

#include <cmath>

namespace {

const QString kNoLevel = QStringLiteral("-??.??");
const QString kNoMargin = QStringLiteral("-??.?");

// A receiver that never reports the frequency it was asked for (a lost link, another form of
// the frequency) ends the sweep after this many repetitions of the tuning.
constexpr int kMaxTuningRepeats = 20;

// "0.0": one decimal, halves away from zero, "." as separator.
QString marginText(float m)
{
    const double rounded = std::round(double(m) * 10.0) / 10.0;
    return QString::number(rounded, 'f', 1);
}

QString frequencyText(double f)
{
    return QString::number(f, 'f', 0);
}

// A level or margin as the number it reads; none for a reply that is no number.
std::optional<double> reading(const QString &text)
{
    if (!IsNumeric(text))
        return std::nullopt;
    return LeadingNumber(text);
}

// Two carriers whose humps touch leave no step without signal between them, but their score
// (level plus twice the margin) falls into a valley where one ends and the next begins: about
// 20 dB below the peaks where a carrier's band ends, as a real spectrum dips between carriers.
// A valley deeper than this on both sides splits the candidate. Reading noise of up to 1.5 dB
// either way on level and margin moves two scores apart by at most 9 dB, so one carrier's top
// never splits; 78 % of the touching neighbours in the 328 real positions' plans dip deeper.
constexpr double kValleyDb = 10.0;

// The steps of the carrier being crossed, each with its score.
struct Candidate
{
    struct Step
    {
        double frequency, score;
        float margin;
    };
    QVector<Step> steps;

    bool open() const { return !steps.isEmpty(); }
    // The step with the best score; of equal scores the earlier, lower frequency.
    static Step best(const QVector<Step> &part)
    {
        Step b = part.first();
        for (const Step &s : part) {
            if (s.score > b.score)
                b = s;
        }
        return b;
    }
    // When the steps before the last fell from their best into a valley more than kValleyDb
    // deep, and the last step rose out of it by as much (whether or not above that best): the
    // steps before the valley, one carrier, which leave the candidate. Otherwise nothing.
    QVector<Step> splitAtValley()
    {
        const int last = int(steps.size()) - 1;
        int peak = 0;
        for (int i = 1; i < last; ++i) {
            if (steps[i].score > steps[peak].score)
                peak = i;
        }
        int valley = peak;
        for (int i = peak + 1; i < last; ++i) {
            if (steps[i].score < steps[valley].score)
                valley = i;
        }
        const double floor = steps[valley].score;
        if (last < 2 || steps[peak].score - floor <= kValleyDb ||
            steps[last].score - floor <= kValleyDb)
            return {};
        const QVector<Step> before = steps.mid(0, valley);
        steps.remove(0, valley);
        return before;
    }
};

} // namespace

bool Protocol_MsSl::SetScanLocal(ScanEvents &Events, ScanTree &TreeView, bool &Run)
{
    const LinkOperation op(m_link, __func__);
    const RunWatch watch(*this, Run);
    if (query("Fend") == "Bsrc") {
        set("Fend", "Null");
        m_link.host.sleep(3000);
    }
    set("AStp", "OFF");
    set("Vnpd", "OFF");
    SetSpeed(QStringLiteral("45000"));
    Wait(200);
    const bool v = RunScanLocal(QStringLiteral("V"), Events, TreeView, Run);
    const bool h = RunScanLocal(QStringLiteral("H"), Events, TreeView, Run);
    if (!m_link.receiverLost()) { // a lost receiver would only make each time out
        set("AStp", "ON");
        set("Vnpd", "ON");
    }
    return v || h;
}

bool Protocol_MsSl::RunScanLocal(const QString &Pol, ScanEvents &Events, ScanTree &TreeView,
                                 bool &Run)
{
    const LinkOperation op(m_link, __func__);
    const SweepBand band = SweepBand::of(m_link.Bnd);
    const double end = band.end;
    double f = band.first;
    bool found = false;
    bool cut = false; // the receiver never reported the frequency of a step

    // The carrier being crossed; each carrier is recorded at its step with the best level plus
    // twice the margin.
    Candidate open;
    auto record = [&](const QVector<Candidate::Step> &part) {
        const Candidate::Step best = Candidate::best(part);
        const ScanKey carrier = ScanKey::found(frequencyText(best.frequency), Pol);
        const QString M = marginText(best.margin);
        const int node = TreeView.add(0, carrier.key(), carrier.text());
        if (node) {
            TreeView.add(node, carrier.margin(M).key(), QStringLiteral("Margin:") + M);
            Events.carrierFound(TreeView.key(node), part.first().frequency, part.last().frequency);
        }
        found = true;
    };
    auto close = [&] {
        if (open.open())
            record(std::exchange(open.steps, {}));
    };

    if (Run) {
        SetLNBPolar(Pol);
        SetFrequencyNum(f);
        Wait(ScanWaits::kSettleMs);
        Events.sweepStarted(Pol, band.steps());
        for (;;) {
            // Tune and wait until the receiver reports the frequency asked for.
            SetFrequencyNum(f);
            QString r = QString::fromLatin1(query("Tfrq"));
            int repeats = 0;
            while (Run && !(IsNumeric(r) && LeadingNumber(r) == f)) {
                cut = ++repeats > kMaxTuningRepeats;
                if (cut)
                    break;
                m_link.host.doEvents();
                SetFrequencyNum(f);
                r = QString::fromLatin1(query("Tfrq"));
            }
            if (!Run || cut)
                break; // an open candidate is dropped
            Events.stepTuned(f);

            QString level;
            bool signal = true;
            for (int i = 0; i < 8; ++i) {
                level = QString::fromLatin1(query("Slvl"));
                if (m_link.receiverLost())
                    break;
                if (level == kNoLevel) {
                    signal = false;
                    break;
                }
            }
            QString margin;
            QVector<Candidate::Step> before; // a carrier the step told apart from the next
            if (signal) {
                margin = QString::fromLatin1(query("Lnmr"));
                if (margin != kNoMargin) {
                    const float m = float(LeadingNumber(margin));
                    // A margin below -4.1 neither feeds nor closes the carrier.
                    if (!(m < -4.1f)) {
                        const double score = LeadingNumber(level) + 2.0 * LeadingNumber(margin);
                        open.steps.append({f, score, m});
                        before = open.splitAtValley();
                    }
                }
            }
            // What a lost receiver left unanswered is no reading: the step is not recorded,
            // and an open candidate is dropped, as at a stop.
            if (m_link.receiverLost())
                break;
            // "-??.??" and "-??.?" read as no number, as does a margin never asked.
            Events.sweepStep(Pol, f, reading(level), reading(margin));
            if (!before.isEmpty())
                record(before);
            if (level == kNoLevel || margin == kNoMargin)
                close();
            f += 1000.0;
            if (!(f < end)) {
                close(); // a carrier that lasts to the end of the band is a carrier all the same
                break;
            }
        }
    }
    Events.sweepEnded(Pol);
    if (cut)
        Events.sweepCut(Pol, frequencyText(f));
    return found;
}

bool Protocol_MsSl::RunTestLocal(const QString &Sym, ScanEvents &Events, ScanTree &TreeView,
                                 bool &Run, bool ReScan)
{
    return RunTests([&Sym](const QString &) { return Sym; }, Events, TreeView, Run, ReScan);
}

bool Protocol_MsSl::RunTests(const RateOf &rateOf, ScanEvents &Events, ScanTree &TreeView,
                             bool &Run, bool ReScan)
{
    const LinkOperation op(m_link, "RunTestLocal");
    const RunWatch watch(*this, Run);
    const int count = TreeView.count();
    if (count == 0)
        return true;
    Events.testingStarted();
    QString lastPolar;
    for (int i = 1; i <= count && Run; ++i) {
        const int node = i;
        if (TreeView.parent(node) || ScanKey::identifiedKey(TreeView.key(node)))
            continue;
        const QString Sym = rateOf(TreeView.key(node));
        if (Sym.isEmpty())
            continue;
        TreeView.select(node);
        SetSpeed(Sym);
        const ScanKey carrier = ScanKey::ofTransponder(TreeView.key(node));
        const QString &P = carrier.polarisation;
        if (P != lastPolar) {
            SetLNBPolar(P);
            lastPolar = P;
        }
        Events.carrierTaken(TreeView.key(node), P, Sym);
        const QString &base = carrier.frequency;
        QString freq = base;
        Tried t;
        for (int attempt = 0;; ++attempt) {
            t = testFrequency(freq, TreeView.key(node), Sym, Events, Run);
            keepMargin(node, t.margin, Sym, TreeView);
            if (t.services > 0 || !Run || !ReScan || attempt >= ScanWaits::kNeighbours)
                break;
            static const int offsets[ScanWaits::kNeighbours] = {-6000, -3000, 3000, 6000};
            freq = frequencyText(LeadingNumber(base) + offsets[attempt]);
        }
        // Services counted: the transponder is identified, and Run is next read after the
        // first pass over the names.
        if (t.services > 0 ? !identify(node, freq, P, Sym, t.services, Events, TreeView, Run)
                           : !Run)
            break;
    }
    const bool result = AllFound(TreeView);
    Events.testingEnded();
    return result;
}

bool Protocol_MsSl::TestAt(const QString &freq, const QString &Pol, const QString &Sym,
                           ScanEvents &Events, ScanTree &TreeView, bool &Run)
{
    const LinkOperation op(m_link, "RunTestLocal");
    const RunWatch watch(*this, Run);
    const ScanKey carrier = ScanKey::found(freq, Pol);
    Events.testingStarted();
    SetSpeed(Sym);
    SetLNBPolar(Pol);
    Events.carrierTaken(carrier.key(), Pol, Sym);
    const Tried t = testFrequency(freq, carrier.key(), Sym, Events, Run);
    bool added = false;
    if (t.services > 0) {
        const int node = TreeView.add(0, carrier.key(), carrier.text());
        if (node) {
            TreeView.add(node, carrier.margin(t.margin).key(),
                         QStringLiteral("Margin:") + t.margin);
            keepMargin(node, t.margin, Sym, TreeView);
            added = identify(node, freq, Pol, Sym, t.services, Events, TreeView, Run);
            added = added && ScanKey::identifiedKey(TreeView.key(node));
        }
    }
    Events.testingEnded();
    return added;
}

// The margin a try read replaces the sweep's under the transponder, with the rate tried.
void Protocol_MsSl::keepMargin(int node, const QString &margin, const QString &Sym,
                               ScanTree &TreeView)
{
    if (margin.isEmpty())
        return;
    for (int c = 0; c < TreeView.childCount(node); ++c) {
        const int child = TreeView.child(node, c);
        if (!TreeView.text(child).contains(QLatin1String("Margin:")))
            continue;
        // The sweep's frequency and polarisation stay; the rate tested comes in.
        const ScanKey swept = ScanKey::ofChild(TreeView.key(child));
        TreeView.setKey(
            child,
            ScanKey::identified(swept.frequency, swept.polarisation, Sym).margin(margin).key());
        TreeView.setText(child, QStringLiteral("Margin:") + margin);
        break;
    }
}

Protocol_MsSl::Tried Protocol_MsSl::testFrequency(const QString &freq, const QString &key,
                                                  const QString &Sym, ScanEvents &Events, bool &Run)
{
    Events.testStarted(key, freq, Sym);
    const Tried t = tryOnce(freq, Events, Run);
    Events.tryEnded(t.outcome);
    return t;
}

// Tunes to freq and waits for margin, lock and services. No services counted when the
// transponder does not answer there (or Run was cleared).
Protocol_MsSl::Tried Protocol_MsSl::tryOnce(const QString &freq, ScanEvents &Events, bool &Run)
{
    SetFrequency(freq);
    Wait(ScanWaits::kTestMs);
    const QString L = QString::fromLatin1(query("Lnmr"));
    // No reply is no margin: the sweep's margin stays, and the transponder does not answer here.
    if (L.isEmpty() || L == kNoMargin || float(LeadingNumber(L)) < -0.1f)
        return {Run ? TryOutcome::NoMargin : TryOutcome::Stopped, {}, 0};
    Tried t{TryOutcome::NoLock, L, 0};

    Events.polling(ScanPoll::Lock, 0);
    for (int failures = 0;;) {
        const QString q = QString::fromLatin1(query("Sigq"));
        Wait(ScanWaits::kPollMs);
        if (IsNumeric(q) && q != QLatin1String("00"))
            break;
        if (++failures >= 80 || m_link.receiverLost())
            return t;
        Events.polling(ScanPoll::Lock, failures);
    }
    if (!Run)
        return {TryOutcome::Stopped, L, 0};

    Events.locked();
    t.outcome = TryOutcome::NoServices;
    Events.polling(ScanPoll::Services, 0);
    Wait(ScanWaits::kServicesMs);
    for (int failures = 0;;) {
        const qint16 n = GetServiceNumber();
        if (n > 0)
            return {TryOutcome::Services, L, n};
        Wait(ScanWaits::kPollMs);
        if (++failures >= 20)
            return t;
        Events.polling(ScanPoll::Services, failures);
        if (!Run)
            return {TryOutcome::Stopped, L, 0};
    }
}

// Records the transponder as identified at freq with n services and reads their names.
// False when Run was cleared.
bool Protocol_MsSl::identify(int node, const QString &freq, const QString &P, const QString &Sym,
                             qint16 n, ScanEvents &Events, ScanTree &TreeView, bool &Run)
{
    const ScanKey T = ScanKey::identified(freq, P, Sym);
    // Another transponder identified as this very one already stands in the tree: this node
    // stays as found rather than replace or duplicate it.
    if (!TreeView.setKey(node, T.key()))
        return true;
    TreeView.setBold(node, true);
    Events.polling(ScanPoll::Names, 0);
    TreeView.setText(node, T.text());
    TreeView.add(node, T.services(n).key(), QStringLiteral("Services:") + QString::number(n));
    Events.identified(TreeView.key(node), n);

    QVector<QByteArray> names(n);
    QVector<bool> read(n, false);
    // The names read so far go into the tree, also when the run stops before the last pass.
    auto addNames = [&] {
        for (int s = 1; s <= n; ++s) {
            if (!read[s - 1])
                continue;
            const QByteArray name =
                names[s - 1].startsWith("Service:") ? QByteArray() : names[s - 1];
            const QString label = ServiceLabel::make(s, QString::fromLatin1(name));
            TreeView.add(node, T.service(label).key(), label);
        }
    };
    // Every service's name is asked in the first pass; a service the receiver has not named
    // yet ("Service:" and its number) is asked again in the next, up to six passes in all. A
    // service that stays unnamed (a data service, a feed) thus hides no name after it.
    auto named = [&](int s) { return read[s - 1] && !names[s - 1].startsWith("Service:"); };
    for (int pass = 1; pass <= 6; ++pass) {
        for (int s = 1; s <= n && !m_link.receiverLost(); ++s) {
            if (named(s))
                continue;
            set("Snam", QByteArray::number(s));
            m_link.host.sleep(ScanWaits::kNameMs);
            m_link.host.doEvents();
            const QByteArray name = query("Snam");
            // Only an answer replaces what an earlier pass read (an empty name included).
            if (m_link.silentExchanges() == 0) {
                names[s - 1] = name;
                read[s - 1] = true;
            }
        }
        Events.polling(ScanPoll::Names, pass);
        if (!Run) {
            addNames();
            return false;
        }
        bool all = true;
        for (int s = 1; s <= n; ++s)
            all = all && named(s);
        if (all || m_link.receiverLost())
            break;
    }
    for (int s = 1; s <= n; ++s)
        read[s - 1] = true; // after the passes every service is listed, named or not
    addNames();
    return true;
}

bool Protocol_MsSl::AllFound(const ScanTree &TreeView)
{
    for (int node = 1; node <= TreeView.count(); ++node) {
        if (!TreeView.parent(node) && !ScanKey::identifiedKey(TreeView.key(node)))
            return false;
    }
    return true;
}

bool Protocol_MsSl::OneFound(const ScanTree &TreeView)
{
    for (int node = 1; node <= TreeView.count(); ++node) {
        if (!TreeView.parent(node) && ScanKey::identifiedKey(TreeView.key(node)))
            return true;
    }
    return false;
}

bool Protocol_MsSl::SetSelected(ScanTree &TreeView, int Node)
{
    const LinkOperation op(m_link, __func__);
    Q_UNUSED(Node); // the clicked node is the tree's selected node
    // Only a service's node tunes; its fields are taken by their separators, so any frequency
    // and symbol rate width works.
    const ScanKey k = ScanKey::ofChild(TreeView.key(TreeView.selected()));
    const ServiceLabel label = ServiceLabel::of(k.value);
    if (k.kind != ScanKey::Service || label.number.isEmpty() || label.number == k.value)
        return false;
    SetLNBPolar(k.polarisation);
    SetSpeed(k.rate);
    SetFrequency(k.frequency);
    SetService(label.number);
    return false;
}
