// The line edit panel: the small floating panel that changes the sale price and the quantity
// of one note line, recomputing the amount while the operator types. It also carries the
// line computation (amount and profit from price, quantity and purchase price) and the
// staging values code entry fills from a catalogue row before it builds a line.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <optional>

class FloatingPanel;
class NoteList;
class QLineEdit;
class QPushButton;
class QToolButton;
class TMainForm;

class LineEditPanel : public QObject {
    Q_OBJECT

public:
    // What travels with the panel without being shown.
    struct Staging {
        QString goodsName;
        QString spec;
        QString code;
        QString category;
        QString purchasePrice;
        QString unit;
        QString supplier;
        QString profit;
        QString zero = QStringLiteral("0");  // always written as column 5
    };

    LineEditPanel(TMainForm* mainForm, NoteList* noteList);

    void openOnQuantity();
    void openOnPrice();
    // "修 改": writes price, member price, quantity, amount and profit back to the current line.
    // Refuses (with a message, touching nothing) a price or quantity that is no number.
    void apply();
    void close();  // the close picture: hide and clear
    void leave();  // Esc in the quantity: hide, back to the code entry field
    void disableApply();

    // Amount and profit from the panel's texts, as texts in the shortest form. Returns false
    // (changing nothing) when the price or the quantity is empty or no number.
    bool lineComputation();

    // Steps the quantity with the arrows, within 0 to 100.
    void stepQuantity(int delta);

    Staging staging;
    FloatingPanel* panel;
    QLineEdit* priceEdit;        // 销售单价
    QLineEdit* memberPriceEdit;  // 会员价, read-only
    QLineEdit* quantityEdit;     // 数 量
    QToolButton* upButton;
    QToolButton* downButton;
    QLineEdit* amountEdit;     // 销售合计, read-only
    QPushButton* applyButton;  // 修 改

signals:
    // Apply changed a line: the note totals must follow.
    void lineChanged();

private:
    void open(QLineEdit* focus);
    void recompute();
    QVariant currentLineId() const;

    TMainForm* main_;
    NoteList* noteList_;
    QVariant loadedLineId_;  // the line the panel was opened on
};

// Price × quantity and quantity × (price − purchase price) in extended precision, in the
// shortest form with at most 15 significant digits; nothing when a text is no number.
struct LineValues {
    QString amount;
    QString profit;
};
// No line of a note may go beyond this in quantity, price or amount: a bar code scanned into
// the quantity box is no quantity, and totals that large no longer read as money.
constexpr double kLineLimit = 1e9;
// The message refusing a price and quantity whose line (holding `quantityBefore` and
// `amountBefore` already, when a scan adds to it) would pass the limit; empty when they are
// within it or are no numbers at all.
QString lineSizeRefusal(const QString& price, const QString& quantity, double quantityBefore, double amountBefore);

std::optional<LineValues> computeLine(const QString& price, const QString& quantity, const QString& purchasePrice);
