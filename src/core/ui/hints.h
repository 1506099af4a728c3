// Hints appear at once and go after two seconds, on the hint colour every skin keeps.
#pragma once

class QObject;

void installHintTiming(QObject* application);
