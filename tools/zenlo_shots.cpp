// zenlo-shots: renders the pictures of the user guide (docs/*.png) from the real windows and
// printouts, on a demo database in a temporary directory. Usage: zenlo-shots OUTPUT_DIR
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTime>
#include <QToolButton>
#include <cstdio>

#include "admin_commands.h"
#include "app/startup.h"
#include "core/auto_backup.h"
#include "core/capitals.h"
#include "core/demo_goods.h"
#include "core/dm.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/ui/dialogs.h"
#include "core/ui/floating_panel.h"
#include "core/ui/fonts.h"
#include "core/ui/hints.h"
#include "core/ui/report_render.h"
#include "core/ui/skins.h"
#include "core/ui/translations.h"
#include "goods/Unit1.h"
#include "goods/excel.h"
#include "goods/labels.h"
#include "goods/ys.h"
#include "maintenance/About.h"
#include "maintenance/repairdb.h"
#include "note/line_edit_panel.h"
#include "note/note_list.h"
#include "sale/Unit2.h"
#include "sale/code_entry.h"
#include "sale/counter.h"
#include "sale/receipt_document.h"
#include "sale/receipt_printer_window.h"
#include "sale/settlement.h"
#include "sales/Unit4.h"
#include "users/changepass.h"
#include "users/login.h"
#include "users/usergl.h"

namespace {

// Boxes answer themselves: the shots run without a person.
class SilentDialogs final : public Dialogs {
public:
    void message(QWidget*, const QString&, const QString&, Icon) override {}
    bool okCancel(QWidget*, const QString&, const QString&) override { return true; }
    bool yesNo(QWidget*, const QString&, const QString&, bool, Icon) override { return true; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString existingDirectory(QWidget*, const QString&, const QString&) override { return {}; }
    bool openUrl(const QUrl&) override { return true; }
    void preview(QWidget*, const PrintDocument& document, QSize) override {
        if (onPreview) onPreview(document);
    }
    bool print(const PrintDocument&, QString*) override { return true; }
    std::function<void(const PrintDocument&)> onPreview;
};

bool save(const QImage& image, const QString& path) {
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The receipt paper is long (and a PDF page wide); keep the printed part and a margin.
QImage cropToInk(const QImage& page, int margin) {
    int bottom = 0, right = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) < 200) {
                bottom = y;
                right = std::max(right, x);
            }
        }
    }
    return page.copy(0, 0, std::min(page.width(), right + margin), std::min(page.height(), bottom + margin));
}

