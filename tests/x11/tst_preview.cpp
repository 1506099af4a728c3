// The delivery note's print preview on a real X display: it opens, shows every page and
// closes, for notes of one to three pages, from the toolbar and from a settlement.
#include <QCheckBox>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <functional>

#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/translations.h"
#include "sale/Unit2.h"
#include "sale/settlement.h"
#include "support/counter_fixture.h"
#include "support/printout_samples.h"
#include "support/test_registry.h"

namespace {

// What the preview showed before it was closed.
struct Seen {
    int pages = -1;
    bool fitted = false;
    bool exposed = false;
    QStringList toolTexts;
};

// Watches for the preview to open, lets it settle on the display, pages through it, looks at
// every page together, and closes it. Fails the wait (the dialog stays) after 30 s.
class PreviewWatcher : public QObject {
public:
    explicit PreviewWatcher(Seen& seen) : seen_(seen) {
        timer_.setInterval(50);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }

private:
    void poll() {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (!dialog->windowHandle() || !dialog->windowHandle()->isExposed()) return;
        if (++ticks_ < 10) return;  // half a second on screen, scroll bars and all
        timer_.stop();
        seen_.exposed = true;
        auto* view = dialog->findChild<QPrintPreviewWidget*>();
        seen_.pages = view ? view->pageCount() : -1;
        seen_.fitted = view && view->zoomMode() == QPrintPreviewWidget::FitInView;
        if (auto* bar = dialog->findChild<QToolBar*>()) {
            for (QAction* a : bar->actions()) {
                if (!a->text().isEmpty()) seen_.toolTexts.append(a->text());
            }
        }
        if (view) {
            for (int page = 1; page <= view->pageCount(); ++page) {
                view->setCurrentPage(page);
                QTest::qWait(50);
            }
            view->setViewMode(QPrintPreviewWidget::AllPagesView);
            QTest::qWait(200);
            view->setViewMode(QPrintPreviewWidget::SinglePageView);
            view->fitInView();
            QTest::qWait(200);
        }
        dialog->reject();
    }

    Seen& seen_;
    QTimer timer_;
    int ticks_ = 0;
};

int pagesFor(int lines) {
    return lines <= 28 ? 1 : lines <= 63 ? 2 : 3;
}

}  // namespace

class TestPreview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        installFontSubstitutions();
        installChineseTranslations(qApp);
    }

    void fromTheToolbar_data() {
        QTest::addColumn<int>("lines");
        for (int lines : {1, 29, 40, 70}) QTest::addRow("%d lines", lines) << lines;
    }
    void fromTheToolbar() {
        QFETCH(int, lines);
        Dialogs::install(nullptr);
        QWidget owner;
        owner.resize(400, 300);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        TForm2 form(nullptr);
        Seen seen;
        PreviewWatcher watcher(seen);
        form.showDeliveryNote(&owner, noteWithLines(lines));
        QVERIFY(seen.exposed);
        QCOMPARE(seen.pages, pagesFor(lines));
        QVERIFY(seen.fitted);
        // The standard toolbar speaks Chinese.
        QVERIFY2(seen.toolTexts.contains(QStringLiteral("打印")), qPrintable(seen.toolTexts.join(QLatin1Char(','))));
    }

    void fromASettlement() {
        CounterFixture f;
        Dialogs::install(nullptr);
        TForm2 form(f.main.get());
        f.counter->setDeliveryNote(&form);
        for (int i = 0; i < 40; ++i) {
            const QString code = QStringLiteral("G%1").arg(i);
            f.db.addGoods(code, QStringLiteral("商品%1").arg(i), 2, 1, 1.5);
            f.scan(code);
        }
        Settlement* s = f.counter->settlement;
        s->open();
        s->printReceiptBox->setChecked(false);
        s->printDeliveryNoteBox->setChecked(true);
        Seen seen;
        PreviewWatcher watcher(seen);
        QTest::mouseClick(s->Button17, Qt::LeftButton);
        QVERIFY(seen.exposed);
        QCOMPARE(seen.pages, 2);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT count(*) FROM data1")).toInt(), 40);
        QCOMPARE(f.counter->noteList->rowCount(), 0);
    }
};

ZENLO_TEST(TestPreview)
#include "tst_preview.moc"
