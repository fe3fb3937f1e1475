#pragma once

#include "testsupport/simulatedreceiver.h"

#include <QMap>

// The simulated receiver with a script in the model's stead, for what the model does not have:
// "Snam" answered from `names` by the number last set ("257" for the count), every other set
// accepted. A receiver `scanning` answers the rest as a sweep and a test see it: the frequency
// and polarisation last set, level and margin per frequency (none where `signal` has nothing),
// the lock quality per frequency ("00" where none is given), and service names ("Name N", or a
// "Service:" placeholder as long as `unnamedFor` says); any other query "OK". Without
// `scanning` the rest goes unanswered.
struct ScriptedReceiver : SimulatedReceiver
{
    explicit ScriptedReceiver(quint32 startTick = 0, bool scanning = false)
        : SimulatedReceiver(ReceiverModel::Options{}, startTick), scanning(scanning)
    {
        answer = [this](const QByteArray &frame) {
            const int open = int(frame.indexOf('{')), eq = int(frame.indexOf('='));
            const QByteArray code = frame.mid(open + 1, eq - open - 1);
            const QByteArray v = reply(code, frame.mid(eq + 1, frame.size() - eq - 2));
            if (!v.isNull())
                port.feedAfter(latencyMs, "\x81{" + code + '=' + v + '}');
        };
        link.Bnd = 1;
    }

    // The reply's value, or null for none.
    QByteArray reply(const QByteArray &code, const QByteArray &value)
    {
        if (value != "?") {
            tuned = code == "Tfrq" ? value.toLongLong() : tuned;
            polar = code == "LNBp" ? value : polar;
            if (code == "Snam") {
                lastName = value;
                namePass += value == "1";
            }
            return "OK";
        }
        if (code == "Snam" && names.contains(lastName))
            return names[lastName];
        if (!scanning)
            return QByteArray();
        const auto s = signal.value(tuned);
        if (code == "Tfrq" || code == "LNBp")
            return code == "Tfrq" ? QByteArray::number(tuned) : polar;
        if (code == "Slvl" || code == "Lnmr")
            return code == "Slvl" ? (s.first.isEmpty() ? "-??.??" : s.first)
                                  : (s.second.isEmpty() ? "-??.?" : s.second);
        if (code == "Sigq")
            return quality.value(tuned, "00");
        if (code == "Snam" && lastName != "257" && unnamedFor.value(lastName) > 0) {
            --unnamedFor[lastName];
            return "Service:" + lastName.rightJustified(4, '0');
        }
        if (code == "Snam")
            return lastName == "257" ? "Srvc_Mx:" + QByteArray::number(services)
                                     : "Name " + lastName;
        return code == "Fend" ? "Null" : "OK";
    }

    // The frames of one code sent so far, without the address byte.
    QByteArrayList sent(const QByteArray &code) const
    {
        QByteArrayList out;
        for (const QByteArray &w : port.writes())
            if (w.contains("{" + code + "="))
                out << w.mid(1);
        return out;
    }

    bool scanning;
    QMap<QByteArray, QByteArray> names;
    QMap<qint64, QPair<QByteArray, QByteArray>> signal; // frequency: level, margin
    QMap<qint64, QByteArray> quality;
    int services = 0;
    qint64 tuned = 0;
    QByteArray polar = "14";
    QByteArray lastName;
    int namePass = 0;
    // Services the receiver has not named yet: how many more name queries read "Service:".
    QMap<QByteArray, int> unnamedFor;
};
