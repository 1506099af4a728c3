// Settlement: the panel that takes the cash, shows the change, and settles the note — the
// lines go to the history, one row to the sales, the receipt and/or the delivery note are
// printed, the serial advances and the note is emptied.
#pragma once

#include <QObject>

#include "core/settlement_steps.h"

class LineEditPanel;
class NoteEditing;
class NoteList;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TForm2;
class TMainForm;
class Tdmfm;
struct DeliveryNoteInput;

class Settlement : public QObject {
    Q_OBJECT

public:
    static constexpr int kNarrowWidth = 488;
    static constexpr int kWideWidth = 780;

    Settlement(TMainForm* mainForm, Tdmfm& dm, NoteList* noteList, NoteEditing* editing, LineEditPanel* linePanel);

    void setDeliveryNote(TForm2* form) { deliveryNote_ = form; }

    void open();             // ToolButton7Click
    void fetchAmounts();     // Button10Click
    void recomputeChange();  // Edit5Change and the 200 ms timer
    void settle();           // Button17Click, "确 定[Enter]"
    void cancel();           // Button18Click
    void close();            // the close picture
    void toggleWidth();      // ">>>"

    // The delivery note of the note on the screen (the toolbar's "送货单").
    void showDeliveryNote();
    DeliveryNoteInput deliveryNoteInput() const;
    // What the panel and the main window show, for the settlement's checks and its sale row.
    SettlementInput settlementInput();

    QLabel* Label18;                  // 共 计
    QLabel* Label24;                  // 实 收
    QLineEdit* Edit5;                 // 现 金
    QLabel* Label20;                  // 找 零
    QCheckBox* printReceiptBox;       // 打印POS小票
    QCheckBox* printDeliveryNoteBox;  // 打印送货单
    QPushButton* BitBtn1;             // >>>
    QPushButton* Button17;            // 确 定[Enter]
    QPushButton* Button18;            // 取 消
    QLineEdit* owedEdit;              // 欠款金额
    QLineEdit* customerNameEdit;
    QLineEdit* customerAddressEdit;
    QLineEdit* contactEdit;
    QLineEdit* phoneEdit;

signals:
    // A sale was written: its serial.
    void settled(const QString& serial);

private:
    bool refuse(const QString& message, QWidget* focus);
    void printReceipt(const QString& serialShown, double cash, double change);

    TMainForm* main_;
    Tdmfm& dm_;
    NoteList* noteList_;
    NoteEditing* editing_;
    LineEditPanel* linePanel_;
    TForm2* deliveryNote_ = nullptr;
};
