// "小票打印机设置": where receipts print - the system printer, a network receipt printer or one
// on a USB or serial port - the paper width, cutting and the cash drawer, and a test print.
#pragma once

#include <QDialog>

#include "core/receipt_printer.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class TReceiptPrinterForm : public QDialog {
    Q_OBJECT

public:
    explicit TReceiptPrinterForm(QWidget* parent = nullptr);

    // The fields as settings; the fields from settings.
    ReceiptPrinterSettings settings() const;
    void showSettings(const ReceiptPrinterSettings& settings);

    void testPrint();     // "测试打印": a short receipt with the fields as they are now
    void saveAndClose();  // "确 定": refuses what cannot work, else stores the fields

    QComboBox* modeBox;
    QLineEdit* hostEdit;
    QLineEdit* portEdit;
    QLineEdit* deviceEdit;
    QComboBox* paperBox;
    QCheckBox* cutBox;
    QCheckBox* drawerBox;
    QPushButton* testButton;
    QPushButton* okButton;
    QPushButton* cancelButton;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void enableFields();
};
