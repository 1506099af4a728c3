// The main window with its working parts on a fresh database, logged in as the administrator.
#pragma once

#include <QLineEdit>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "core/schema.h"
#include "core/session.h"
#include "core/ui/MAIN.h"
#include "core/ui/dbgrid.h"
#include "note/line_edit_panel.h"
#include "note/note_list.h"
#include "sale/counter.h"
#include "support/counter_window.h"
#include "support/ui_fixture.h"

struct CounterFixture : UiFixture, CounterWindow {
    CounterFixture() : CounterWindow(*dm, db.dir()) {
        main->show();
        if (!QTest::qWaitForWindowExposed(main.get())) qWarning("main window not exposed");
        counter->noteList->refresh();
        counter->afterLogin();
    }

    void scan(const QString& keys) {
        main->Edit47->setFocus();
        QTest::keyClicks(main->Edit47, keys);
        QTest::keyClick(main->Edit47, Qt::Key_Return);
    }

    QTableView* view() const { return main->noteGrid->view(); }
    QPoint rowCentre(int row) const { return view()->visualRect(view()->model()->index(row, 1)).center(); }
    void clickRow(int row) { QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowCentre(row)); }
    // A double click as the hand makes it: a click, then the second press.
    void doubleClickRow(int row) {
        clickRow(row);
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, rowCentre(row));
    }

    double number(const QString& column, const QString& code) {
        return db.scalar(QStringLiteral("SELECT [%1] FROM data WHERE c=?").arg(column), {code}).toDouble();
    }
    QString codesShown() const {
        QString out;
        const int c = counter->noteList->query().fieldIndex(QStringLiteral("c"));
        for (int i = 0; i < counter->noteList->query().recordCount(); ++i) {
            out += counter->noteList->query().textAt(i, c) + QLatin1Char(' ');
        }
        return out.trimmed();
    }
};
