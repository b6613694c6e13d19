// The Qt 6 Widgets backend's own entry points, for the program's start-up and
// for tests that look at the real widgets.
//
// The dialog is a QDialog built from the dialog template: the controls sit at
// their template rectangles converted from dialog units with the metrics of
// the dialog font, stacked in template order (the two tab panels lie behind
// everything). Text crosses into Qt as ISO-8859-1 (QString::fromLatin1,
// toLatin1).
#pragma once

#include "platform/types.h"

#include <QFont>

class QApplication;
class QDialog;
class QWidget;

// Gives the application the classic look (Qt's built-in "Windows" style and
// its palette) and the dialog font. Call once, right after constructing the
// QApplication; the backend's main() does.
void QtSetUpApplication(QApplication& app);

// The font that stands in for the template's "MS Sans Serif": a sans font of
// Arial's metrics (Liberation Sans), at the given point size.
QFont QtDialogFont(int points);

// The widget of a window of the running dialog (the QDialog itself for the
// dialog), or null.
QWidget* QtWidget(HWND window);

// The running modal dialog, or null.
QDialog* QtRunningDialog();