// Pages of a PDF as PNG files PREFIX-1.png, PREFIX-2.png... (poppler's pdftoppm), optionally
// cropped below the last ink; with lastPage, only the pages up to it.
bool pdfPageImages(const QString& pdf, int dotsPerInch, const QString& prefix, bool crop, int lastPage = 0) {
    QTemporaryDir pages;
    QProcess convert;
    QStringList arguments{QStringLiteral("-r"), QString::number(dotsPerInch), QStringLiteral("-png")};
    if (lastPage > 0) arguments << QStringLiteral("-l") << QString::number(lastPage);
    convert.start(QStringLiteral("pdftoppm"), arguments << pdf << pages.filePath(QStringLiteral("p")));
    if (!convert.waitForFinished(60000) || convert.exitCode() != 0) {
        std::printf("FAILED pdftoppm %s\n", qPrintable(pdf));
        return false;
    }
    const QStringList files = QDir(pages.path()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    bool ok = !files.isEmpty();
    for (int i = 0; i < files.size(); ++i) {
        QImage page(pages.filePath(files[i]));
        if (crop) page = cropToInk(page, 40);
        ok &= save(page, QStringLiteral("%1-%2.png").arg(prefix).arg(i + 1));
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: zenlo-shots OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    installFontSubstitutions();
    installChineseTranslations(&app);
    installHintTiming(&app);
    applySkin(-1);
    SilentDialogs dialogs;
    Dialogs::install(&dialogs);

    QTemporaryDir sandbox;
    // The windows remember paths per user: here in the sandbox, not in the real settings.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, sandbox.filePath(QStringLiteral("config")));
    const QString file = sandbox.filePath(QStringLiteral("data.mdb"));
    createDatabaseFile(file, true);
    Program::Options options;
    options.databasePath = file;
    options.environment.programDir = sandbox.path();
    options.environment.isRemovableDrive = [](const QString&) { return true; };
    // A shop that has closed the program every evening for a while: its automatic copies.
    options.backupDir = sandbox.filePath(QStringLiteral("备份"));
    for (int age = 6; age >= 1; --age) {
        const QDate day = QDate::currentDate().addDays(-age);
        runAutoBackup(file, options.backupDir, day);
        QFile copy(QDir(options.backupDir).filePath(autoBackupName(day)));
        if (copy.open(QIODevice::ReadWrite))
            copy.setFileTime(QDateTime(day, QTime(18, 30 + age)), QFileDevice::FileModificationTime);
    }
    rememberAutoBackup(DatabaseCopyResult(), QDateTime(QDate::currentDate().addDays(-1), QTime(18, 31)));
    Program program(options);
    if (!program.create()) return 1;
    TMainForm* main = program.mainForm;
    Counter* counter = program.counter;
    Session::setOperatorName(kSuperAdministrator);
    main->setLoginLogId(1);
    main->show();
    main->runShowSequence();
    main->setStatusText(1, QStringLiteral("操作员：") + kSuperAdministrator);
    // A few demo goods, one of them twice.
    for (int index : {2, 2, 9, 25, 29, 38, 46}) {
        main->Edit47->setText(demoGoods().at(index).code);
        counter->codeEntry->enterPressed();
    }
    QCoreApplication::processEvents();
    bool ok = save(main->grab().toImage(), out.filePath(QStringLiteral("main-window.png")));

    counter->settlement->open();
    counter->settlement->Edit5->setText(QStringLiteral("300"));
    counter->settlement->recomputeChange();
    QCoreApplication::processEvents();
    ok &= save(main->grab().toImage(), out.filePath(QStringLiteral("settlement-panel.png")));
    counter->settlement->close();

    counter->noteList->query().setRecNo(3);
    counter->linePanel->openOnQuantity();
    QCoreApplication::processEvents();
    ok &= save(main->grab().toImage(), out.filePath(QStringLiteral("line-edit-panel.png")));
    counter->linePanel->close();

    // The printouts of this note.
    const DeliveryNoteInput note = counter->settlement->deliveryNoteInput();
    ReceiptInput receipt;
    receipt.serial = main->serialText();
    receipt.cashier = kSuperAdministrator;
    receipt.noteDate = main->noteDateText();
    receipt.time = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
    for (const DeliveryNoteLine& l : note.lines) receipt.goods.append({l.name, l.quantity, l.amount});
    receipt.total = note.amountText;
    receipt.received = note.amountText;
    receipt.cash = 300;
    receipt.change = 300 - note.amountText.toDouble();
    const ReceiptDocument receiptDocument(receiptLayout(receipt));
    ok &= save(cropToInk(renderPageImage(receiptDocument, 0, 203), 40), out.filePath(QStringLiteral("receipt.png")));

    const ReportTableRows rows = TForm2::rows(note);
    const ReportDocument deliveryNote(TForm2::definition(note, amountInCapitals(note.amountText).text), rows);
    ok &= save(renderPageImage(deliveryNote, 0, 110), out.filePath(QStringLiteral("delivery-note.png")));

    // The same receipt through the printer's own path, at the 1200 dpi a PDF printer has.
    const QString receiptPdf = sandbox.filePath(QStringLiteral("receipt.pdf"));
    ok &= printToPdf(receiptDocument, receiptPdf) &&
          pdfPageImages(receiptPdf, 200, out.filePath(QStringLiteral("receipt-printed")), true);

    // A delivery note of two pages, for a customer, printed the same way.
    DeliveryNoteInput longNote = note;
    longNote.customerName = QStringLiteral("城南便利店");
    longNote.contact = QStringLiteral("王五");
    longNote.phone = QStringLiteral("13800138000");
    while (longNote.lines.size() < 40) longNote.lines += note.lines;
    double total = 0;
    for (const DeliveryNoteLine& l : longNote.lines) total += l.amount;
    longNote.amountText = QString::number(total, 'f', 2);
    const ReportTableRows longRows = TForm2::rows(longNote);
    const ReportDocument twoPages(TForm2::definition(longNote, amountInCapitals(longNote.amountText).text), longRows);
    const QString notePdf = sandbox.filePath(QStringLiteral("note.pdf"));
    ok &= printToPdf(twoPages, notePdf) &&
          pdfPageImages(notePdf, 90, out.filePath(QStringLiteral("delivery-note-two-pages")), false);

    // The system's print dialog, in Chinese.
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog printDialog(&printer, main);
    printDialog.show();
    QCoreApplication::processEvents();
    ok &= save(printDialog.grab().toImage(), out.filePath(QStringLiteral("print-dialog.png")));
    printDialog.hide();

    // The goods window with its entry panel open on a row, and a sheet of labels.
    TForm1* goods = program.form1;
    goods->show();
    QCoreApplication::processEvents();
    ok &= save(goods->grab().toImage(), out.filePath(QStringLiteral("goods-window.png")));
    program.dm->ADOQuery12.setRecNo(9);
    goods->loadRow(9);
    goods->panel->show();
    goods->panel->raise();
    QCoreApplication::processEvents();
    ok &= save(goods->grab().toImage(), out.filePath(QStringLiteral("goods-entry-panel.png")));
    {
        const LabelRows rows(program.dm->ADOQuery12);
        const ReportDocument sheet(labelSheet(), rows);
        ok &= save(renderPageImage(sheet, 0, 110), out.filePath(QStringLiteral("labels.png")));
    }
    goods->reject();

    Texcell* import = program.excell;
    import->Edit1->setText(QStringLiteral("/home/shop/商品清单.xls"));
    import->Edit2->setText(QStringLiteral("/home/shop/zenlo/data.mdb"));
    import->show();
    QCoreApplication::processEvents();
    ok &= save(import->grab().toImage(), out.filePath(QStringLiteral("import-window.png")));
    import->hide();

    // The sales window on the demo history: this month, the charts, the deletion panel, and the
    // printed list of one sale's lines.
    Txstj* sales = program.xstj;
    sales->show();
    QCoreApplication::processEvents();
    ok &= save(sales->grab().toImage(), out.filePath(QStringLiteral("sales-window.png")));
    sales->PageControl1->setCurrentIndex(1);
    QCoreApplication::processEvents();
    ok &= save(sales->grab().toImage(), out.filePath(QStringLiteral("sales-charts.png")));
    sales->PageControl1->setCurrentIndex(0);
    program.dm->ADOQuery13.setRecNo(program.dm->ADOQuery13.recordCount() - 3);
    sales->askDelete();
    QCoreApplication::processEvents();
    ok &= save(sales->grab().toImage(), out.filePath(QStringLiteral("sales-deletion-panel.png")));
    sales->Edit23->setText(QStringLiteral("可乐"));
    sales->query();
    const QString reportPdf = sandbox.filePath(QStringLiteral("sales.pdf"));
    dialogs.onPreview = [&](const PrintDocument& d) {
        ok &= printToPdf(d, reportPdf) &&
              pdfPageImages(reportPdf, 90, out.filePath(QStringLiteral("sales-report")), false, 1);
    };
    sales->printLines();
    dialogs.onPreview = nullptr;
    sales->Edit23->clear();
    sales->reject();

    // The backup window as the toolbar opens it, on a path an operator would choose.
    main->ToolButton4->click();
    Trepair* repair = program.repair;
    repair->Edit1->setText(QStringLiteral("/media/shop-usb/beifen.mdb"));
    repair->Edit2->setText(QStringLiteral("/media/shop-usb/beifen.mdb"));
    QCoreApplication::processEvents();
    ok &= save(repair->grab().toImage(), out.filePath(QStringLiteral("backup-window.png")));
    repair->close();
    QCoreApplication::processEvents();

    // The login, the goods lookup, the user management after the administrator's password, and
    // the password change.
    program.loginfm->show();
    QCoreApplication::processEvents();
    ok &= save(program.loginfm->grab().toImage(), out.filePath(QStringLiteral("login-window.png")));
    program.loginfm->hide();

    Tysfm* lookup = program.ysfm;
    lookup->show();
    lookup->nameEdit->setText(QStringLiteral("茶"));
    lookup->search();
    QCoreApplication::processEvents();
    ok &= save(lookup->grab().toImage(), out.filePath(QStringLiteral("lookup-window.png")));
    lookup->hide();

    emit main->userManagementRequested();
    QCoreApplication::processEvents();
    if (Tuserglfm* users = program.userglfm) {
        users->LabeledEdit1->setText(QStringLiteral("888"));
        users->checkAdministrator();
        QCoreApplication::processEvents();
        ok &= save(users->grab().toImage(), out.filePath(QStringLiteral("users-window.png")));
        users->close();
    }
    emit main->changePasswordRequested();
    QCoreApplication::processEvents();
    if (Tchangepassfm* password = program.changepassfm) {
        ok &= save(password->grab().toImage(), out.filePath(QStringLiteral("password-window.png")));
        password->close();
    }
    QCoreApplication::processEvents();

    {
        TReceiptPrinterForm printer(main);
        printer.show();
        printer.modeBox->setCurrentIndex(1);
        printer.hostEdit->setText(QStringLiteral("192.168.1.100"));
        QCoreApplication::processEvents();
        ok &= save(printer.grab().toImage(), out.filePath(QStringLiteral("receipt-printer-window.png")));
    }

    program.aboutBox->show();
    QCoreApplication::processEvents();
    ok &= save(program.aboutBox->grab().toImage(), out.filePath(QStringLiteral("about-window.png")));
    program.aboutBox->hide();
    Dialogs::install(nullptr);
    return ok ? 0 : 1;
}
