// Tysfm: "商品编码查找" — pick goods from the catalogue instead of scanning them; the choice is
// entered into the note exactly as a scan would be.
#pragma once

#include <QDialog>

class CodeEntry;
class DBGrid;
class QLineEdit;
class QPushButton;
class TMainForm;
class TypingPause;
class Tdmfm;

// "查  询": goods with a sale price, narrowed by each condition holding text (as typed).
QString goodsLookupQuery(const QString& name, const QString& code, const QString& spec, const QString& category);

class Tysfm : public QDialog {
    Q_OBJECT

public:
    static inline const QString kGroupedSql = QStringLiteral(
        "select 商品编码,商品类别,商品名称,规格型号,销售单价,供货商 from sp group by "
        "商品编码,商品类别,商品名称,规格型号,销售单价,供货商 order by 商品编码");

    Tysfm(QWidget* mainWindow, Tdmfm& dm);

    // Where a choice goes: the main window's code field and its entry.
    void setCodeEntry(TMainForm* mainForm, CodeEntry* entry);

    // "商品..." on the main window: mode 1, the grouped list, shown modally.
    void openForCodeEntry();
    // The same without waiting: tests and callers that show it themselves.
    void prepareForCodeEntry();

    void search();           // "查  询" and every change of a condition
    void clearConditions();  // "清空条件"
    void select();           // "选定" and a double-click

    int mode = 0;  // 1: the choice goes to the main window's code field
    DBGrid* grid;
    QLineEdit* nameEdit;      // 商品名称
    QLineEdit* codeEdit;      // 商品编码
    QLineEdit* specEdit;      // 规格型号
    QLineEdit* categoryEdit;  // 商品类别
    QPushButton* searchButton;
    QPushButton* clearButton;
    QPushButton* selectButton;
    QPushButton* cancelButton;

protected:
    void done(int result) override;

private:
    TMainForm* main_ = nullptr;
    CodeEntry* entry_ = nullptr;
    TypingPause* typing_ = nullptr;
    Tdmfm& dm_;
};
