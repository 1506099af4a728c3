// The title and footer strips of DBGrid.
#include "core/ui/dbgrid_header.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <QTableView>
#include <QToolTip>

#include "core/title_sort.h"
#include "core/ui/dbgrid_model.h"

namespace {

QColor lineColor(const QPalette& palette) {
    return palette.color(QPalette::Dark);
}

// Dark title backgrounds (the maroon of a highlighted title) need light text to stay readable.
QColor textColorOn(const QColor& background, const QPalette& palette) {
    return qGray(background.rgb()) < 128 ? QColor(Qt::white) : palette.color(QPalette::ButtonText);
}

void drawCellLines(QPainter* painter, const QRect& cell, const QColor& color) {
    painter->setPen(color);
    painter->drawLine(cell.topRight(), cell.bottomRight());
    painter->drawLine(cell.bottomLeft(), cell.bottomRight());
}

}  // namespace

// ---- titles ------------------------------------------------------------------------------

GridTitleHeader::GridTitleHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setSectionsMovable(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setDefaultAlignment(Qt::AlignCenter);
    setMinimumSectionSize(8);
}

QString GridTitleHeader::title(int logicalIndex) const {
    return model() ? model()->headerData(logicalIndex, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
}

int GridTitleHeader::levels() const {
    const int sections = count();
    for (int i = 0; i < sections; ++i) {
        if (title(i).contains(QLatin1Char('|'))) return 2;
    }
    return 1;
}

int GridTitleHeader::levelHeight() const {
    return fontMetrics().height() + 6;
}

QString GridTitleHeader::upperText(int logicalIndex) const {
    const QString t = title(logicalIndex);
    const int bar = t.indexOf(QLatin1Char('|'));
    return bar < 0 ? QString() : t.left(bar);
}

QString GridTitleHeader::lowerText(int logicalIndex) const {
    const QString t = title(logicalIndex);
    const int bar = t.indexOf(QLatin1Char('|'));
    return bar < 0 ? t : t.mid(bar + 1);
}

std::pair<int, int> GridTitleHeader::upperSpan(int logicalIndex) const {
    const int visual = visualIndex(logicalIndex);
    if (visual < 0) return {-1, -1};
    const QString t = title(logicalIndex);
    if (!t.contains(QLatin1Char('|'))) return {visual, visual};
    const QString upper = upperText(logicalIndex);
    auto sameUpper = [&](int v) {
        const int logical = this->logicalIndex(v);
        return logical >= 0 && !isSectionHidden(logical) && title(logical).contains(QLatin1Char('|')) &&
               upperText(logical) == upper;
    };
    int first = visual;
    while (first > 0 && sameUpper(first - 1)) --first;
    int last = visual;
    while (last + 1 < count() && sameUpper(last + 1)) ++last;
    return {first, last};
}

QSize GridTitleHeader::sizeHint() const {
    return QSize(length(), levels() * levelHeight());
}

QColor GridTitleHeader::background(int logicalIndex) const {
    const QVariant v = model() ? model()->headerData(logicalIndex, Qt::Horizontal, Qt::BackgroundRole) : QVariant();
    const QColor color = v.value<QColor>();
    return color.isValid() ? color : palette().color(QPalette::Button);
}

void GridTitleHeader::paintCell(QPainter* painter, const QRect& cell, const QString& text, const QColor& color,
                                int marker) const {
    painter->fillRect(cell, color);
    drawCellLines(painter, cell, lineColor(palette()));
    const QColor ink = textColorOn(color, palette());
    painter->setPen(ink);
    const QRect textRect = cell.adjusted(3, 0, -3, 0);
    painter->drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine,
                      fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));

    const auto m = TitleSort::Marker(marker);
    if (m == TitleSort::Marker::None) return;
    // A small triangle at the right end of the cell: pointing down or up.
    const int w = 7;
    const int h = 4;
    const int x = cell.right() - w - 4;
    const int y = cell.center().y() - h / 2;
    QPolygon triangle;
    if (m == TitleSort::Marker::Down) {
        triangle << QPoint(x, y) << QPoint(x + w, y) << QPoint(x + w / 2, y + h);
    } else {
        triangle << QPoint(x, y + h) << QPoint(x + w, y + h) << QPoint(x + w / 2, y);
    }
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setBrush(ink);
    painter->setPen(Qt::NoPen);
    painter->drawPolygon(triangle);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
}

void GridTitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid() || !model()) return;
    const int marker = model()->headerData(logicalIndex, Qt::Horizontal, GridModel::MarkerRole).toInt();
    const QString t = title(logicalIndex);
    if (levels() == 1 || !t.contains(QLatin1Char('|'))) {
        paintCell(painter, rect, t, background(logicalIndex), marker);
        return;
    }

    const int upperHeight = rect.height() / 2;
    const QRect lower(rect.left(), rect.top() + upperHeight, rect.width(), rect.height() - upperHeight);

    // The upper cell spans its whole group; each section paints only its own slice of it, so
    // the group reads as one cell whichever sections get repainted.
    const auto [first, last] = upperSpan(logicalIndex);
    const int firstLogical = this->logicalIndex(first);
    const int lastLogical = this->logicalIndex(last);
    const int left = rect.left() + sectionViewportPosition(firstLogical) - sectionViewportPosition(logicalIndex);
    const int right = rect.left() + sectionViewportPosition(lastLogical) + sectionSize(lastLogical) -
                      sectionViewportPosition(logicalIndex);
    const QRect upper(left, rect.top(), right - left, upperHeight);

    painter->save();
    painter->setClipRect(QRect(rect.left(), rect.top(), rect.width(), upperHeight));
    paintCell(painter, upper, upperText(logicalIndex), background(firstLogical), 0);
    painter->restore();

    paintCell(painter, lower, lowerText(logicalIndex), background(logicalIndex), marker);
}

// ---- footer ------------------------------------------------------------------------------

std::vector<FooterPlacement> placeFooterTexts(const std::vector<FooterCell>& cells, const QFont& font) {
    std::vector<FooterPlacement> out(cells.size());
    std::vector<bool> claimed(cells.size(), false);
    for (size_t i = 0; i < cells.size(); ++i) {
        out[i].rect = cells[i].rect;
        out[i].font = font;
        claimed[i] = !cells[i].text.isEmpty();
    }
    const auto room = [](const QRect& r) { return r.width() - 2 * kFooterTextPadding; };
    for (size_t i = 0; i < cells.size(); ++i) {
        const FooterCell& cell = cells[i];
        if (cell.text.isEmpty()) continue;
        FooterPlacement& p = out[i];
        const int needed = QFontMetrics(font).horizontalAdvance(cell.text);
        // Borrow empty neighbours on the side the text grows towards, nearest first.
        const Qt::Alignment h = cell.alignment & Qt::AlignHorizontal_Mask;
        const bool left = h & Qt::AlignRight || h & Qt::AlignHCenter || !h;
        const bool right = h & Qt::AlignLeft || h & Qt::AlignHCenter || !h;
        size_t from = i, to = i;
        while (room(p.rect) < needed) {
            const bool canLeft = left && from > 0 && !claimed[from - 1];
            const bool canRight = right && to + 1 < cells.size() && !claimed[to + 1];
            if (!canLeft && !canRight) break;
            if (canLeft && (!canRight || h & Qt::AlignRight)) {
                claimed[--from] = true;
            } else {
                claimed[++to] = true;
            }
            p.rect = cells[from].rect.united(cells[to].rect).united(cell.rect);
        }
        // Then a smaller font, as far as it stays legible.
        int pixels = QFontInfo(font).pixelSize();
        while (pixels > kLeastFooterPixels && QFontMetrics(p.font).horizontalAdvance(cell.text) > room(p.rect)) {
            p.font.setPixelSize(--pixels);
        }
        p.whole = QFontMetrics(p.font).horizontalAdvance(cell.text) <= room(p.rect);
    }
    return out;
}

GridFooterStrip::GridFooterStrip(QTableView* view, CellSource source, QWidget* parent)
    : QWidget(parent), view_(view), source_(std::move(source)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAutoFillBackground(false);
    QHeaderView* header = view_->horizontalHeader();
    auto repaint = [this] { update(); };
    connect(header, &QHeaderView::sectionResized, this, repaint);
    connect(header, &QHeaderView::sectionMoved, this, repaint);
    connect(header, &QHeaderView::sectionCountChanged, this, repaint);
    connect(header, &QHeaderView::geometriesChanged, this, repaint);
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
}

void GridFooterStrip::setRowHeight(int pixels) {
    rowHeight_ = qMax(1, pixels);
    setFixedHeight(rowHeight_ + 2);
    updateGeometry();
    update();
}

