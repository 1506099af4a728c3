// Txstj: "销售明细" — the settled sales and their lines, searched while typing, the month, day
// and all-records views, the statistics charts, deleting a sold line, export, print and
// printing a sale again.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

class BarChart;
class Dataset;
class DBGrid;
class FloatingPanel;
class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class Tdmfm;
class TForm2;
struct SaleReprint;
class TypingPause;
struct SalesLineFilters;

class Txstj : public QDialog {
    Q_OBJECT

public:
    Txstj(QWidget* mainWindow, Tdmfm& dm);
    ~Txstj() override;

    // Run when the window closes: the main window's note list is read again.
    void setRefreshNoteList(std::function<void()> refresh) { refreshNoteList_ = std::move(refresh); }
    // The charts are for the super administrator only.
    void setChartsVisible(bool visible);
    // The delivery note the reprint shows.
    void setDeliveryNote(TForm2* form) { deliveryNote_ = form; }

    void showStep();         // what showing the window does
    void query();            // 查 询
    void thisMonth();        // 本 月
    void today();            // 当 天
    void allRecords();       // 全部记录
    void clearConditions();  // 清空条件
    void lineDoubleClicked();
    void saleDoubleClicked();
    void askDelete();   // Delete in the line grid: the deletion panel
    void deleteLine();  // 删 除 on the deletion panel
    void monthlyChart(bool profit);
    void dailyChart(bool profit);
    void exportLines();          // 导出Excel
    void printLines();           // 打 印
    void reprintReceipt();       // 补打POS小票
    void reprintDeliveryNote();  // 补打送货单
    SalesLineFilters filters() const;

    QTabWidget* PageControl1;
    DBGrid* DBGridEh2;      // sales
    DBGrid* DBGridEh1;      // lines
    QLineEdit* Edit51;      // 销售单流水号
    QPushButton* Button17;  // 查 询 beside the serial
    QPushButton* Button18;  // 全 部
    QComboBox* ComboBox4;   // 类  别
    QLineEdit* Edit23;      // 商品名称
    QLineEdit* Edit29;      // 规格型号
    QLineEdit* Edit25;      // 商品编码
    QLineEdit* Edit14;      // 操作人
    QCheckBox* CheckBox6;   // 销售日期
    QDateEdit* DBDateTimeEditEh2;
    QDateEdit* DBDateTimeEditEh3;
    QPushButton* Button4;      // 查 询
    QPushButton* Button3;      // 本 月
    QPushButton* Button19;     // 当 天
    QPushButton* Button16;     // 全部记录
    QPushButton* Button15;     // 清空条件
    QGroupBox* settingsGroup;  // 个性信息设置, never shown
    QLineEdit* Edit15;         // 单位名称
    QLineEdit* Edit1;          // 电话地址
    FloatingPanel* Panel1;     // the deletion panel
    QList<QLineEdit*> deletionValues;
    QPushButton* Button6;  // 删 除
    QMenu* linesMenu;
    QAction* receiptItem;
    QAction* modifyItem;
    QAction* deleteItem;
    QAction* exportItem;
    QAction* printItem;
    QAction* deleteKey;  // Delete while the line grid has the focus
    QMenu* salesMenu;
    QAction* reprintReceiptItem;
    QAction* reprintNoteItem;

    BarChart* DBChart1;     // month by month
    QComboBox* ComboBox1;   // its year
    QPushButton* Button1;   // 查询利润
    QPushButton* Button13;  // 查询销售额
    BarChart* DBChart3;     // day by day
    QComboBox* ComboBox3;   // its year
    QComboBox* ComboBox2;   // its month
    QPushButton* Button2;   // 查询利润
    QPushButton* Button14;  // 查询销售额

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void hideDeletionPanel();
    void fillYears();
    void refillCategories();
    void drawChart(BarChart* chart, Dataset& query);
    std::optional<SaleReprint> selectedSale();

    Tdmfm& dm_;
    std::unique_ptr<Dataset> monthlyQuery_;
    std::unique_ptr<Dataset> dailyQuery_;
    TypingPause* typing_ = nullptr;
    std::function<void()> refreshNoteList_;
    TForm2* deliveryNote_ = nullptr;
    QMetaObject::Connection categoriesWaiting_;  // the category list, once the history is read
};
