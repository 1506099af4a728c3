// The note line list: the grid of the current note on the main window.
#include "note/note_list.h"

#include <QColor>

#include "core/dataset.h"
#include "core/shared_queries.h"
#include "core/ui/MAIN.h"
#include "core/ui/dbgrid.h"
#include "core/ui/floating_panel.h"

namespace {

const QColor kSkyBlue(0x87, 0xce, 0xeb);
const QColor kMaroon(0x80, 0x00, 0x00);

GridColumn column(const QString& field, const QString& title, int width) {
    GridColumn c;
    c.field = field;
    c.title = title;
    c.width = width;
    c.alignment = Qt::AlignCenter;
    c.titleColor = kSkyBlue;
    return c;
}

GridColumn sumColumn(const QString& field, const QString& title, int width, GridFooter::Format format) {
    GridColumn c = column(field, title, width);
    c.footer.kind = GridFooter::Kind::Sum;
    c.footer.format = format;
    c.footer.alignment = Qt::AlignCenter;
    return c;
}

}  // namespace

NoteList::NoteList(TMainForm* mainForm, Dataset& query)
    : QObject(mainForm), main_(mainForm), query_(query), grid_(mainForm->noteGrid) {
    GridColumn quantity = sumColumn(QStringLiteral("2"), QStringLiteral("数 量"), 100, GridFooter::Format::General);
    quantity.titleColor = kMaroon;
    GridColumn profit = sumColumn(QStringLiteral("7"), QStringLiteral("利润"), 80, GridFooter::Format::General);
    profit.visible = false;
    grid_->setColumns({column(QStringLiteral("c"), QStringLiteral("商品编码"), 100),
                       column(QStringLiteral("a"), QStringLiteral("商品名称"), 240),
                       column(QStringLiteral("b"), QStringLiteral("规格型号"), 120),
                       column(QStringLiteral("4"), QStringLiteral("销售价"), 100), quantity,
                       column(QStringLiteral("z"), QStringLiteral("单 位"), 60),
                       sumColumn(QStringLiteral("6"), QStringLiteral("金 额"), 100, GridFooter::Format::Fixed2),
                       profit});
    grid_->setRowHeight(20);
    grid_->setFooterRowCount(1);
    grid_->setTitleSortEnabled(true);
    grid_->setDataset(&query_);
    connect(grid_, &DBGrid::cellClicked, this, &NoteList::cellClicked);
}

void NoteList::setBeforeSort(std::function<void()> action) {
    grid_->setBeforeSort(std::move(action));
}

void NoteList::refresh() {
    OpenQuery(query_, kListSql);
    query_.last();
    main_->Panel1->hide();
}

int NoteList::rowCount() const {
    return query_.isOpen() ? query_.recordCount() : 0;
}

QString NoteList::quantityFooter() const {
    return grid_->footerTextOfField(QStringLiteral("2"));
}
QString NoteList::amountFooter() const {
    return grid_->footerTextOfField(QStringLiteral("6"));
}
QString NoteList::profitFooter() const {
    return grid_->footerTextOfField(QStringLiteral("7"));
}

void NoteList::cellClicked(int row) {
    if (row == lastClickedRow_) return;
    lastClickedRow_ = row;
    main_->Panel1->hide();
    emit rowChangedByClick();
}
