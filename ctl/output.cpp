#include "ctl/output.h"

#include <QJsonDocument>

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

void Output::progress(const QString &text)
{
    std::fprintf(m_err, "kolvex7-ctl: %s\n", qPrintable(text));
    std::fflush(m_err);
}

void Output::error(const QString &text)
{
    std::fprintf(m_err, "kolvex7-ctl: %s\n", qPrintable(text));
    std::fflush(m_err);
}

int Output::finish(int status)
{
    if (m_json) {
        m_result.insert(QStringLiteral("status"), status);
        std::fputs(QJsonDocument(m_result).toJson(QJsonDocument::Compact).constData(), m_out);
        std::fputc('\n', m_out);
    } else {
        for (const QString &line : m_lines)
            std::fprintf(m_out, "%s\n", qPrintable(line));
    }
    std::fflush(m_out);
    m_result = QJsonObject();
    m_lines.clear();
    return status;
}
