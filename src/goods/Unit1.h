// TForm1: "商品管理", the goods catalogue — a sortable list filtered while typing, an entry
// panel that adds and changes goods, delete, export to Excel, print, bar-code labels and the
// Excel import.
#pragma once

#include <QDialog>
#include <QString>

class DBGrid;
class FloatingPanel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QToolButton;
class Tdmfm;
class TypingPause;

// "查  询": goods with a sale price, narrowed by each condition holding text (as typed).
struct GoodsConditions {
    QString code;
    QString category;
    QString name;
    QString spec;
    QString supplier;
};
QString goodsSearchQuery(const GoodsConditions& conditions);
// "全部记录".
inline const QString kAllGoodsQuery = QStringLiteral("select * from sp");
class TForm1 : public QDialog {
    Q_OBJECT

public:
    TForm1(QWidget* mainWindow, Tdmfm& dm);

    // The import window, opened by "Excel导入".
    void setImportWindow(QDialog* window) { importWindow_ = window; }

    void openWindow();       // Open: every goods item, the row buttons disabled
    void listAll();          // 全部记录
    void loadRow(int row);   // a click on a grid row (1-based)
    void newGoods();         // 新 建 below the grid: the empty entry panel
    void addGoods();         // 新 建 on the panel
    void modifyGoods();      // 修 改
    void deleteGoods();      // 删 除
    void deleteSelected();   // 多行删除
    void search();           // 查  询 and typing in a condition
    void clearConditions();  // 清空条件
    void exportToExcel();    // 导出Excel
    void printList();        // 打 印
    void printLabels();      // 条形码打印

    DBGrid* grid;
    QLineEdit* codeCondition;
    QLineEdit* categoryCondition;
    QLineEdit* nameCondition;
    QLineEdit* specCondition;
    QLineEdit* supplierCondition;
    QPushButton* searchButton;
    QPushButton* clearButton;
    QPushButton* newButton;
    QPushButton* deleteButton;
    QPushButton* allButton;
    QPushButton* exportButton;
    QPushButton* printButton;
    QToolButton* labelsButton;
    QToolButton* importButton;

    FloatingPanel* panel;
    QLineEdit* codeEdit;
    QLineEdit* categoryEdit;
    QLineEdit* nameEdit;
    QLineEdit* specEdit;
    QLineEdit* supplierEdit;
    QLineEdit* purchasePriceEdit;
    QLineEdit* salePriceEdit;
    QLineEdit* memberPriceEdit;
    QLineEdit* unitEdit;
    QPushButton* addButton;     // 新 建 on the panel
    QPushButton* modifyButton;  // 修 改

    QMenu* popupMenu;
    QAction* newItem;
    QAction* deleteItem;
    QAction* deleteSelectedItem;
    QAction* allItem;
    QAction* exportItem;
    QAction* printItem;

    const QString& loadedCode() const { return loadedCode_; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void closeStep();
    void setRowButtons(bool enabled);
    void emptyPanel(bool keepMemberPrice);
    bool duplicateRefused(bool modifying);
    bool requiredMissing();
    struct GoodsEntry entry() const;  // the panel's texts
    bool pricesRefused();
    void writeRow(class Dataset& target);

    Tdmfm& dm_;
    QString loadedCode_;
    QDialog* importWindow_ = nullptr;
    TypingPause* typing_ = nullptr;
    bool templateNoticeShown_ = false;
};
