// Golden files for printouts.
#include "support/golden.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include "core/save_file.h"

namespace {

QString mm(double value) {
    return QString::number(value, 'f', 2);
}

QString kindName(BandKind kind) {
    switch (kind) {
        case BandKind::PageHeader:
            return QStringLiteral("page-header");
        case BandKind::Title:
            return QStringLiteral("title");
        case BandKind::TitleChild:
            return QStringLiteral("title-child");
        case BandKind::ColumnHeader:
            return QStringLiteral("column-header");
        case BandKind::Detail:
            return QStringLiteral("detail");
        case BandKind::Summary:
            return QStringLiteral("summary");
        case BandKind::SummaryChild:
            return QStringLiteral("summary-child");
    }
    return QString();
}

QString box(const MmRect& r) {
    return QStringLiteral("[%1 %2 %3x%4]").arg(mm(r.x), mm(r.y), mm(r.width), mm(r.height));
}

QString font(const ReportFont& f) {
    QString out = f.family + QLatin1Char(' ') + QString::number(f.pointSize) + QStringLiteral("pt");
    if (f.bold) out += QStringLiteral(" bold");
    if (f.underline) out += QStringLiteral(" underline");
    return out;
}

QString align(ReportAlign a) {
    return a == ReportAlign::Left    ? QStringLiteral("left")
           : a == ReportAlign::Right ? QStringLiteral("right")
                                     : QStringLiteral("centre");
}

QString item(const ReportItem& item, int row, const ReportRows& rows) {
    if (const auto* l = std::get_if<ReportLabel>(&item)) {
        return QStringLiteral("label %1 %2 %3 \"%4\"").arg(box(l->box), font(l->font), align(l->align), l->text);
    }
    if (const auto* f = std::get_if<ReportField>(&item)) {
        const QString text = row >= 0 ? rows.text(row, f->column) : QString();
        return QStringLiteral("field %1 %2 %3 %4=\"%5\"")
            .arg(box(f->box), font(f->font), align(f->align), f->column, text);
    }
    if (const auto* h = std::get_if<ReportHLine>(&item)) {
        return QStringLiteral("hline %1 %2 len %3%4")
            .arg(mm(h->x), mm(h->y), mm(h->length), h->doubled ? QStringLiteral(" doubled ") + mm(h->gap) : QString());
    }
    if (const auto* v = std::get_if<ReportVLine>(&item)) {
        return QStringLiteral("vline %1 %2 height %3").arg(mm(v->x), mm(v->y), mm(v->height));
    }
    if (const auto* p = std::get_if<ReportPicture>(&item)) {
        return QStringLiteral("picture %1 %2")
            .arg(box(p->box), p->column.isEmpty() ? QStringLiteral("fixed") : p->column);
    }
    if (const auto* r = std::get_if<ReportRoundedRect>(&item)) {
        return QStringLiteral("rounded %1 radius %2").arg(box(r->box), mm(r->radius));
    }
    return QString();
}

}  // namespace

QString dumpReport(const ReportDefinition& report, const std::vector<ReportPage>& pages, const ReportRows& rows) {
    QStringList out;
    out << QStringLiteral("report \"%1\" page %2x%3 margins %4 %5 %6 %7 band width %8")
               .arg(report.title, mm(report.pageWidth), mm(report.pageHeight), mm(report.marginTop),
                    mm(report.marginBottom), mm(report.marginLeft), mm(report.marginRight), mm(report.bandWidth));
    for (size_t p = 0; p < pages.size(); ++p) {
        out << QStringLiteral("page %1").arg(p + 1);
        for (const PlacedBand& placed : pages[p].bands) {
            const ReportBand& band = report.bands[size_t(placed.band)];
            const ReportFrame& f = band.frame;
            QString frame;
            if (f.top) frame += QLatin1Char('T');
            if (f.left) frame += QLatin1Char('L');
            if (f.right) frame += QLatin1Char('R');
            if (f.bottom) frame += QLatin1Char('B');
            out << QStringLiteral("  %1%2 at %3 %4 height %5 frame %6")
                       .arg(kindName(placed.kind),
                            placed.row >= 0 ? QStringLiteral(" row %1").arg(placed.row) : QString(), mm(placed.left),
                            mm(placed.top), mm(band.height), frame.isEmpty() ? QStringLiteral("-") : frame);
            for (const ReportItem& i : band.items) out << QStringLiteral("    ") + item(i, placed.row, rows);
        }
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString compareWithGolden(const QString& name, const QString& actual) {
    const QString path = QStringLiteral(ZENLO_TEST_SOURCE_DIR "/golden/") + name;
    if (qEnvironmentVariableIsSet("ZENLO_UPDATE_GOLDEN")) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        return saveWholeFile(path, actual.toUtf8()) ? QString() : QStringLiteral("cannot write ") + path;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("no golden file %1 (run with ZENLO_UPDATE_GOLDEN=1 to write it)").arg(path);
    }
    const QStringList expected = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const QStringList got = actual.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::max(expected.size(), got.size()); ++i) {
        if (expected.value(i) != got.value(i)) {
            return QStringLiteral("%1 line %2:\n  expected: %3\n  actual:   %4")
                .arg(name)
                .arg(i + 1)
                .arg(expected.value(i), got.value(i));
        }
    }
    return QString();
}
