// Who makes the program and how to reach them: shown in the status bar, the about box, the
// printouts and the failure messages that send the operator to support.
#pragma once

#include <QString>

namespace Vendor {
inline const QString kProductName = QStringLiteral("Zenlo送货单打印软件");
inline const QString kProductTitle = QStringLiteral("Zenlo送货单打印软件 V2.0");
inline const QString kWebSite = QStringLiteral("http://www.zenlo.example");
inline const QString kEmail = QStringLiteral("support@zenlo.example");
inline const QString kSupportContact = QStringLiteral("（客服邮箱：support@zenlo.example）");
inline const QString kPrintLine = QStringLiteral("Zenlo软件 www.zenlo.example");
}  // namespace Vendor
