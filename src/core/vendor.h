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
// The about box: the hint over its two addresses and the line under them.
inline const QString kLinkHint = QStringLiteral("Zenlo软件系列 — 欢迎来信或访问我们的网站");
inline const QString kRightsLine = QStringLiteral("版权所有 © Zenlo软件，保留所有权利。");
}  // namespace Vendor
