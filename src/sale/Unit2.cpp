// TForm2: the delivery note (送货单).
#include "sale/Unit2.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "core/capitals.h"
#include "core/formats.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/report_render.h"
#include "core/vendor.h"

namespace {

constexpr double kBandWidth = 180.2;
// The column separators of the header and line bands.
constexpr double kSeparators[] = {42.2, 86.7, 101.5, 118.4, 135.3, 154.4};

ReportLabel label(double x, double y, double width, const QString& text, double points = 11, bool bold = false,
                  ReportAlign align = ReportAlign::Left) {
    ReportLabel l;
    l.box = {x, y, width, points * 0.3528 * 1.5};
    l.text = text;
    l.font.pointSize = points;
    l.font.bold = bold;
    l.align = align;
    return l;
}

ReportField field(double x, double y, double width, const QString& column, ReportAlign align) {
    ReportField f;
    f.box = {x, y, width, 5.5};
    f.column = column;
    f.align = align;
    return f;
}

void addSeparators(ReportBand& band) {
    for (double x : kSeparators) band.items.push_back(ReportVLine{x, 0, 0});
}

// A small round mark for the title band.
QByteArray logoPng() {
    QImage image(160, 160, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1d, 0x5f, 0xa8));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(6, 6, 148, 148));
    p.setPen(Qt::white);
    QFont f = songtiPixels(104, true);
    p.setFont(f);
    p.drawText(QRectF(0, 0, 160, 156), Qt::AlignCenter, QStringLiteral("Z"));
    p.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

}  // namespace

TForm2::TForm2(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("Form2"));
}

