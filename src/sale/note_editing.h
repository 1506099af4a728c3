// Note totals and editing: the large total and item count under the grid, the grid's popup
// menu, deleting one line or the whole note.
#pragma once

#include <QObject>

class LineEditPanel;
class NoteList;
class QAction;
class QMenu;
class TMainForm;
class Tdmfm;

class NoteEditing : public QObject {
    Q_OBJECT

public:
    NoteEditing(TMainForm* mainForm, Tdmfm& dm, NoteList* noteList, LineEditPanel* linePanel);

    void noteTotals();      // "共:…元" and "商品数量：…" from the grid's footers
    void deleteOneLine();   // with its question
    void deleteAllLines();  // no question: also the last step of every settlement
    // The totals, focus and list after the note was emptied.
    void afterNoteEmptied();

    QMenu* popupMenu;
    QAction* N6;      // 修改销售单价
    QAction* N35;     // 修改数量, Ctrl+X
    QAction* Excel2;  // 删除单个商品, Delete
    QAction* N1;      // 删除全部

private:
    TMainForm* main_;
    Tdmfm& dm_;
    NoteList* noteList_;
    LineEditPanel* linePanel_;
};
