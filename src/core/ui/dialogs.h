// Dialogs: every box, file dialog, browser hand-off, preview and print job the program shows
// goes through here, so tests can answer them from a script instead of a person.
#pragma once

#include <QPageLayout>
#include <QSize>
#include <QString>
#include <QUrl>

class QPainter;
class Dataset;
class QPrinter;
class QWidget;

// Something printable page by page: the delivery note, a receipt, a label sheet.
class PrintDocument {
public:
    virtual ~PrintDocument() = default;
    virtual QString title() const = 0;
    virtual QPageLayout pageLayout() const = 0;
    // Pages laid out so far: a long document lays itself out as far as it is looked at.
    virtual int pageCount() const = 0;
    virtual bool layoutComplete() const { return true; }
    // Lays out up to `rows` more rows; true once every page is laid out.
    virtual bool layOutMore(int rows) const {
        Q_UNUSED(rows);
        return true;
    }
    // Paints one page (0-based) onto a painter whose device is the page; `dotsPerInch` is the
    // device's resolution, for layouts given in device units.
    virtual void paintPage(QPainter& painter, int page, double dotsPerInch) const = 0;
    // A receipt keeps the printer's own paper width and sets only the length.
    virtual bool keepsPrinterWidth() const { return false; }
};

class Dialogs {
public:
    enum class Icon { None, Information, Warning, Error, Question };

    virtual ~Dialogs() = default;

    // One OK button.
    virtual void message(QWidget* parent, const QString& title, const QString& text, Icon icon) = 0;
    // OK and Cancel with Cancel preselected; true for OK.
    virtual bool okCancel(QWidget* parent, const QString& title, const QString& text) = 0;
    // Yes and No; true for Yes.
    virtual bool yesNo(QWidget* parent, const QString& title, const QString& text, bool defaultYes, Icon icon) = 0;
    // Empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
                                 const QString& defaultSuffix) = 0;
    virtual QString existingDirectory(QWidget* parent, const QString& caption, const QString& dir) = 0;
    // Web addresses, "mailto:" and written files, each with the user's default program.
    virtual bool openUrl(const QUrl& url) = 0;
    // A modal print preview with printing from it; returns when it is closed.
    virtual void preview(QWidget* parent, const PrintDocument& document, QSize initialSize) = 0;
    // Prints straight to the default printer. False with `error` set when that fails.
    virtual bool print(const PrintDocument& document, QString* error) = 0;

    static Dialogs& current();
    // Tests put a recorder in place; nullptr brings back the real boxes.
    static void install(Dialogs* dialogs);
};

// The one print path of preview, printer and PDF: sets the document's page on the printer
// (a receipt keeps the printer's width), paints every page at the printer's resolution.
// False when the printer refuses the page or the job.
bool printDocument(QPrinter& printer, const PrintDocument& document);
// The same path into a PDF file at the printer's high resolution.
bool printToPdf(const PrintDocument& document, const QString& path);

// The box texts the whole program shares.
namespace Boxes {
inline const QString kAppTitle = QStringLiteral("Zenlo送货单打印软件");
inline const QString kWarningTitle = QStringLiteral("警告");
inline const QString kConfirmTitle = QStringLiteral("警告！");
}  // namespace Boxes

// A list whose rows are still being looked for can be neither printed nor exported yet: says
// so and returns true.
bool refusedWhilePending(const Dataset* rows, QWidget* parent);

// Opens the program's web site in the browser; without one, the operator learns the address.
void openWebSite(QWidget* parent = nullptr);

// Information box titled with the program's name.
void showInfo(const QString& text, QWidget* parent = nullptr);
// Warning box with a single OK button.
void showWarning(const QString& text, QWidget* parent = nullptr);
// Error box with the engine's or the system's own text.
void showError(const QString& text, QWidget* parent = nullptr);
// "警告！" with OK and Cancel, Cancel preselected.
bool confirmOkCancel(const QString& text, QWidget* parent = nullptr);
