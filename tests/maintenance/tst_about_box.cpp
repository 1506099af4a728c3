// The about box: its two addresses open the mail program and the browser.
#include <QPushButton>
#include <QtTest>

#include "core/ui/click_label.h"
#include "core/vendor.h"
#include "maintenance/About.h"
#include "support/recording_dialogs.h"
#include "support/test_registry.h"

class TestAboutBox : public QObject {
    Q_OBJECT

private slots:
    void theAddressesAreLinks() {
        RecordingDialogs dialogs;
        TAboutBox box(nullptr);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        for (ClickLabel* link : {box.EmailLink, box.WebLink}) {
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QVERIFY(link->toolTip().contains(QStringLiteral("Zenlo软件")));
        }
        QTest::mouseClick(box.EmailLink, Qt::LeftButton);
        QTest::mouseClick(box.WebLink, Qt::LeftButton);
        QCOMPARE(dialogs.urls, (QList<QUrl>{QUrl(QStringLiteral("mailto:") + Vendor::kEmail), QUrl(Vendor::kWebSite)}));
        // A press taken off the link before it is let go opens nothing.
        QTest::mousePress(box.WebLink, Qt::LeftButton);
        QTest::mouseRelease(box.WebLink, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(dialogs.urls.size(), 2);
        QVERIFY(dialogs.boxes.isEmpty());
    }

    // Without a mail program or browser the operator still learns the address.
    void noProgramToOpenThem() {
        RecordingDialogs dialogs;
        dialogs.openUrlSucceeds = false;
        TAboutBox box(nullptr);
        box.show();
        QTest::mouseClick(box.EmailLink, Qt::LeftButton);
        QTest::mouseClick(box.WebLink, Qt::LeftButton);
        QCOMPARE(dialogs.boxes.size(), 2);
        QVERIFY(dialogs.boxes[0].text.contains(Vendor::kEmail));
        QVERIFY(dialogs.boxes[1].text.contains(Vendor::kWebSite));
    }

    void okCloses() {
        RecordingDialogs dialogs;
        TAboutBox box(nullptr);
        QTimer::singleShot(0, &box, [&box] { QTest::mouseClick(box.OKButton, Qt::LeftButton); });
        QCOMPARE(box.exec(), int(QDialog::Accepted));
        QVERIFY(!box.isVisible());
    }
};

ZENLO_TEST(TestAboutBox)
#include "tst_about_box.moc"
