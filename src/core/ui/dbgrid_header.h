// The two strips DBGrid draws around its rows: the column titles (one or two levels, merged
// upper cells, per-column backgrounds and sort markers) and the footer row under the table.
#pragma once

#include <QFont>
#include <QHeaderView>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class QTableView;

class GridTitleHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit GridTitleHeader(QWidget* parent = nullptr);

    // 2 when any title has an upper part ("上|下"), otherwise 1.
    int levels() const;
    int levelHeight() const;

    // The parts of a section's title: the upper part is empty when the title has no "|"; the
    // lower part is then the whole title.
    QString upperText(int logicalIndex) const;
    QString lowerText(int logicalIndex) const;
    // First and last visual index of the upper cell the section belongs to: side by side
    // titles with the same upper text share one cell.
    std::pair<int, int> upperSpan(int logicalIndex) const;

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QString title(int logicalIndex) const;
    QColor background(int logicalIndex) const;
    void paintCell(QPainter* painter, const QRect& cell, const QString& text, const QColor& color, int marker) const;
};

// Where a footer text is drawn. A text wider than its cell never loses a digit: it runs on into
// the empty footer cells beside it (to the left of a right-aligned sum, to the right of a
// left-aligned text), and only if that is still too narrow is its font made smaller, down to a
// size that stays legible. Whatever still does not fit shows whole in the cell's tooltip.
struct FooterCell {
    QRect rect;  // the cell under its column
    QString text;
    Qt::Alignment alignment;
};
struct FooterPlacement {
    QRect rect;  // where the text goes: the cell, or the cell and empty cells beside it
    QFont font;
    bool whole = true;  // the whole text fits in rect with font
};
inline constexpr int kFooterTextPadding = 3;  // pixels of room on each side of a footer text
inline constexpr int kLeastFooterPixels = 8;  // the smallest footer font, in pixels
std::vector<FooterPlacement> placeFooterTexts(const std::vector<FooterCell>& cells, const QFont& font);

class GridFooterStrip : public QWidget {
    Q_OBJECT

public:
    struct Cell {
        QString text;
        Qt::Alignment alignment;
    };
    using CellSource = std::function<Cell(int logicalIndex)>;

    GridFooterStrip(QTableView* view, CellSource source, QWidget* parent = nullptr);

    void setRowHeight(int pixels);
    // The cell of a view column in the strip's coordinates, lined up with its title above,
    // and what it shows.
    QRect cellRect(int logicalIndex) const;
    Cell cellAt(int logicalIndex) const;
    // Where the footer of a view column is drawn, as the strip paints it.
    FooterPlacement placement(int logicalIndex) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    int viewportLeft() const;
    // The shown columns in visual order, with their cells and placements.
    std::pair<std::vector<int>, std::vector<FooterPlacement>> layOut() const;

    QTableView* view_;
    CellSource source_;
    int rowHeight_ = 20;
};
