// A Dialogs double: keeps every box, answers questions from a script, never blocks.
#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "core/ui/dialogs.h"

class RecordingDialogs final : public Dialogs {
public:
    struct Box {
        QString kind;  // "message", "okCancel", "yesNo"
        QString title;
        QString text;
        Icon icon = Icon::None;
        bool defaultYes = false;  // yesNo: the button Enter presses
    };

    RecordingDialogs();            // installs itself
    ~RecordingDialogs() override;  // and steps back

    void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
    bool okCancel(QWidget* parent, const QString& title, const QString& text) override;
    bool yesNo(QWidget* parent, const QString& title, const QString& text, bool defaultYes, Icon icon) override;
    QString openFileName(QWidget*, const QString& caption, const QString&, const QString&) override;
    QString saveFileName(QWidget*, const QString& caption, const QString&, const QString&, const QString&) override;
    QString existingDirectory(QWidget*, const QString& caption, const QString&) override;
    bool openUrl(const QUrl& url) override;
    void preview(QWidget* parent, const PrintDocument& document, QSize initialSize) override;
    bool print(const PrintDocument& document, QString* error) override;

    QStringList texts() const;
    QString lastText() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
    void clear() { boxes.clear(); }

    QList<Box> boxes;
    QList<bool> answers;        // for okCancel and yesNo, taken from the front
    bool defaultAnswer = true;  // when the script has run out
    QStringList fileAnswers;    // for the file dialogs, taken from the front; empty = cancelled
    QStringList fileCaptions;
    QList<QUrl> urls;
    bool openUrlSucceeds = true;  // false: no program to open them with
    QStringList previewed;        // titles handed to preview
    QStringList printed;          // titles handed to the printer
    QSize lastPreviewSize;
    bool printSucceeds = true;
    // Called while a box is up, with the box: lets a test look at the program at that moment.
    std::function<void(const Box&)> onBox;
    // Called while a preview or print job holds the document.
    std::function<void(const PrintDocument&)> onDocument;

private:
    void record(const Box& box);
    bool answer();
};