QSize GridFooterStrip::sizeHint() const {
    return QSize(view_->width(), rowHeight_ + 2);
}
QSize GridFooterStrip::minimumSizeHint() const {
    return QSize(0, rowHeight_ + 2);
}

int GridFooterStrip::viewportLeft() const {
    return view_->viewport()->mapTo(view_, QPoint(0, 0)).x() + view_->x() - x();
}

QRect GridFooterStrip::cellRect(int logicalIndex) const {
    const QHeaderView* header = view_->horizontalHeader();
    if (logicalIndex < 0 || logicalIndex >= header->count()) return QRect();
    return QRect(viewportLeft() + header->sectionViewportPosition(logicalIndex), 1, header->sectionSize(logicalIndex),
                 rowHeight_);
}

GridFooterStrip::Cell GridFooterStrip::cellAt(int logicalIndex) const {
    return source_ ? source_(logicalIndex) : Cell{};
}

std::pair<std::vector<int>, std::vector<FooterPlacement>> GridFooterStrip::layOut() const {
    const QHeaderView* header = view_->horizontalHeader();
    std::vector<int> logicals;
    std::vector<FooterCell> cells;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || header->isSectionHidden(logical)) continue;
        const Cell content = cellAt(logical);
        logicals.push_back(logical);
        cells.push_back({cellRect(logical), content.text, content.alignment});
    }
    return {logicals, placeFooterTexts(cells, font())};
}

FooterPlacement GridFooterStrip::placement(int logicalIndex) const {
    const auto [logicals, placements] = layOut();
    for (size_t i = 0; i < logicals.size(); ++i) {
        if (logicals[i] == logicalIndex) return placements[i];
    }
    return {};
}

bool GridFooterStrip::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // The whole text of the footer under the mouse, for one too long even for its room.
        const auto* help = static_cast<QHelpEvent*>(event);
        const auto [logicals, placements] = layOut();
        for (size_t i = 0; i < logicals.size(); ++i) {
            if (!placements[i].rect.contains(help->pos())) continue;
            const QString text = cellAt(logicals[i]).text;
            if (!text.isEmpty()) {
                QToolTip::showText(help->globalPos(), text, this, placements[i].rect);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void GridFooterStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Button));
    painter.setPen(lineColor(pal));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    // Cells only where the rows are, so a scrolled-away column never shows beside the table.
    const int left = viewportLeft();
    painter.setClipRect(QRect(left, 0, view_->viewport()->width(), height()));
    const auto [logicals, placements] = layOut();
    // The lines of a cell a text runs through are not drawn over it.
    std::vector<bool> covered(logicals.size(), false);
    for (size_t i = 0; i < logicals.size(); ++i) {
        for (size_t j = 0; j < logicals.size(); ++j) {
            const QRect cell = cellRect(logicals[j]);
            if (!cellAt(logicals[i]).text.isEmpty() && placements[i].rect.contains(cell.center()) &&
                placements[i].rect.right() > cell.right()) {
                covered[j] = true;
            }
        }
    }
    for (size_t i = 0; i < logicals.size(); ++i) {
        const QRect cell = cellRect(logicals[i]);
        if (cell.right() < left || cell.left() > left + view_->viewport()->width()) continue;
        if (!covered[i]) {
            drawCellLines(&painter, cell, lineColor(pal));
        } else {
            painter.setPen(lineColor(pal));
            painter.drawLine(cell.bottomLeft(), cell.bottomRight());
        }
    }
    for (size_t i = 0; i < logicals.size(); ++i) {
        const Cell content = cellAt(logicals[i]);
        if (content.text.isEmpty()) continue;
        const FooterPlacement& p = placements[i];
        Qt::Alignment align = content.alignment;
        if (!(align & Qt::AlignVertical_Mask)) align |= Qt::AlignVCenter;
        if (!(align & Qt::AlignHorizontal_Mask)) align |= Qt::AlignHCenter;
        painter.setPen(pal.color(QPalette::ButtonText));
        painter.setFont(p.font);
        const QRect textRect = p.rect.adjusted(kFooterTextPadding, 0, -kFooterTextPadding, 0);
        painter.drawText(
            textRect, int(align) | Qt::TextSingleLine,
            p.whole ? content.text : QFontMetrics(p.font).elidedText(content.text, Qt::ElideRight, textRect.width()));
    }
}
