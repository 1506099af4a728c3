// Reading printed PDFs back: the text of each page and each word with its box, as pdftotext
// places them.
#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

// Runs a tool and returns what it printed, folded with compatibility normalisation: CJK fonts
// share glyphs between ideographs and look-alike radicals, and the PDF's text map may name the
// radical (⾦ for 金). Empty when the tool is missing or fails.
QString runTextTool(const QString& tool, const QStringList& arguments);

struct PdfWord {
    QString text;
    QRectF box;  // points from the page's top-left
};

std::vector<std::vector<PdfWord>> pdfWords(const QString& pdf);
const PdfWord* findWord(const std::vector<PdfWord>& words, const QString& text);

// The words of one page grouped into lines (words whose tops are within half a point), top to
// bottom; each line's box is the union of its words'.
struct PdfLine {
    QString text;  // the words joined with one blank
    QRectF box;
};
std::vector<PdfLine> pdfLines(const std::vector<PdfWord>& words);
