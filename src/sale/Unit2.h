// TForm2: the delivery note (送货单) — an A4 banded report of the note's lines with the total
// in figures and in Chinese capitals, shown in a preview from which it is printed.
#pragma once

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

#include "core/report.h"

class QWidget;

struct DeliveryNoteLine {
    QString name;
    QString spec;
    QString unit;
    double quantity = 0;
    double price = 0;
    double amount = 0;
};

struct DeliveryNoteInput {
    QString serial;  // the serial label as shown
    QString operatorName;
    QString amountText;  // the note grid's amount footer, "0.00"
    QDate today;         // the system date, not the note date
    // The settlement panel's customer fields as they stand; empty ones stay blank for the pen.
    QString customerName;
    QString customerAddress;
    QString contact;
    QString phone;
    QList<DeliveryNoteLine> lines;
    // A note printed again later says so in its title, so it is never taken for a new sale.
    bool reprint = false;
    QString note;  // a line after the goods, when the goods are not all there any more
};

class TForm2 : public QObject {
    Q_OBJECT

public:
    explicit TForm2(QObject* parent);

    // The bands, positions and fonts of the form, with its five texts filled in.
    static ReportDefinition definition(const DeliveryNoteInput& input, const QString& capitals);
    // The rows the detail band prints: a, b, z and the three numbers in the shortest form.
    static ReportTableRows rows(const DeliveryNoteInput& input);

    // ToolButton2Click: fill the texts, report a bad amount character, run the report and show
    // its preview; returns when the preview is closed.
    void showDeliveryNote(QWidget* parent, const DeliveryNoteInput& input);
};
