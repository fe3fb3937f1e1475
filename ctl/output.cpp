#include "ctl/output.h"

#include <QJsonDocument>

#include <iterator>
#include <utility>

QByteArray Shown(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\n' && u != '\t') || (u >= 0x7f && u < 0xa0))
            shown += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown.toLocal8Bit();
}

namespace {

void WriteLine(std::FILE *to, const QByteArray &prefix, const QString &text)
{
    const QByteArray line = prefix + Shown(text) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), to);
}

} // namespace

void Output::field(const QString &name, const QJsonValue &value, const QString &text)
{
    m_result.insert(name, value);
    QString shown = text;
    if (shown.isNull())
        shown = value.isBool() ? (value.toBool() ? QStringLiteral("yes") : QStringLiteral("no"))
                               : value.toVariant().toString();
    m_lines << name + QStringLiteral(": ") + shown;
}

void Output::list(const QString &name, const QJsonArray &entries, const QStringList &lines)
{
    m_result.insert(name, entries);
    m_lines << lines;
}

void Output::tell(const QString &text)
{
    WriteLine(m_err, "kolvex7-ctl: ", text);
    std::fflush(m_err);
}

void Output::progress(const QString &text)
{
    if (!m_stopping)
        tell(text);
}

void Output::error(const QString &text)
{
    m_errors << text;
    tell(text);
}

void Output::stopping(const QString &text)
{
    if (!std::exchange(m_stopping, true))
        tell(text);
}

void Output::stream(const QString &text, bool overwrite)
{
    if (overwrite) {
        const QByteArray line = '\r' + Shown(text);
        std::fwrite(line.constData(), 1, size_t(line.size()), m_out);
    } else {
        WriteLine(m_out, QByteArray(), text);
    }
    std::fflush(m_out);
}

namespace {

// Each exit status's stable word and the words a failure says when it has none of its own.
struct Failure
{
    const char *kind;
    const char *said;
};
const Failure kFailures[] = {{"", ""},
                             {"failed", "failed"},
                             {"arguments", "bad arguments"},
                             {"port", "the port is unavailable"},
                             {"timeout", "the receiver did not answer"},
                             {"refused", "the receiver refused"},
                             {"no-lock", "the receiver did not lock"},
                             {"list-file", "a list file cannot be read whole"},
                             {"not-saved", "nothing was saved"}};

const Failure &FailureOf(int status)
{
    return status >= 0 && status < int(std::size(kFailures)) ? kFailures[status] : kFailures[1];
}

} // namespace

QString Output::errorKind(int status)
{
    return QString::fromLatin1(FailureOf(status).kind);
}

int Output::finish(int status)
{
    if (status != 0 && m_errors.isEmpty())
        error(QString::fromLatin1(FailureOf(status).said));
    if (m_json && status != 0) {
        m_result.insert(QStringLiteral("error"), m_errors.join(QLatin1Char('\n')));
        m_result.insert(QStringLiteral("error_kind"), errorKind(status));
    }
    m_errors.clear();
    if (m_json) {
        m_result.insert(QStringLiteral("status"), status);
        std::fputs(QJsonDocument(m_result).toJson(QJsonDocument::Compact).constData(), m_out);
        std::fputc('\n', m_out);
    } else {
        for (const QString &line : m_lines)
            WriteLine(m_out, QByteArray(), line);
    }
    std::fflush(m_out);
    m_result = QJsonObject();
    m_lines.clear();
    return status;
}
