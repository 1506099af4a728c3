// Whether the program runs from a removable drive (a USB flash drive), for the advisory at
// every start.
#pragma once

#include <QString>

bool isOnRemovableDrive(const QString& path);

inline const QString kAdvisoryCaption = QStringLiteral("Zenlo软件");
inline const QString kAdvisoryText =
    QStringLiteral("建议将本软件安装在U盘上并从U盘运行，数据随身携带，换电脑也能继续使用。");
