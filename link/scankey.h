#pragma once

#include <QString>

// The key of a node of the scan tree, built and read here only. F is a frequency in kHz, P a
// polarisation letter, S a symbol rate, M a margin, all as the receiver wrote them:
//
//   a transponder found by the sweep   key "F|P"              text "F-P"
//   a transponder identified           key "F|P|S"            text "F-P-S"
//   its margin, as swept               key "F|P|M"            text "Margin:M"
//   its margin, as tested at rate S    key "F|P|S|M"          text "Margin:M"
//   its service count n                key "F-P-S|n"          text "Services:n"
//   one of its services                key "F-P-S#NNN-Name"   text "NNN-Name"
//
// A transponder's key and its text name the same frequency, polarisation and rate.
struct ScanKey
{
    enum Kind
    {
        None,
        Found,
        Identified,
        Margin,
        Services,
        Service
    };

    Kind kind = None;
    QString frequency, polarisation, rate;
    // The margin, the service count, or the service's label.
    QString value;

    static ScanKey found(const QString &F, const QString &P);
    static ScanKey identified(const QString &F, const QString &P, const QString &S);

    // The transponder a key of a top-level node names; kind None when it names none.
    static ScanKey ofTransponder(const QString &key);
    // What a key of a node under a transponder names; kind None when it names nothing known.
    static ScanKey ofChild(const QString &key);

    // Whether a top-level node's key names a transponder identified.
    static bool identifiedKey(const QString &key) { return ofTransponder(key).kind == Identified; }

    // Nodes under this transponder.
    ScanKey margin(const QString &M) const;
    ScanKey services(int n) const;
    ScanKey service(const QString &label) const;
    // The transponder this node belongs to.
    ScanKey transponder() const;

    QString key() const;
    // A transponder's text: "F-P", or "F-P-S" once identified.
    QString text() const;
    double khz() const { return frequency.toDouble(); }
};

// A service's label "NNN-Name", split at its first "-" so that numbers of four digits stay
// whole; a label without "-" is all number.
struct ServiceLabel
{
    QString number, name;
    static ServiceLabel of(const QString &label);
    static QString make(int number, const QString &name);
};
