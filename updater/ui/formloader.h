#ifndef FORMLOADER_H
#define FORMLOADER_H

#include <QString>

class QWidget;

// Builds a top-level window, without a parent, from one of the program's embedded forms.
// The forms are part of the program, so neither opening nor building them is checked.
QWidget *loadForm(const QString &resourcePath);

#endif
