// Reading printed PDFs back.
#include "support/pdf_words.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

QString runTextTool(const QString& tool, const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) return {};
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

std::vector<std::vector<PdfWord>> pdfWords(const QString& pdf) {
    const QString html = runTextTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    std::vector<std::vector<PdfWord>> pages;
    static const QRegularExpression token(
        QStringLiteral("<page |<word xMin=\"([-\\d.]+)\" yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" "
                       "yMax=\"([-\\d.]+)\">([^<]*)</word>"));
    for (const QRegularExpressionMatch& m : token.globalMatch(html)) {
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            pages.emplace_back();
        } else if (!pages.empty()) {
            const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
            const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
            QString text = m.captured(5);
            text.replace(QLatin1String("&amp;"), QLatin1String("&"))
                .replace(QLatin1String("&lt;"), QLatin1String("<"))
                .replace(QLatin1String("&gt;"), QLatin1String(">"));
            pages.back().push_back({text, QRectF(topLeft, bottomRight)});
        }
    }
    return pages;
}

const PdfWord* findWord(const std::vector<PdfWord>& words, const QString& text) {
    for (const PdfWord& word : words) {
        if (word.text == text) return &word;
    }
    return nullptr;
}

std::vector<PdfLine> pdfLines(const std::vector<PdfWord>& words) {
    std::vector<PdfWord> sorted = words;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const PdfWord& a, const PdfWord& b) { return a.box.top() < b.box.top(); });
    std::vector<PdfLine> lines;
    for (const PdfWord& word : sorted) {
        if (!lines.empty() && qAbs(word.box.top() - lines.back().box.top()) < 0.5) {
            lines.back().text += QLatin1Char(' ') + word.text;
            lines.back().box |= word.box;
        } else {
            lines.push_back({word.text, word.box});
        }
    }
    return lines;
}
