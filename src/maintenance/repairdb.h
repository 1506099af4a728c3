// Trepair: "数据库备份", copying the database to a backup file and back.
#pragma once

#include "core/ui/window_opener.h"

class Trepair : public OnDemandWindow {
    Q_OBJECT

public:
    explicit Trepair(QWidget* owner);
};
