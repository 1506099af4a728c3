// A Dialogs double: keeps every box, answers questions from a script, never blocks.
#include "support/recording_dialogs.h"

RecordingDialogs::RecordingDialogs() {
    Dialogs::install(this);
}

RecordingDialogs::~RecordingDialogs() {
    Dialogs::install(nullptr);
}

void RecordingDialogs::record(const Box& box) {
    boxes.append(box);
    if (onBox) onBox(box);
}

bool RecordingDialogs::answer() {
    return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
}

void RecordingDialogs::message(QWidget*, const QString& title, const QString& text, Icon icon) {
    record({QStringLiteral("message"), title, text, icon});
}

bool RecordingDialogs::okCancel(QWidget*, const QString& title, const QString& text) {
    record({QStringLiteral("okCancel"), title, text, Icon::Warning});
    return answer();
}

bool RecordingDialogs::yesNo(QWidget*, const QString& title, const QString& text, bool defaultYes, Icon icon) {
    record({QStringLiteral("yesNo"), title, text, icon, defaultYes});
    return answer();
}

QString RecordingDialogs::openFileName(QWidget*, const QString& caption, const QString&, const QString&) {
    fileCaptions.append(caption);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString RecordingDialogs::existingDirectory(QWidget*, const QString& caption, const QString&) {
    fileCaptions.append(caption);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString RecordingDialogs::saveFileName(QWidget*, const QString& caption, const QString&, const QString&,
                                       const QString&) {
    fileCaptions.append(caption);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

bool RecordingDialogs::openUrl(const QUrl& url) {
    urls.append(url);
    return openUrlSucceeds;
}

void RecordingDialogs::preview(QWidget*, const PrintDocument& document, QSize initialSize) {
    previewed.append(document.title());
    lastPreviewSize = initialSize;
    if (onDocument) onDocument(document);
}

bool RecordingDialogs::print(const PrintDocument& document, QString* error) {
    printed.append(document.title());
    if (onDocument) onDocument(document);
    if (!printSucceeds && error) *error = QStringLiteral("打印机脱机");
    return printSucceeds;
}

QStringList RecordingDialogs::texts() const {
    QStringList out;
    for (const Box& b : boxes) out.append(b.text);
    return out;
}
