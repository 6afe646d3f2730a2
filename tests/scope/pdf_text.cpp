#include "pdf_text.h"

#include <QRegularExpression>

#include <map>

namespace {

QByteArray Inflate(const QByteArray &raw)
{
    // qUncompress wants the expected size in front; it grows its buffer when that is short.
    const quint32 hint = quint32(raw.size()) * 8 + 1024;
    const char size[4] = {char(hint >> 24), char(hint >> 16), char(hint >> 8), char(hint)};
    return qUncompress(QByteArray(size, 4) + raw);
}

int Hex(const QString &h)
{
    return h.toInt(nullptr, 16);
}

} // namespace

std::vector<std::vector<std::string>> PdfTextRuns(const QByteArray &pdf)
{
    // Streams in file order: Qt writes the pages' contents in page order.
    std::vector<QByteArray> streams;
    for (qsizetype at = pdf.indexOf("stream\n"); at >= 0; at = pdf.indexOf("stream\n", at)) {
        at += 7;
        const qsizetype end = pdf.indexOf("\nendstream", at);
        const QByteArray raw = pdf.mid(at, end - at);
        const qsizetype dict = pdf.lastIndexOf(" obj", at);
        streams.push_back(pdf.mid(dict, at - dict).contains("/FlateDecode") ? Inflate(raw) : raw);
        at = end + 10;
    }
    std::map<int, QString> glyphs; // the ToUnicode table: "<lo> <hi> [<u1> <u2> ...]" ranges
    static const QRegularExpression rangeRe(
        QStringLiteral("<([0-9A-F]{4})> <([0-9A-F]{4})> (?:<([0-9A-F]{4})>|\\[([^\\]]*)\\])"));
    static const QRegularExpression hexRe(QStringLiteral("<([0-9A-F]{4})>"));
    static const QRegularExpression showRe(QStringLiteral("<([0-9A-F]*)> Tj|\\b(BT|ET)\\b"));
    for (const QByteArray &s : streams) {
        if (!s.contains("beginbfrange"))
            continue;
        for (auto r = rangeRe.globalMatch(QString::fromLatin1(s)); r.hasNext();) {
            const auto m = r.next();
            int code = Hex(m.captured(1));
            if (m.captured(4).isEmpty()) {
                for (int u = Hex(m.captured(3)); code <= Hex(m.captured(2)); ++code, ++u)
                    glyphs[code] = QChar(u);
            } else {
                for (auto h = hexRe.globalMatch(m.captured(4)); h.hasNext(); ++code)
                    glyphs[code] = QChar(Hex(h.next().captured(1)));
            }
        }
    }
    std::vector<std::vector<std::string>> pages;
    for (const QByteArray &s : streams) {
        if (!s.contains(" Tj"))
            continue;
        std::vector<std::string> runs;
        QString run;
        for (auto op = showRe.globalMatch(QString::fromLatin1(s)); op.hasNext();) {
            const auto m = op.next();
            if (m.captured(2) == QLatin1String("ET") && !run.isEmpty())
                runs.push_back(run.toStdString());
            if (!m.captured(2).isEmpty())
                run.clear();
            for (qsizetype i = 0; i + 4 <= m.captured(1).size(); i += 4) {
                const QString c = glyphs[Hex(m.captured(1).mid(i, 4))];
                run += c == QLatin1String("\t") ? QStringLiteral(" ") : c; // Qt maps the blank so
            }
        }
        pages.push_back(runs);
    }
    return pages;
}
