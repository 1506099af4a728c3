// Note totals and editing.
#include "sale/note_editing.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>

#include "core/dataset.h"
#include "core/dm.h"
#include "core/shared_queries.h"
#include "core/ui/MAIN.h"
#include "core/ui/dbgrid.h"
#include "core/ui/dialogs.h"
#include "core/ui/floating_panel.h"
#include "core/ui/guard.h"
#include "note/line_edit_panel.h"
#include "note/note_list.h"

NoteEditing::NoteEditing(TMainForm* mainForm, Tdmfm& dm, NoteList* noteList, LineEditPanel* linePanel)
    : QObject(mainForm), main_(mainForm), dm_(dm), noteList_(noteList), linePanel_(linePanel) {
    popupMenu = new QMenu(mainForm);
    popupMenu->setObjectName(QStringLiteral("NotePopupMenu"));
    N6 = popupMenu->addAction(QStringLiteral("修改销售单价"));
    N35 = popupMenu->addAction(QStringLiteral("修改数量"));
    Excel2 = popupMenu->addAction(QStringLiteral("删除单个商品"));
    N1 = popupMenu->addAction(QStringLiteral("删除全部"));
    N35->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    Excel2->setShortcut(QKeySequence(Qt::Key_Delete));
    // The shortcuts act while the grid has the focus; in the code entry field Delete and
    // Ctrl+X keep their ordinary meaning.
    QTableView* view = noteList->grid()->view();
    for (QAction* a : {N35, Excel2}) {
        a->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(a);
    }
    connect(N6, &QAction::triggered, this, onAction(main_, [this] { linePanel_->openOnPrice(); }));
    connect(N35, &QAction::triggered, this, onAction(main_, [this] { linePanel_->openOnQuantity(); }));
    connect(Excel2, &QAction::triggered, this, onAction(main_, [this] { deleteOneLine(); }));
    connect(N1, &QAction::triggered, this, onAction(main_, [this] { deleteAllLines(); }));
    connect(noteList->grid(), &DBGrid::popupRequested, popupMenu, [this](const QPoint& at) { popupMenu->popup(at); });
    connect(noteList->grid(), &DBGrid::doubleClicked, this, onAction(main_, [this] { linePanel_->openOnQuantity(); }));
    connect(linePanel_, &LineEditPanel::lineChanged, this, &NoteEditing::noteTotals);
}

void NoteEditing::noteTotals() {
    main_->Label25->setText(QStringLiteral("共:") + noteList_->amountFooter() + QStringLiteral("元"));
    main_->Label26->setText(QStringLiteral("商品数量：") + noteList_->quantityFooter());
}

void NoteEditing::deleteOneLine() {
    main_->Panel1->hide();
    // Nothing to delete: no question, nothing changes.
    if (noteList_->rowCount() == 0) return;
    if (!confirmOkCancel(QStringLiteral("你真的要删除选中资料吗？"), main_)) return;
    noteList_->query().deleteRecord();
    showInfo(QStringLiteral("删除数据成功！"), main_);
    noteTotals();
    main_->Edit47->setFocus();
}

void NoteEditing::deleteAllLines() {
    ExecQuery(dm_.ADOQuery7, QStringLiteral("delete   from   data "));
    afterNoteEmptied();
}

void NoteEditing::afterNoteEmptied() {
    main_->Label25->setText(QStringLiteral("共:0.00元"));
    main_->Label26->setText(QStringLiteral("商品数量：0"));
    main_->Edit47->setFocus();
    noteList_->refresh();
}