ReportDefinition TForm2::definition(const DeliveryNoteInput& in, const QString& capitals) {
    ReportDefinition r;
    r.title = QStringLiteral("送货单");
    r.pageWidth = 210;
    r.pageHeight = 297;
    r.marginTop = 15;
    r.marginBottom = 10;
    r.marginLeft = 10;
    r.marginRight = 15;
    r.bandWidth = kBandWidth;

    ReportBand title{BandKind::Title, 21.2, {}, {}};
    title.items.push_back(ReportPicture{{10.1, 0.3, 14.8, 15.3}, logoPng(), QString(), true});
    // Centred on the middle of its 38.4 mm box, wide enough for the whole title.
    if (in.reprint) {
        title.items.push_back(label(63.5 + 19.2 - 52, 3.2, 104, QStringLiteral("Zenlo软件送货单（补打）"), 16, true,
                                    ReportAlign::Centre));
    } else {
        title.items.push_back(
            label(63.5 + 19.2 - 40, 3.2, 80, QStringLiteral("Zenlo软件送货单"), 16, true, ReportAlign::Centre));
    }
    title.items.push_back(ReportHLine{27.5, 8.7, 102.9, true, 0.3});
    title.items.push_back(label(30.4, 12.2, 98.2, Vendor::kPrintLine, 10, false, ReportAlign::Centre));
    // The note number may run past the band towards the paper's edge, as long serials do.
    title.items.push_back(label(135.5, 14.0, 62, QStringLiteral("单 号：") + in.serial));
    r.bands.push_back(title);

    ReportBand customer1{BandKind::TitleChild, 7.4, {true, true, true, false}, {}};
    customer1.items.push_back(label(4.2, 1.6, 84.2 - 4.2, QStringLiteral("客户名称：") + in.customerName));
    customer1.items.push_back(label(88.9, 1.6, 133.0 - 88.9, QStringLiteral("联系人：") + in.contact));
    customer1.items.push_back(
        label(133.4, 1.6, kBandWidth - 133.4, QStringLiteral("开单日期：") + formatDate(in.today)));
    r.bands.push_back(customer1);

    ReportBand customer2{BandKind::TitleChild, 7.4, {true, true, true, false}, {}};
    customer2.items.push_back(label(4.2, 1.6, 84.2 - 4.2, QStringLiteral("客户地址：") + in.customerAddress));
    customer2.items.push_back(label(88.9, 1.6, kBandWidth - 88.9, QStringLiteral("联系电话：") + in.phone));
    r.bands.push_back(customer2);

    ReportBand header{BandKind::ColumnHeader, 8.5, {true, true, true, false}, {}};
    const std::pair<double, const char*> titles[] = {{10.6, "商品名称"}, {55.0, "规格型号"}, {89.7, "单位"},
                                                     {104.5, "数 量"},   {121.4, "单 价"},   {139.7, "金 额"},
                                                     {160.9, "备 注"}};
    for (const auto& [x, text] : titles) {
        header.items.push_back(label(x, 2.1, 20, QString::fromUtf8(text), 11, true));
    }
    addSeparators(header);
    r.bands.push_back(header);

    ReportBand line{BandKind::Detail, 7.4, {true, true, true, false}, {}};
    line.items.push_back(field(2.1, 1.9, 38.4, QStringLiteral("a"), ReportAlign::Left));
    line.items.push_back(field(44.5, 1.9, 40.5, QStringLiteral("b"), ReportAlign::Left));
    line.items.push_back(field(86.7, 1.9, 2 * (93.3 - 86.7), QStringLiteral("z"), ReportAlign::Centre));
    line.items.push_back(field(101.5, 1.9, 115.9 - 101.5, QStringLiteral("2"), ReportAlign::Right));
    line.items.push_back(field(118.4, 1.9, 132.8 - 118.4, QStringLiteral("4"), ReportAlign::Right));
    line.items.push_back(field(135.3, 1.9, 151.9 - 135.3, QStringLiteral("6"), ReportAlign::Right));
    addSeparators(line);
    r.bands.push_back(line);

    ReportBand total{BandKind::Summary, 10.6, {true, true, true, true}, {}};
    total.items.push_back(label(5.0, 1.3, 10, QStringLiteral("合 计")));
    total.items.push_back(label(4.0, 5.6, 11.8, QStringLiteral("人民币")));
    total.items.push_back(label(15.1, 3.2, 135.3 - 15.1, QStringLiteral("（大写） ") + capitals));
    total.items.push_back(ReportVLine{135.3, 0, 0});
    ReportLabel figures = label(139.7, 3.2, kBandWidth - 139.7, QStringLiteral("￥") + in.amountText);
    figures.font.underline = true;
    total.items.push_back(figures);
    r.bands.push_back(total);

    ReportBand signature{BandKind::SummaryChild, 8.5, {}, {}};
    signature.items.push_back(label(6.4, 2.1, 50, QStringLiteral("收货人：")));
    signature.items.push_back(label(65.6, 2.1, 50, QStringLiteral("送货人：")));
    signature.items.push_back(label(130.7, 2.1, kBandWidth - 130.7, QStringLiteral("制单人：") + in.operatorName));
    r.bands.push_back(signature);

    r.bands.push_back(ReportBand{BandKind::SummaryChild, 10.6, {}, {}});
    return r;
}

ReportTableRows TForm2::rows(const DeliveryNoteInput& in) {
    ReportTableRows rows({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("z"), QStringLiteral("2"),
                          QStringLiteral("4"), QStringLiteral("6")});
    for (const DeliveryNoteLine& l : in.lines) {
        rows.append(
            {l.name, l.spec, l.unit, formatGeneral(l.quantity), formatGeneral(l.price), formatGeneral(l.amount)});
    }
    if (!in.note.isEmpty()) rows.append({in.note, {}, {}, {}, {}, {}});
    return rows;
}

void TForm2::showDeliveryNote(QWidget* parent, const DeliveryNoteInput& input) {
    const Capitals capitals = amountInCapitals(input.amountText);
    if (capitals.badCode >= 0) {
        showInfo(QString::number(capitals.badCode), parent);
        showInfo(QStringLiteral("读取错误，应为数字"), parent);
    }
    const ReportTableRows lines = rows(input);
    const ReportDocument document(definition(input, capitals.text), lines);
    Dialogs::current().preview(parent, document, QSize(1024, 800));
}
