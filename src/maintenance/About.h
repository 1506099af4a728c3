// TAboutBox: "关于软件...", the product and how to reach its makers.
#pragma once

#include <QDialog>

class ClickLabel;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* mainWindow);
    // Where the database lives, so a person can find the file.
    void setDataFolder(const QString& folder);

    void writeMail();    // the e-mail address
    void openWebSite();  // the web address

    QLabel* ProductName;
    ClickLabel* EmailLink;
    ClickLabel* WebLink;
    QLabel* RightsLine;
    QLabel* DataFolder;     // where data.mdb lives
    QPushButton* OKButton;  // 确 定

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
