#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>

// A line as it may reach a terminal: a control character (an escape sequence, a NUL from a
// binary file, a carriage return) is written as \xNN, never sent raw to the operator's screen.
QByteArray Shown(const QString &text);

// What a command of kolvex7-ctl reports. The result goes to standard output once the command
// ends, as "name: value" lines or, with --json, as one JSON object; progress and errors go to
// standard error as they happen, so a script reading the result is never confused by them.
class Output
{
public:
    explicit Output(bool json, std::FILE *out = stdout, std::FILE *err = stderr)
        : m_json(json), m_out(out), m_err(err)
    {
    }

    // A field of the result, shown as "name: text" (text defaults to the value).
    void field(const QString &name, const QJsonValue &value, const QString &text = QString());
    // A list of the result: one text line per entry, and a JSON array under the name.
    void list(const QString &name, const QJsonArray &entries, const QStringList &lines);
    // A progress line; none once the operator's stop is acknowledged.
    void progress(const QString &text);
    // An error, on standard error at once, and in the result (see finish).
    void error(const QString &text);
    // A line on standard error at once, also after a stop: what the program was told to say.
    void tell(const QString &text);
    // A line of a result that streams (a watch's sample, a meter's reading) on standard
    // output at once; `overwrite` rewrites a terminal's current line instead of adding one.
    void stream(const QString &text, bool overwrite = false);
    // Acknowledges the operator's stop (Ctrl+C) at once, the first time only.
    void stopping(const QString &text);
    // Writes the result; returns the exit status, for `return out.finish(status)`. A failure
    // says its error on standard error (the kind's own words when none was said), and, with
    // --json, the result carries it as "error" with a stable "error_kind" beside "status".
    int finish(int status);
    // The stable word for an exit status: "arguments", "port", "timeout", "refused",
    // "no-lock", "list-file", "not-saved" or "failed"; empty for 0.
    static QString errorKind(int status);

    bool json() const { return m_json; }

private:
    bool m_json;
    std::FILE *m_out;
    std::FILE *m_err;
    bool m_stopping = false;
    QStringList m_errors; // said since the last result
    QJsonObject m_result;
    QStringList m_lines;
};
