// Code entry: a goods code or bar code typed or scanned into the field at the top of the main
// window, Enter, and the goods join the current note — as a new line, or by growing the line
// that has the same code.
#pragma once

#include <QObject>

class Dataset;
class LineEditPanel;
class NoteEditing;
class NoteList;
class TMainForm;
class Tdmfm;

class CodeEntry : public QObject {
    Q_OBJECT

public:
    CodeEntry(TMainForm* mainForm, Tdmfm& dm, NoteList* noteList, LineEditPanel* linePanel, NoteEditing* editing);

    // Enter in the field: a code adds it; an empty field goes to payment.
    void enterPressed();
    // The goods lookup has put a code into the field (Button23Click).
    void entryFromLookup();

signals:
    // The settlement panel is wanted (an empty field with lines on the note).
    void settlementRequested();
    // "商品..." was pressed (Button6Click): the goods lookup is wanted.
    void lookupRequested();

private:
    // Steps 1 to 8 of an entry: find the goods, add or merge the line, clear the field.
    void addCode();
    void emptyFieldEnter();
    bool stageFromCatalogue(const Dataset& goods);
    void appendLine();
    void refreshAndTotal();
    void closeLinePanel();

    TMainForm* main_;
    Tdmfm& dm_;
    NoteList* noteList_;
    LineEditPanel* panel_;
    NoteEditing* editing_;
};
