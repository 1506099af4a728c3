// TForm2: the delivery note (送货单) report.
#pragma once

#include <QObject>

class TForm2 : public QObject {
    Q_OBJECT

public:
    explicit TForm2(QObject* parent);
};
