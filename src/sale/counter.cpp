// Counter: the working parts of the main window put together.
#include "sale/counter.h"

#include <QLineEdit>

#include "core/dm.h"
#include "core/formats.h"
#include "core/serial.h"
#include "core/settlement_steps.h"
#include "core/ui/MAIN.h"
#include "core/ui/dialogs.h"
#include "core/ui/floating_panel.h"
#include "core/ui/guard.h"
#include "note/line_edit_panel.h"
#include "note/note_list.h"
#include "sale/code_entry.h"
#include "sale/note_editing.h"
#include "sale/settlement.h"

Counter::Counter(TMainForm* mainForm, Tdmfm& dm) : QObject(mainForm), main_(mainForm), dm_(dm) {
    noteList = new NoteList(mainForm, dm.ADOQuery15);
    linePanel = new LineEditPanel(mainForm, noteList);
    editing = new NoteEditing(mainForm, dm, noteList, linePanel);
    codeEntry = new CodeEntry(mainForm, dm, noteList, linePanel, editing);
    noteList->setBeforeSort([this] {
        main_->Panel1->hide();
        main_->linePanel->hide();
    });
    settlement = new Settlement(mainForm, dm, noteList, editing, linePanel);
    connect(codeEntry, &CodeEntry::settlementRequested, settlement, onAction(main_, [this] { settlement->open(); }));
    connect(main_, &TMainForm::settleRequested, settlement, onAction(main_, [this] { settlement->open(); }));
    connect(main_, &TMainForm::deliveryNoteRequested, settlement,
            onAction(main_, [this] { settlement->showDeliveryNote(); }));
}

void Counter::setDeliveryNote(TForm2* form) {
    settlement->setDeliveryNote(form);
}

void Counter::afterLogin() {
    editing->noteTotals();
    // The serial config.ini gave may be one a stored sale has (an older copy of the file, or one
    // the disk emptied): the next sale gets a free one, and the operator hears of it now.
    const std::optional<qint64> counter = parseInteger(main_->counterText());
    if (!counter) return;
    guard(main_, [this, counter] {
        const FreeSerial free = freeSerial(dm_.ADOConnection1, main_->serialText(), *counter);
        if (!free.moved) return;
        const QString shown = trimBlanks(main_->serialText());
        main_->setSerialText(free.serial + QLatin1Char(' '));
        main_->setCounterText(QString::number(free.counter));
        showInfo(serialMovedText(shown, free.serial, SerialMoment::Start), main_);
    });
}
