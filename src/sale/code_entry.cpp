// Code entry: a goods code or bar code and Enter, and the goods join the current note.
#include "sale/code_entry.h"

#include <QLineEdit>
#include <QPushButton>

#include "core/connection.h"
#include "core/dm.h"
#include "core/formats.h"
#include "core/jet_dialect.h"
#include "core/note_queries.h"
#include "core/session.h"
#include "core/shared_queries.h"
#include "core/ui/MAIN.h"
#include "core/ui/dialogs.h"
#include "core/ui/floating_panel.h"
#include "core/ui/guard.h"
#include "core/ui/key_filters.h"
#include "note/line_edit_panel.h"
#include "note/note_list.h"
#include "sale/note_editing.h"

CodeEntry::CodeEntry(TMainForm* mainForm, Tdmfm& dm, NoteList* noteList, LineEditPanel* linePanel, NoteEditing* editing)
    : QObject(mainForm), main_(mainForm), dm_(dm), noteList_(noteList), panel_(linePanel), editing_(editing) {
    attachKeyFilter(main_->Edit47, KeyFamily::LettersDigits, [this] { enterPressed(); });
    connect(main_->Button6, &QPushButton::clicked, this, &CodeEntry::lookupRequested);
}

void CodeEntry::enterPressed() {
    if (main_->Edit47->text().isEmpty()) {
        emptyFieldEnter();
        return;
    }
    addCode();
    closeLinePanel();
    refreshAndTotal();
}

void CodeEntry::closeLinePanel() {
    // A scan filled the panel's fields with the scanned goods: what it showed of its line is
    // gone, so it must not write back.
    panel_->panel->hide();
    panel_->disableApply();
}

void CodeEntry::refreshAndTotal() {
    noteList_->refresh();
    editing_->noteTotals();
}

void CodeEntry::emptyFieldEnter() {
    noteList_->refresh();
    if (noteList_->rowCount() >= 1) {
        emit settlementRequested();
        return;
    }
    main_->Edit47->setFocus();
    main_->Edit47->clear();
    refreshAndTotal();
}

void CodeEntry::entryFromLookup() {
    if (main_->Edit47->text().isEmpty()) {
        emit settlementRequested();
        return;
    }
    guard(main_, [this] { addCode(); });
    closeLinePanel();
    guard(main_, [this] { refreshAndTotal(); });
    main_->Edit47->setFocus();
}

bool CodeEntry::stageFromCatalogue(const Dataset& goods) {
    LineEditPanel::Staging& s = panel_->staging;
    s.goodsName = goods.text(QStringLiteral("商品名称"));
    s.spec = goods.text(QStringLiteral("规格型号"));
    s.code = goods.text(QStringLiteral("商品编码"));
    panel_->memberPriceEdit->setText(goods.text(QStringLiteral("会员价")));
    s.category = goods.text(QStringLiteral("商品类别"));
    s.purchasePrice = goods.text(QStringLiteral("进货单价"));
    panel_->priceEdit->setText(goods.text(QStringLiteral("销售单价")));
    s.unit = goods.text(QStringLiteral("单位"));
    s.supplier = goods.text(QStringLiteral("供货商"));
    // A line cannot be built without its three prices.
    if (!parseNumber(panel_->priceEdit->text()) || !parseNumber(s.purchasePrice) ||
        !parseNumber(panel_->memberPriceEdit->text())) {
        showWarning(QStringLiteral("商品“%1”的销售单价、进货单价或会员价没有填写，不能销售。\n"
                                   "请先在商品管理中补全价格。")
                        .arg(s.code),
                    main_);
        return false;
    }
    if (!parseNumber(panel_->quantityEdit->text())) {
        showWarning(QStringLiteral("数量“%1”不是有效的数字，请先改正数量。").arg(panel_->quantityEdit->text()), main_);
        return false;
    }
    return true;
}

void CodeEntry::addCode() {
    Dataset& goods = dm_.ADOQuery6;
    const QString fieldText = main_->Edit47->text();
    OpenQuery(goods, scannedGoodsQuery(fieldText));
    if (goods.recordCount() == 0) {
        main_->Edit47->clear();
        return;
    }
    if (!stageFromCatalogue(goods)) {
        main_->Edit47->clear();
        return;
    }
    Dataset& existing = dm_.ADOQuery7;
    OpenQuery(existing, noteLineQuery(fieldText));
    const bool merge = existing.recordCount() >= 1;
    const QString refusal = lineSizeRefusal(panel_->priceEdit->text(), panel_->quantityEdit->text(),
                                            merge ? existing.asFloat(QStringLiteral("2")) : 0,
                                            merge ? existing.asFloat(QStringLiteral("6")) : 0);
    if (!refusal.isEmpty() || !panel_->lineComputation()) {
        showWarning(refusal.isEmpty() ? QStringLiteral("商品“%1”的价格或数量不是有效的数字，不能销售。").arg(fieldText)
                                      : refusal,
                    main_);
        main_->Edit47->clear();
        return;
    }
    if (merge) {
        const BoundStatement merge =
            noteLineMerge(*parseNumber(panel_->quantityEdit->text()), *parseNumber(panel_->amountEdit->text()),
                          *parseNumber(panel_->staging.profit), fieldText);
        dm_.ADOConnection1.execute(merge.sql, merge.values);
    } else {
        appendLine();
    }
    main_->Edit47->clear();
}

void CodeEntry::appendLine() {
    const LineEditPanel::Staging& s = panel_->staging;
    Dataset& note = dm_.ADOTable5;
    note.open();
    note.append();
    try {
        note.setValue(QStringLiteral("a"), trimBlanks(s.goodsName));
        note.setValue(QStringLiteral("b"), trimBlanks(s.spec));
        note.setValue(QStringLiteral("c"), trimBlanks(s.code));
        note.setValue(QStringLiteral("d"), trimBlanks(s.category));
        note.setValue(QStringLiteral("4"), panel_->priceEdit->text());
        note.setValue(QStringLiteral("2"), panel_->quantityEdit->text());
        note.setValue(QStringLiteral("1"), s.purchasePrice);
        note.setValue(QStringLiteral("3"), panel_->memberPriceEdit->text());
        note.setValue(QStringLiteral("5"), s.zero);
        note.setValue(QStringLiteral("6"), panel_->amountEdit->text());
        note.setValue(QStringLiteral("7"), s.profit);
        note.setValue(QStringLiteral("z"), trimBlanks(s.unit));
        note.setValue(QStringLiteral("h"), trimBlanks(main_->serialText()));
        note.setValue(QStringLiteral("i"), trimBlanks(Session::operatorName()));
        note.setValue(QStringLiteral("day1"), main_->noteDateText());
        note.setValue(QStringLiteral("g"), trimBlanks(s.supplier));
        note.post();
    } catch (...) {
        note.cancel();
        throw;
    }
}
