#pragma once

#include <functional>

class QApplication;

// The program's start: splash for about two seconds, then the main window.
int Main(QApplication &app);

// Milliseconds the splash stays up before the main window loads.
constexpr int SplashMilliseconds = 2000;
