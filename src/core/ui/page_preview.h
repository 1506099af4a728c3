// PagePreview: the print preview for long documents (a catalogue, a year of sales, a sheet of
// labels for every goods item). It paints only the page on screen, lays the document out
// further while the operator looks, and prints with a progress window that can be cancelled.
// The standard preview paints every page before it shows the first.
#pragma once

#include <QDialog>
#include <QTimer>

class PrintDocument;
class QLabel;
class QPrinter;
class QScrollArea;
class QSpinBox;
class QToolButton;

class PagePreview : public QDialog {
    Q_OBJECT

public:
    PagePreview(const PrintDocument& document, QWidget* parent = nullptr);

    int currentPage() const { return page_; }  // 0-based
    int shownPages() const;
    void showPage(int page);
    void setZoom(double zoom);  // 1 = the page at the screen's own size
    void fitPage();
    void fitWidth();
    // Prints the pages `from` to `to` (0-based) on `printer`, showing progress; false when the
    // operator cancelled or the printer refused.
    bool printPages(QPrinter& printer, int from, int to);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void print();
    void layOutSome();
    void render();
    void updateControls();

    const PrintDocument& document_;
    int page_ = 0;
    double zoom_ = 1;
    enum class Fit { None, Page, Width } fit_ = Fit::Page;
    QScrollArea* area_;
    QLabel* canvas_;
    QSpinBox* pageBox_;
    QLabel* pagesLabel_;
    QToolButton* first_;
    QToolButton* previous_;
    QToolButton* next_;
    QToolButton* last_;
    QTimer layoutTimer_;
};

// The one print path with progress and a cancel button, for long documents.
bool printWithProgress(QPrinter& printer, const PrintDocument& document, QWidget* parent, int from = 0, int to = -1);
