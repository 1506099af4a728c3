// TForm2: the delivery note (送货单) report.
#include "sale/Unit2.h"

TForm2::TForm2(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("Form2")); }
