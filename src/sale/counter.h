// Counter: the working parts of the main window put together — the note line list, the line
// edit panel, the totals and editing, code entry and the settlement — and wired to each
// other the way the counter works.
#pragma once

#include <QObject>

class CodeEntry;
class LineEditPanel;
class NoteEditing;
class NoteList;
class Settlement;
class TForm2;
class TMainForm;
class Tdmfm;

class Counter : public QObject {
    Q_OBJECT

public:
    Counter(TMainForm* mainForm, Tdmfm& dm);

    TMainForm* mainForm() const { return main_; }
    NoteList* noteList;
    LineEditPanel* linePanel;
    NoteEditing* editing;
    CodeEntry* codeEntry;
    Settlement* settlement;

    // The delivery note report made at start-up in its place in the order.
    void setDeliveryNote(TForm2* form);

    // After a successful login: the list, the totals, the focus.
    void afterLogin();

private:
    TMainForm* main_;
    Tdmfm& dm_;
};
